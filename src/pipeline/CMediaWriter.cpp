#include "pipeline/CMediaWriter.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "pipeline/CMediaStream.h"
#include "pipeline/CStageTimer.h"
#include "pipeline/PerfClock.h"

namespace {
const DWORD kQueueRetryMs = 100;
const DWORD kJoinSliceMs = 100;
// A thread already left to finish a stuck write is looked at only briefly.
const DWORD kAbandonedJoinMs = 1000;
const DWORD kVanishCheckMs = 1000;
const SIZE_T kMegabyte = 1024 * 1024;
const SIZE_T kMinBudget = 64 * kMegabyte;
const SIZE_T kMaxBudget = 512 * kMegabyte;
// Frames wait at most about this long for a disk that has been slow, and may always take
// this much (a few large frames).
const ULONGLONG kFrameBacklogMs = 2000;
const SIZE_T kMinFrameBacklog = 16 * kMegabyte;
// The disk's speed is taken over this much time spent writing.
const LONGLONG kMeasureUs = 1000000;

} // namespace

CMediaWriter::CMediaWriter(int nQueueCapacity) : m_queue(nQueueCapacity, kQueueRetryMs)
{
    SetQueueBudget(DefaultQueueBudget());
}

CMediaWriter::~CMediaWriter()
{
    StopThread();
}

SIZE_T CMediaWriter::DefaultQueueBudget()
{
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status))
        return kMinBudget;
    ULONGLONG ullBudget = status.ullTotalPhys / 16;
    return static_cast<SIZE_T>(std::min<ULONGLONG>(std::max<ULONGLONG>(ullBudget, kMinBudget), kMaxBudget));
}

void CMediaWriter::SetQueueBudget(SIZE_T cbBudget)
{
    m_cbBudget = cbBudget;
    m_queue.SetByteLimit(cbBudget);
    m_cbFrameLimit.store(FrameLimitFor(0));
}

// Frames keep a quarter of the budget (and of the samples) free for sound. Until the disk's
// speed is known they may use the rest.
SIZE_T CMediaWriter::FrameLimitFor(ULONGLONG ullBytesPerSecond) const
{
    const SIZE_T cbMost = m_cbBudget / 4 * 3;
    if (!ullBytesPerSecond)
        return cbMost;
    ULONGLONG ullBacklog = ullBytesPerSecond * kFrameBacklogMs / 1000;
    return static_cast<SIZE_T>(std::min<ULONGLONG>(std::max<ULONGLONG>(ullBacklog, kMinFrameBacklog), cbMost));
}

int CMediaWriter::Start()
{
    if (m_bWriting.load())
        Stop();
    // A thread that ended on its own after a write failure, or one still busy with a write
    // it was left to finish: a second thread must never write beside it.
    if (!StopThread())
        return 0;
    DiscardQueued();
    m_bAbandoned.store(0);
    m_bHasQueued.store(0);
    m_bLimitNotified = false;
    m_nDroppedFrames.store(0);
    m_cbFrameLimit.store(FrameLimitFor(0));
    m_llPaceDebtUs = 0;
    m_ullMeasuredBytes = 0;
    m_llMeasuredUs = 0;
    m_queue.ResetPeak();
    m_queue.Open();
    if (!m_queue.ClearDraining())
        return 0;
    m_sizeTracker.Begin(GetTickCount());
    m_hWriteThread.Reset(CreateThread(nullptr, 0, &CMediaWriter::WriteThreadEntry, this, 0, nullptr));
    if (!m_hWriteThread) {
        m_queue.SetDraining();
        m_queue.Shut();
        return 0;
    }
    return 1;
}

void CMediaWriter::Stop()
{
    StopThread();
}

int CMediaWriter::StopThread()
{
    // Nothing new comes in; what is queued is written, then the thread ends.
    m_queue.Shut();
    m_queue.SetDraining();
    const int nEnded = JoinWriteThread(m_bAbandoned.load() ? kAbandonedJoinMs : m_dwStallLimitMs);
    if (!nEnded)
        m_bAbandoned.store(1);
    DiscardQueued();
    m_bWriting.store(0);
    m_bHasWritten.store(0);
    return nEnded;
}

void CMediaWriter::SetNotify(HWND hWnd, UINT nMsg)
{
    m_hNotifyWnd = hWnd;
    m_nNotifyMsg = nMsg;
}

int CMediaWriter::SetFileName(const char* pszFileName)
{
    return ReplaceText(m_fileName, pszFileName);
}

int CMediaWriter::SetFormatName(const char* pszFormatName)
{
    return ReplaceText(m_formatName, pszFormatName);
}

int CMediaWriter::SetExtension(const char* pszExtension)
{
    return ReplaceText(m_extension, pszExtension);
}

