#include "codec/CCodecEntry.h"

#include <cstring>

namespace {
const DWORD kHandlerDib = mmioFOURCC('D', 'I', 'B', ' ');
const DWORD kVersionIcm = 0x104;
const wchar_t kPassThroughName[] = L"<Uncompressed RGB>";
} // namespace

CCodecEntry::CCodecEntry()
{
    std::memset(&m_info, 0, sizeof(m_info));
    m_info.dwSize = sizeof(m_info);
}

CCodecEntry::CCodecEntry(const ICINFO& info) : m_info(info)
{
}

CCodecEntry CCodecEntry::PassThrough()
{
    CCodecEntry entry;
    entry.m_info.fccType = ICTYPE_VIDEO;
    entry.m_info.fccHandler = kHandlerDib;
    entry.m_info.dwFlags = 0;
    entry.m_info.dwVersion = 0;
    entry.m_info.dwVersionICM = kVersionIcm;
    // The short name holds 16 units only; it is cut to fit, the description holds it whole.
    lstrcpynW(entry.m_info.szName, kPassThroughName, sizeof(entry.m_info.szName) / sizeof(WCHAR));
    lstrcpynW(entry.m_info.szDescription, kPassThroughName, sizeof(entry.m_info.szDescription) / sizeof(WCHAR));
    return entry;
}

bool CCodecEntry::IsPassThrough() const
{
    return m_info.fccHandler == kHandlerDib;
}
