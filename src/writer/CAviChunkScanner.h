#pragma once

#include <windows.h>

#include <vector>

#include "writer/CFileHandle.h"

// Walks the data chunks of an AVI file that an interruption left behind, reading the file
// once from the start. The headers may be missing (the AVI library writes them only when the
// file is closed, and leaves zeros in their place until then), written, or half written; the
// data chunks of the movie list follow them. The walk ends at the first thing that is not a
// whole data chunk of a known stream: a chunk cut short by the end of the file, zeros, torn
// or foreign bytes, or the index of a file that was closed after all.
class CAviChunkScanner
{
public:
    struct CChunk
    {
        DWORD dwId = 0; // "00dc", "01wb"...
        int nStream = -1;
        DWORD cbData = 0;
        ULONGLONG nOffset = 0;       // of the chunk's header in the file
        const BYTE* pData = nullptr; // valid until the next call
    };

    // The type of each stream ("vids", "auds") tells which chunks belong to it.
    bool Open(const char* pszPath, const std::vector<DWORD>& streamTypes);
    void Close();

    // The next whole data chunk; false at the end of what can be used.
    bool Next(CChunk& chunk);
    // Where the usable data ends: just after the last chunk that Next returned.
    ULONGLONG UsableEnd() const { return m_nUsableEnd; }
    ULONGLONG FileSize() const { return m_cbFile; }
    // True when nothing but zeros follows the headers (if any): no data reached the disk.
    bool IsBlank() const { return m_bBlank; }

    static const DWORD kMaxChunkSize = 256 * 1024 * 1024;

private:
    enum Kind { DATA, SKIP, ENTER, END };

    bool FindData();
    bool SkipZeros();
    Kind Classify(DWORD dwId, DWORD cbData, int& nStream) const;
    int StreamOf(DWORD dwId) const;
    // Makes nBytes from nOffset available in the buffer; false when the file is shorter.
    bool Fetch(ULONGLONG nOffset, DWORD nBytes);
    const BYTE* At(ULONGLONG nOffset) const { return m_buffer.data() + (nOffset - m_nBufferStart); }

    CFileHandle m_file;
    ULONGLONG m_cbFile = 0;
    std::vector<DWORD> m_streamTypes;
    std::vector<BYTE> m_buffer;
    ULONGLONG m_nBufferStart = 0;
    size_t m_cbBuffered = 0;
    ULONGLONG m_nPosition = 0;
    ULONGLONG m_nUsableEnd = 0;
    bool m_bInData = false;
    bool m_bEnded = false;
    bool m_bBlank = false;
};