int CMediaWriter::GetFileName(char* pszBuffer, int nMax) const
{
    return CopyText(m_fileName, pszBuffer, nMax);
}

int CMediaWriter::GetExtension(char* pszBuffer, int nMax) const
{
    return CopyText(m_extension, pszBuffer, nMax);
}

int CMediaWriter::AddStream(CMediaStream* pStream)
{
    if (!pStream)
        return 0;
    if (std::find(m_streams.begin(), m_streams.end(), pStream) != m_streams.end())
        return 1;
    try {
        m_streams.push_back(pStream);
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

CMediaStream* CMediaWriter::GetStream(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetStreamCount())
        return nullptr;
    return m_streams[nIndex];
}

void CMediaWriter::ClearStreams()
{
    m_streams.clear();
}

int CMediaWriter::QueueSample(CMediaSample* pSample, DWORD cbPayload, bool bNeverWait)
{
    if (!pSample)
        return 0;
    if (m_queue.Put(pSample, cbPayload, bNeverWait ? CSampleQueue::PUT_ALWAYS : CSampleQueue::PUT_WAIT)) {
        m_bHasQueued.store(1);
        return 1;
    }
    // A writer that has ended takes nothing more: that is no fault of the producer.
    const int nShut = m_queue.IsShut();
    DeleteSample(pSample);
    return nShut;
}

int CMediaWriter::MayQueueFrame(DWORD cbFrame)
{
    if (!m_bWriting.load() || m_queue.IsShut())
        return 1;
    const int nCount = m_queue.Count();
    if (nCount == 0 || (nCount < m_queue.GetCapacity() / 4 * 3 && m_queue.Bytes() + cbFrame <= m_cbFrameLimit.load()))
        return 1;
    ++m_nDroppedFrames;
    return 0;
}

void CMediaWriter::DiscardQueued()
{
    if (!m_queue.SetDraining())
        return;
    void* pItem = nullptr;
    while (m_queue.Get(&pItem))
        DeleteSample(static_cast<CMediaSample*>(pItem));
}

DWORD WINAPI CMediaWriter::WriteThreadEntry(LPVOID pParam)
{
    return static_cast<CMediaWriter*>(pParam)->WriteLoop();
}

DWORD CMediaWriter::WriteLoop()
{
    m_bWriting.store(1);
    m_bHasWritten.store(0);
    m_dwLastVanishCheck = GetTickCount();

    void* pItem = nullptr;
    SIZE_T cbPayload = 0;
    while (m_queue.Get(&pItem, &cbPayload)) {
        CMediaSample* pSample = static_cast<CMediaSample*>(pItem);
        if (m_bAbandoned.load()) {
            DeleteSample(pSample);
            continue;
        }
        const int nOk = WriteOne(pSample, cbPayload);
        ++m_nWritten;
        if (m_bAbandoned.load())
            continue;
        if (!nOk)
            return EndAfterFailure();
        m_bHasWritten.store(1);
        // The owner cuts the file when it hears of the limit; until then the thread goes on
        // writing into it, so that nothing queued for it is lost.
        if (!m_bLimitNotified && ReachedSizeLimit())
            m_bLimitNotified = Notify(1) != 0;
        if (FileHasVanished())
            return EndAfterFailure();
    }

    if (!m_bAbandoned.load()) {
        m_bWriting.store(0);
        m_bHasWritten.store(0);
    }
    return 0;
}

// Tells the owner and takes no more samples: producers that wait for room go on at once.
DWORD CMediaWriter::EndAfterFailure()
{
    const int nTold = Notify(0);
    m_queue.Shut();
    DiscardQueued();
    if (!nTold) {
        m_bWriting.store(0);
        m_bHasWritten.store(0);
    }
    return 0;
}

int CMediaWriter::WriteOne(CMediaSample* pSample, SIZE_T cbPayload)
{
    const LONGLONG llStart = PerfClock(1000000);
    int nOk = pSample->stream->WriteSample(pSample);
    DeleteSample(pSample);
    if (nOk && cbPayload) {
        PaceWrite(cbPayload);
        MeasureWrite(cbPayload, PerfClock(1000000) - llStart);
    }
    return nOk;
}

// A disk that takes only m_nWriteRate bytes a second: each write costs its share of time.
void CMediaWriter::PaceWrite(SIZE_T cbWritten)
{
    if (!m_nWriteRate)
        return;
    m_llPaceDebtUs += static_cast<LONGLONG>(cbWritten) * 1000000 / m_nWriteRate;
    if (m_llPaceDebtUs < 1000)
        return;
    const LONGLONG llStart = PerfClock(1000000);
    Sleep(static_cast<DWORD>(m_llPaceDebtUs / 1000));
    m_llPaceDebtUs -= PerfClock(1000000) - llStart;
}

// The speed of the disk while it writes (idle time between samples left out) sets how much
// of it frames may queue.
void CMediaWriter::MeasureWrite(SIZE_T cbWritten, LONGLONG llMicroseconds)
{
    m_ullMeasuredBytes += cbWritten;
    m_llMeasuredUs += std::max<LONGLONG>(llMicroseconds, 0);
    if (m_llMeasuredUs < kMeasureUs)
        return;
    m_cbFrameLimit.store(FrameLimitFor(m_ullMeasuredBytes * 1000000 / static_cast<ULONGLONG>(m_llMeasuredUs)));
    m_ullMeasuredBytes = 0;
    m_llMeasuredUs = 0;
}

int CMediaWriter::ReachedSizeLimit()
{
    if (!m_nMaxFileSize || m_fileName.empty())
        return 0;
    const DWORD dwNow = GetTickCount();
    if (!m_sizeTracker.IsCheckDue(m_nMaxFileSize, dwNow))
        return 0;
    CStageTimer timer(STAGE_SIZE_CHECK);
    const ULONGLONG ullSize = FileSizeOnDisk();
    m_sizeTracker.Checked(ullSize, dwNow);
    return ullSize >= m_nMaxFileSize;
}

// 0 when the file cannot be opened.
ULONGLONG CMediaWriter::FileSizeOnDisk() const
{
    // No access rights asked for: this works while the file is open for writing elsewhere.
    CScopedFile file(
        CreateFileA(m_fileName.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return 0;
    LARGE_INTEGER liSize;
    BOOL bSized = GetFileSizeEx(file.Get(), &liSize);
    return bSized && liSize.QuadPart > 0 ? static_cast<ULONGLONG>(liSize.QuadPart) : 0;
}

// A deleted folder or a vanished volume: the file can no longer be found by its name (the
// system may go on taking writes into it, but they end nowhere). Looked at once a second.
int CMediaWriter::FileHasVanished()
{
    if (m_fileName.empty())
        return 0;
    const DWORD dwNow = GetTickCount();
    if (dwNow - m_dwLastVanishCheck < kVanishCheckMs)
        return 0;
    m_dwLastVanishCheck = dwNow;
    return GetFileAttributesA(m_fileName.c_str()) == INVALID_FILE_ATTRIBUTES && IsVanishedError(GetLastError());
}

int CMediaWriter::IsVanishedError(DWORD dwError)
{
    switch (dwError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_BAD_NETPATH:
    case ERROR_NETNAME_DELETED:
    case ERROR_DEVICE_NOT_CONNECTED:
        return 1;
    default:
        return 0;
    }
}

// Posts the end-of-writing message; 0 when there is nobody to tell.
int CMediaWriter::Notify(int nSizeLimit)
{
    if (!m_hNotifyWnd || !m_nNotifyMsg)
        return 0;
    PostMessageA(m_hNotifyWnd, m_nNotifyMsg, 0, nSizeLimit);
    return 1;
}

// Waits for the writing thread for as long as it gets on with its samples; 0 when it has
// written nothing for dwStallLimitMs (the handle is kept for a later call).
int CMediaWriter::JoinWriteThread(DWORD dwStallLimitMs)
{
    if (!m_hWriteThread)
        return 1;
    LONG nSeen = m_nWritten.load();
    DWORD dwSince = GetTickCount();
    while (WaitForSingleObject(m_hWriteThread.Get(), kJoinSliceMs) == WAIT_TIMEOUT) {
        const LONG nNow = m_nWritten.load();
        if (nNow != nSeen) {
            nSeen = nNow;
            dwSince = GetTickCount();
        } else if (GetTickCount() - dwSince >= dwStallLimitMs) {
            return 0;
        }
    }
    m_hWriteThread.Reset();
    return 1;
}

void CMediaWriter::DeleteSample(CMediaSample* pSample)
{
    if (HasSampleBuffer(pSample->buffer))
        pSample->stream->FreeSample(pSample->buffer);
    delete pSample;
}

int CMediaWriter::ReplaceText(std::string& field, const char* pszText)
{
    if (!pszText)
        return 0;
    try {
        field = pszText;
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

int CMediaWriter::CopyText(const std::string& field, char* pszBuffer, int nMax)
{
    if (field.empty() || !pszBuffer || nMax <= 0)
        return 0;
    const size_t nCopy = std::min(field.size(), static_cast<size_t>(nMax - 1));
    std::memcpy(pszBuffer, field.data(), nCopy);
    pszBuffer[nCopy] = '\0';
    return 1;
}
