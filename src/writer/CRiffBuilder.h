#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <vector>

// Lays out RIFF chunks and lists in a byte vector: a chunk is its four-character code, its size
// and its data, padded to an even length; a list is a chunk whose data begins with a type.
class CRiffBuilder
{
public:
    explicit CRiffBuilder(std::vector<BYTE>& out) : m_out(out) {}

    void Chunk(DWORD dwId, const void* pData, DWORD cbData);
    // Opens a list ('RIFF' or 'LIST') of the given type; EndList fills in its size.
    size_t BeginList(DWORD dwList, DWORD dwType);
    void EndList(size_t nStart);
    void Dword(DWORD dwValue);

private:
    std::vector<BYTE>& m_out;
};

// Little-endian values inside RIFF data.
inline DWORD RiffDword(const BYTE* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<DWORD>(p[3]) << 24);
}

inline DWORD RiffPadded(DWORD cbData)
{
    return cbData + (cbData & 1);
}
