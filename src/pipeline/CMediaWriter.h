#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "base/ScopedWin.h"
#include "pipeline/CFileSizeTracker.h"
#include "pipeline/CMediaSample.h"
#include "pipeline/CSampleQueue.h"

class CMediaStream;

// Base of the output-file writers. Owns the sample queue and the writing thread that hands
// every queued sample back to its stream. The thread reports only by posting the notify
// message: lParam 1 when the file reached the size limit (it goes on writing until the owner
// stops it, so nothing queued is lost at the cut), 0 when a write failed or the file vanished
// (it ends at once and refuses every later sample, so no producer waits for it).
//
// The queue is bounded in bytes as well as in samples. Frames that a producer may drop ask
// MayQueueFrame first: they are turned away (and counted) while the queue holds more than
// about two seconds of what the disk has been writing, so that sound, which always waits for
// room, never has to wait for a slow disk.
class CMediaWriter
{
public:
    explicit CMediaWriter(int nQueueCapacity);
    virtual ~CMediaWriter();

    virtual int Initialize() = 0;
    virtual void Uninitialize() = 0;
    // Concrete writers open their file and start their streams first, then call this.
    virtual int Start();
    // Concrete writers call StopThread first, then stop their streams and close the file.
    virtual void Stop();

    void SetNotify(HWND hWnd, UINT nMsg);
    void SetMaxFileSize(DWORD nBytes) { m_nMaxFileSize = nBytes; }
    DWORD GetMaxFileSize() const { return m_nMaxFileSize; }
    // Slows the writing down to this many bytes a second (0: as fast as the disk goes).
    void SetWriteRate(DWORD nBytesPerSecond) { m_nWriteRate = nBytesPerSecond; }
    // The most bytes the queue holds; the default is chosen from the machine's memory.
    void SetQueueBudget(SIZE_T cbBudget);
    SIZE_T GetQueueBudget() const { return m_cbBudget; }
    // How long Stop waits for a writing thread that makes no progress at all.
    void SetStallLimit(DWORD dwMs) { m_dwStallLimitMs = dwMs; }

    int SetFileName(const char* pszFileName);
    int SetFormatName(const char* pszFormatName);
    int SetExtension(const char* pszExtension);
    int GetFileName(char* pszBuffer, int nMax) const;
    int GetExtension(char* pszBuffer, int nMax) const;
    const char* GetFormatName() const { return TextOrNull(m_formatName); }

    int AddStream(CMediaStream* pStream);
    void ClearStreams();
    int GetStreamCount() const { return static_cast<int>(m_streams.size()); }
    CMediaStream* GetStream(int nIndex) const;

    int IsWriting() const { return m_bWriting.load(); }
    int HasWritten() const { return m_bHasWritten.load(); }
    // 1 once a sample was queued since Start: its time line has begun, however long the disk
    // takes to write it.
    int HasQueued() const { return m_bHasQueued.load(); }

    // Takes the sample in every case: 1 when it was queued or the writer no longer takes
    // samples (it is then freed), 0 when it could not be queued. bNeverWait is for callers
    // that must not wait for room, such as the window's thread.
    int QueueSample(CMediaSample* pSample, DWORD cbPayload = 0, bool bNeverWait = false);
    // 1 when a frame of about cbFrame bytes may be queued now; 0 when it is to be dropped, and
    // then it is counted.
    int MayQueueFrame(DWORD cbFrame);
    LONG DroppedFrames() const { return m_nDroppedFrames.load(); }
    SIZE_T QueuedBytes() const { return m_queue.Bytes(); }
    SIZE_T PeakQueuedBytes() const { return m_queue.PeakBytes(); }
    void DiscardQueued();
    // Called by a stream, on the writing thread, for the bytes it put into the file: the file
    // is then read from the disk for the size limit only when it may be near it.
    void CountWritten(DWORD cbBytes) { m_sizeTracker.Count(cbBytes); }

    // 1 for the errors that say a file's folder or volume is no longer there.
    static int IsVanishedError(DWORD dwError);
    // The default queue budget: a sixteenth of the machine's memory, within 64 MB and 512 MB.
    static SIZE_T DefaultQueueBudget();

protected:
    const char* FileName() const { return TextOrNull(m_fileName); }
    // Ends the writing thread after it has written what is queued. 0 when the thread is stuck
    // in a write and was left to end on its own: the file must then stay open until a later
    // call finds the thread gone.
    int StopThread();

private:
    static DWORD WINAPI WriteThreadEntry(LPVOID pParam);
    DWORD WriteLoop();
    int WriteOne(CMediaSample* pSample, SIZE_T cbPayload);
    void PaceWrite(SIZE_T cbWritten);
    void MeasureWrite(SIZE_T cbWritten, LONGLONG llMicroseconds);
    SIZE_T FrameLimitFor(ULONGLONG ullBytesPerSecond) const;
    int ReachedSizeLimit();
    ULONGLONG FileSizeOnDisk() const;
    int FileHasVanished();
    DWORD EndAfterFailure();
    int Notify(int nSizeLimit);
    int JoinWriteThread(DWORD dwStallLimitMs);
    static void DeleteSample(CMediaSample* pSample);
    static int ReplaceText(std::string& field, const char* pszText);
    static int CopyText(const std::string& field, char* pszBuffer, int nMax);
    // Null for a text never set, as callers test.
    static const char* TextOrNull(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

    CMediaWriter(const CMediaWriter&) = delete;
    CMediaWriter& operator=(const CMediaWriter&) = delete;

    HWND m_hNotifyWnd = nullptr;
    UINT m_nNotifyMsg = 0;
    DWORD m_nMaxFileSize = 0;
    std::string m_fileName;
    std::string m_formatName;
    std::string m_extension;
    std::vector<CMediaStream*> m_streams;
    CSampleQueue m_queue;
    std::atomic<int> m_bWriting{0};
    std::atomic<int> m_bHasWritten{0};
    CScopedHandle m_hWriteThread;
    CFileSizeTracker m_sizeTracker;

    SIZE_T m_cbBudget = 0;
    std::atomic<SIZE_T> m_cbFrameLimit{0};
    std::atomic<LONG> m_nDroppedFrames{0};
    std::atomic<LONG> m_nWritten{0};  // samples done, for Stop to see progress
    std::atomic<int> m_bAbandoned{0}; // Stop stopped waiting: write nothing more
    std::atomic<int> m_bHasQueued{0};
    DWORD m_dwStallLimitMs = 10000;
    DWORD m_nWriteRate = 0;
    // Writing thread only.
    bool m_bLimitNotified = false;
    DWORD m_dwLastVanishCheck = 0;
    LONGLONG m_llPaceDebtUs = 0;
    ULONGLONG m_ullMeasuredBytes = 0;
    LONGLONG m_llMeasuredUs = 0;
};
