#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Appends little-endian fields and whole objects (GUID, 64-bit size, body) to a byte vector.
class CAsfByteWriter
{
public:
    explicit CAsfByteWriter(std::vector<BYTE>& out) : m_out(out) {}

    void Byte(BYTE value) { m_out.push_back(value); }
    void Word(WORD value);
    void Dword(DWORD value);
    void Qword(ULONGLONG value);
    void Guid(const GUID& guid);
    void Bytes(const void* pData, size_t cbData);
    void Zeros(size_t cbCount) { m_out.insert(m_out.end(), cbCount, 0); }
    // Length in characters including the terminator (16 bits), then the UTF-16 text and 0.
    void CountedText(const std::wstring& text);

    // An object starts with its GUID and a size that EndObject fills in.
    size_t BeginObject(const GUID& guid);
    void EndObject(size_t nStart);

    size_t Size() const { return m_out.size(); }

private:
    std::vector<BYTE>& m_out;
};
