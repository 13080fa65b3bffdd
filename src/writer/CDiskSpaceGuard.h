#pragma once

#include <windows.h>

// Keeps an AVI file sound when its disk fills up. The AVI library buffers its writes and does
// not pass on the system's write errors, so a full disk would go unnoticed: the recording would
// run on, and the headers and index written when the file is closed would find no room.
// The guard refuses a chunk that would leave less free space than the headers and the index
// still need, and notices when the file on disk stops growing with what was handed to the
// library, or cannot be found at all (its folder deleted, its volume gone: the system may
// still take the writes, but they end nowhere). Once it refused or noticed, it admits nothing
// more.
class CDiskSpaceGuard
{
public:
    CDiskSpaceGuard();

    // Starts watching a new file (the name as given to the library).
    void Begin(const char* pszFileName);
    // 1 when a chunk of cbData bytes may be written.
    int Admit(DWORD cbData);
    // The same for a stream's last chunk, written as the file is closed (the sound gathered
    // since the last group): after a refusal for want of space it may still take part of the
    // fixed reserve; after lost writes nothing is admitted.
    int AdmitLast(DWORD cbData);
    // Counts a chunk the library took; 0 when the file on disk has fallen behind.
    int Confirm(DWORD cbData);
    int HasFailed() const { return m_nFailure != FAILURE_NONE; }

    // Room kept free for the headers in front of the first chunk, the library's write buffer
    // and the end of the file, besides the index.
    static const ULONGLONG kFixedReserve = 512 * 1024;

private:
    enum Failure { FAILURE_NONE, FAILURE_DISK_FULL, FAILURE_LOST_WRITES, FAILURE_VANISHED };

    int HasRoomFor(DWORD cbData, ULONGLONG ullFixedReserve);
    ULONGLONG Reserve(ULONGLONG ullFixedReserve) const;
    ULONGLONG EstimatedFree() const;
    void QueryFreeSpace();
    ULONGLONG SizeCheckStep() const;
    int FileHasFallenBehind();
    int Refuse(Failure nFailure);

    char m_szFile[MAX_PATH];
    char m_szFolder[MAX_PATH];
    ULONGLONG m_ullHanded; // chunk bytes given to the library, chunk headers included
    DWORD m_nChunks;
    DWORD m_cbLargestChunk;
    int m_bKnowsFree;
    ULONGLONG m_ullFreeAtQuery;
    ULONGLONG m_ullHandedAtQuery;
    DWORD m_dwQueryTime;
    ULONGLONG m_ullHandedAtSizeCheck;
    Failure m_nFailure;
    int m_bGone;
};
