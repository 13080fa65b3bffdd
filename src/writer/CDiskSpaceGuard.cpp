#include "writer/CDiskSpaceGuard.h"

#include <vfw.h>

#include "pipeline/CMediaWriter.h"

namespace {
const ULONGLONG kChunkHeader = 8;
const ULONGLONG kIndexEntry = sizeof(AVIINDEXENTRY);
// Near the limit the free space is asked for before every chunk, otherwise once a second
// (other programs use the disk too).
const ULONGLONG kCloseToFull = 64ull * 1024 * 1024;
const DWORD kQueryIntervalMs = 1000;
// What the library may hold back in its write buffer besides the chunk it is writing.
const ULONGLONG kBufferSlack = 1024 * 1024;
// The file's size is read from the disk (the file opened by name: a round trip to the system)
// each time this much more was handed over, and at least a few large chunks more: large raw
// frames would otherwise make it a reading per frame.
const ULONGLONG kSizeCheckStep = 256 * 1024;
const ULONGLONG kSizeCheckChunks = 8;

ULONGLONG ChunkBytes(DWORD cbData)
{
    return kChunkHeader + cbData + (cbData & 1);
}
} // namespace

CDiskSpaceGuard::CDiskSpaceGuard()
{
    Begin(nullptr);
}

void CDiskSpaceGuard::Begin(const char* pszFileName)
{
    m_szFile[0] = m_szFolder[0] = '\0';
    m_ullHanded = 0;
    m_nChunks = 0;
    m_cbLargestChunk = 0;
    m_bKnowsFree = 0;
    m_ullFreeAtQuery = 0;
    m_ullHandedAtQuery = 0;
    m_dwQueryTime = 0;
    m_ullHandedAtSizeCheck = 0;
    m_nFailure = FAILURE_NONE;
    m_bGone = 0;
    if (!pszFileName)
        return;
    char* pszName = nullptr;
    DWORD nLength = GetFullPathNameA(pszFileName, MAX_PATH, m_szFile, &pszName);
    if (!nLength || nLength >= MAX_PATH || !pszName) {
        m_szFile[0] = '\0';
        return;
    }
    lstrcpynA(m_szFolder, m_szFile, static_cast<int>(pszName - m_szFile) + 1);
}

int CDiskSpaceGuard::Admit(DWORD cbData)
{
    if (m_nFailure != FAILURE_NONE)
        return 0;
    if (HasRoomFor(cbData, kFixedReserve))
        return 1;
    return Refuse(m_bGone ? FAILURE_VANISHED : FAILURE_DISK_FULL);
}

int CDiskSpaceGuard::AdmitLast(DWORD cbData)
{
    if (m_nFailure == FAILURE_LOST_WRITES || m_nFailure == FAILURE_VANISHED)
        return 0;
    return HasRoomFor(cbData, kFixedReserve / 2);
}

int CDiskSpaceGuard::Confirm(DWORD cbData)
{
    m_ullHanded += ChunkBytes(cbData);
    ++m_nChunks;
    if (cbData > m_cbLargestChunk)
        m_cbLargestChunk = cbData;
    if (m_nFailure == FAILURE_LOST_WRITES || m_nFailure == FAILURE_VANISHED)
        return 0;
    if (m_ullHanded - m_ullHandedAtSizeCheck < SizeCheckStep())
        return 1;
    m_ullHandedAtSizeCheck = m_ullHanded;
    if (!FileHasFallenBehind())
        return 1;
    return Refuse(m_bGone ? FAILURE_VANISHED : FAILURE_LOST_WRITES);
}

int CDiskSpaceGuard::HasRoomFor(DWORD cbData, ULONGLONG ullFixedReserve)
{
    ULONGLONG ullNeeded = Reserve(ullFixedReserve) + ChunkBytes(cbData) + kIndexEntry;
    if (!m_bKnowsFree || EstimatedFree() < ullNeeded + kCloseToFull ||
        GetTickCount() - m_dwQueryTime >= kQueryIntervalMs)
        QueryFreeSpace();
    if (m_bGone)
        return 0;
    // A disk that cannot tell its free space is written on as if it had room.
    return !m_bKnowsFree || EstimatedFree() >= ullNeeded;
}

ULONGLONG CDiskSpaceGuard::SizeCheckStep() const
{
    const ULONGLONG ullChunks = kSizeCheckChunks * ChunkBytes(m_cbLargestChunk);
    return ullChunks > kSizeCheckStep ? ullChunks : kSizeCheckStep;
}

// The index takes one entry per chunk written.
ULONGLONG CDiskSpaceGuard::Reserve(ULONGLONG ullFixedReserve) const
{
    return ullFixedReserve + kIndexEntry * m_nChunks;
}

ULONGLONG CDiskSpaceGuard::EstimatedFree() const
{
    ULONGLONG ullSince = m_ullHanded - m_ullHandedAtQuery;
    return m_ullFreeAtQuery > ullSince ? m_ullFreeAtQuery - ullSince : 0;
}

void CDiskSpaceGuard::QueryFreeSpace()
{
    ULARGE_INTEGER ulAvailable;
    m_bKnowsFree = GetDiskFreeSpaceExA(m_szFolder[0] ? m_szFolder : nullptr, &ulAvailable, nullptr, nullptr) != 0;
    // A disk that will not say differs from a folder that is no longer there.
    if (!m_bKnowsFree && m_szFolder[0] && GetFileAttributesA(m_szFolder) == INVALID_FILE_ATTRIBUTES &&
        CMediaWriter::IsVanishedError(GetLastError()))
        m_bGone = 1;
    m_ullFreeAtQuery = m_bKnowsFree ? ulAvailable.QuadPart : 0;
    m_ullHandedAtQuery = m_ullHanded;
    m_dwQueryTime = GetTickCount();
}

// The file always holds what the library took, but for its write buffer and the chunk being
// written: a file that stays smaller lost writes the library did not report (its disk or its
// size limit is reached). A file that cannot be found any more has lost them all.
int CDiskSpaceGuard::FileHasFallenBehind()
{
    if (!m_szFile[0])
        return 0;
    // No access rights asked for: this works while the library holds the file open.
    CScopedFile file(CreateFileA(m_szFile, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        m_bGone = CMediaWriter::IsVanishedError(GetLastError());
        return m_bGone;
    }
    LARGE_INTEGER liSize;
    BOOL bSized = GetFileSizeEx(file.Get(), &liSize);
    ULONGLONG ullSlack = kBufferSlack + ChunkBytes(m_cbLargestChunk);
    return bSized && static_cast<ULONGLONG>(liSize.QuadPart) + ullSlack < m_ullHanded;
}

int CDiskSpaceGuard::Refuse(Failure nFailure)
{
    m_nFailure = nFailure;
    return 0;
}
