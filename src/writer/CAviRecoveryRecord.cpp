#include "writer/CAviRecoveryRecord.h"

#include <cstring>

#include "writer/CFileHandle.h"
#include "writer/CRiffBuilder.h"

namespace {

const DWORD kRecordForm = mmioFOURCC('O', 'R', 'V', 'R');
const DWORD kNameChunk = mmioFOURCC('n', 'a', 'm', 'e');
const DWORD kRiff = mmioFOURCC('R', 'I', 'F', 'F');
const DWORD kList = mmioFOURCC('L', 'I', 'S', 'T');
const DWORD kStreamList = mmioFOURCC('s', 't', 'r', 'l');
const DWORD kStreamHeader = mmioFOURCC('s', 't', 'r', 'h');
const DWORD kStreamFormat = mmioFOURCC('s', 't', 'r', 'f');
// A record holds a few formats; anything larger is not one.
const DWORD kMaxRecordSize = 1 << 20;
const DWORD kHeaderBody = sizeof(AVISTREAMHEADER) - 8;

} // namespace

std::string CAviRecoveryRecord::PathFor(const char* pszAviPath)
{
    return std::string(pszAviPath ? pszAviPath : "") + Extension();
}

void CAviRecoveryRecord::AddStream(const AVISTREAMHEADER& header, const void* pFormat, DWORD cbFormat)
{
    CStream stream;
    stream.header = header;
    stream.header.fcc = kStreamHeader;
    stream.header.cb = kHeaderBody;
    const BYTE* pBytes = static_cast<const BYTE*>(pFormat);
    if (pBytes && cbFormat)
        stream.format.assign(pBytes, pBytes + cbFormat);
    m_streams.push_back(stream);
}

void CAviRecoveryRecord::Build(std::vector<BYTE>& out) const
{
    CRiffBuilder riff(out);
    const size_t nRiff = riff.BeginList(kRiff, kRecordForm);
    riff.Chunk(kNameChunk, m_fileName.c_str(), static_cast<DWORD>(m_fileName.size() + 1));
    for (const CStream& stream : m_streams) {
        const size_t nList = riff.BeginList(kList, kStreamList);
        riff.Chunk(kStreamHeader, &stream.header.fccType, kHeaderBody);
        riff.Chunk(kStreamFormat, stream.format.data(), static_cast<DWORD>(stream.format.size()));
        riff.EndList(nList);
    }
    riff.EndList(nRiff);
}

bool CAviRecoveryRecord::Write(const char* pszPath) const
{
    std::vector<BYTE> data;
    Build(data);
    CFileHandle file;
    if (!file.Create(pszPath))
        return false;
    if (file.Write(data.data(), data.size()))
        return true;
    file.Close();
    DeleteFileA(pszPath);
    return false;
}

bool CAviRecoveryRecord::Read(const char* pszPath)
{
    m_fileName.clear();
    m_streams.clear();
    CFileHandle file;
    if (!file.OpenRead(pszPath))
        return false;
    const ULONGLONG cbFile = file.Size();
    if (cbFile < 12 || cbFile > kMaxRecordSize)
        return false;
    std::vector<BYTE> data(static_cast<size_t>(cbFile));
    if (!file.ReadAll(data.data(), static_cast<DWORD>(cbFile)) || !Parse(data)) {
        m_fileName.clear();
        m_streams.clear();
        return false;
    }
    return true;
}

bool CAviRecoveryRecord::Parse(const std::vector<BYTE>& data)
{
    const BYTE* p = data.data();
    if (RiffDword(p) != kRiff || RiffDword(p + 8) != kRecordForm || RiffDword(p + 4) > data.size() - 8)
        return false;
    const size_t nEnd = 8 + RiffDword(p + 4);
    for (size_t n = 12; n + 8 <= nEnd;) {
        const DWORD dwId = RiffDword(p + n);
        const DWORD cbChunk = RiffDword(p + n + 4);
        if (cbChunk > nEnd - n - 8)
            return false;
        const BYTE* pData = p + n + 8;
        if (dwId == kNameChunk && cbChunk)
            m_fileName.assign(reinterpret_cast<const char*>(pData),
                              strnlen(reinterpret_cast<const char*>(pData), cbChunk));
        else if (dwId == kList && cbChunk >= 4 && RiffDword(pData) == kStreamList &&
                 !ParseStream(pData + 4, cbChunk - 4))
            return false;
        n += 8 + RiffPadded(cbChunk);
    }
    return !m_fileName.empty() && !m_streams.empty();
}

bool CAviRecoveryRecord::ParseStream(const BYTE* p, DWORD cb)
{
    CStream stream;
    bool bHeader = false;
    for (size_t n = 0; n + 8 <= cb;) {
        const DWORD dwId = RiffDword(p + n);
        const DWORD cbChunk = RiffDword(p + n + 4);
        if (cbChunk > cb - n - 8)
            return false;
        const BYTE* pData = p + n + 8;
        if (dwId == kStreamHeader && cbChunk == kHeaderBody) {
            stream.header.fcc = kStreamHeader;
            stream.header.cb = kHeaderBody;
            memcpy(&stream.header.fccType, pData, kHeaderBody);
            bHeader = true;
        } else if (dwId == kStreamFormat) {
            stream.format.assign(pData, pData + cbChunk);
        }
        n += 8 + RiffPadded(cbChunk);
    }
    if (!bHeader || stream.format.empty() || !stream.header.dwRate || !stream.header.dwScale)
        return false;
    m_streams.push_back(stream);
    return true;
}
