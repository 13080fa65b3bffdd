#pragma once

#include <windows.h>
#include <vfw.h>

#include <vector>

#include "writer/CAviChunkScanner.h"
#include "writer/CAviRecoveryRecord.h"
#include "writer/CFileHandle.h"

// Repairs an AVI file that was never closed, from the recovery record kept beside it: every
// whole data chunk that reached the disk is copied into a new file next to it, behind headers
// rebuilt from the record with the real stream lengths, and followed by a new index; the new
// file replaces the old one only once it is complete, and then the record goes. The old file
// is read once, from start to end.
class CAviRepair
{
public:
    enum Result { REPAIRED, ALREADY_COMPLETE, NO_RECORD, FAILED };

    Result Repair(const char* pszAviPath);

    // True when the file's headers were written to the end: it was closed normally.
    static bool IsComplete(const char* pszAviPath);
    // Where the new file is written before it replaces the old one.
    static std::string WorkPathFor(const char* pszAviPath);

private:
    struct CTally
    {
        DWORD nChunks = 0;
        ULONGLONG cbData = 0;
        DWORD cbLargest = 0;
    };

    bool Rebuild(const char* pszAviPath, const char* pszNewPath);
    bool CopyChunks(CAviChunkScanner& scanner, CFileHandle& out);
    void Tally(const CAviChunkScanner::CChunk& chunk);
    bool Emit(CFileHandle& out, const void* pData, size_t cbData);
    bool FlushOutput(CFileHandle& out);
    bool Finish(CFileHandle& out);
    // The headers up to and including the movie list's own header, which the chunks follow.
    void BuildHeaders(std::vector<BYTE>& out);
    void BuildMainHeader(std::vector<BYTE>& out) const;
    AVISTREAMHEADER StreamHeader(size_t nStream) const;

    CAviRecoveryRecord m_record;
    std::vector<CTally> m_tallies;
    std::vector<AVIINDEXENTRY> m_index;
    std::vector<BYTE> m_output;
    ULONGLONG m_nMovieList = 0; // where the movie list starts in the new file
    ULONGLONG m_nWritten = 0;   // bytes of the new file so far
};
