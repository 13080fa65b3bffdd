#include "wmf/CAsfByteWriter.h"

void CAsfByteWriter::Word(WORD value)
{
    Byte(static_cast<BYTE>(value));
    Byte(static_cast<BYTE>(value >> 8));
}

void CAsfByteWriter::Dword(DWORD value)
{
    Word(static_cast<WORD>(value));
    Word(static_cast<WORD>(value >> 16));
}

void CAsfByteWriter::Qword(ULONGLONG value)
{
    Dword(static_cast<DWORD>(value));
    Dword(static_cast<DWORD>(value >> 32));
}

void CAsfByteWriter::Guid(const GUID& guid)
{
    Dword(guid.Data1);
    Word(guid.Data2);
    Word(guid.Data3);
    Bytes(guid.Data4, sizeof(guid.Data4));
}

void CAsfByteWriter::Bytes(const void* pData, size_t cbData)
{
    if (!cbData)
        return;
    const BYTE* pBytes = static_cast<const BYTE*>(pData);
    m_out.insert(m_out.end(), pBytes, pBytes + cbData);
}

void CAsfByteWriter::CountedText(const std::wstring& text)
{
    Word(static_cast<WORD>(text.size() + 1));
    for (wchar_t ch : text)
        Word(static_cast<WORD>(ch));
    Word(0);
}

size_t CAsfByteWriter::BeginObject(const GUID& guid)
{
    const size_t nStart = m_out.size();
    Guid(guid);
    Qword(0);
    return nStart;
}

void CAsfByteWriter::EndObject(size_t nStart)
{
    ULONGLONG cbObject = m_out.size() - nStart;
    for (int i = 0; i < 8; ++i, cbObject >>= 8)
        m_out[nStart + 16 + i] = static_cast<BYTE>(cbObject);
}
