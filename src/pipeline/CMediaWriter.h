#pragma once

#include <windows.h>

#include <atomic>
#include <vector>

#include "pipeline/CFileSizeTracker.h"
#include "pipeline/CMediaSample.h"
#include "pipeline/CSampleQueue.h"

class CMediaStream;

// Base of the output-file writers. Owns the sample queue and the writing thread that hands
// every queued sample back to its stream. The thread reports only by posting the notify
// message: lParam 1 when the file reached the size limit, 0 when a write failed.
class CMediaWriter
{
public:
    explicit CMediaWriter(int nQueueCapacity);
    virtual ~CMediaWriter();

    virtual int Initialize() = 0;
    virtual void Uninitialize() = 0;
    // Concrete writers open their file and start their streams first, then call this.
    virtual int Start();
    // Concrete writers call this first, then stop their streams and close the file.
    virtual void Stop();

    void SetNotify(HWND hWnd, UINT nMsg);
    void SetMaxFileSize(DWORD nBytes) { m_nMaxFileSize = nBytes; }
    DWORD GetMaxFileSize() const { return m_nMaxFileSize; }

    int SetFileName(const char* pszFileName);
    int SetFormatName(const char* pszFormatName);
    int SetExtension(const char* pszExtension);
    int GetFileName(char* pszBuffer, int nMax) const;
    int GetExtension(char* pszBuffer, int nMax) const;
    const char* GetFormatName() const { return m_pszFormatName; }

    int AddStream(CMediaStream* pStream);
    void ClearStreams();
    int GetStreamCount() const { return static_cast<int>(m_streams.size()); }
    CMediaStream* GetStream(int nIndex) const;

    int IsWriting() const { return m_bWriting.load(); }
    int HasWritten() const { return m_bHasWritten.load(); }

    int QueueSample(CMediaSample* pSample);
    void DiscardQueued();
    // Called by a stream, on the writing thread, for the bytes it put into the file: the file
    // is then read from the disk for the size limit only when it may be near it.
    void CountWritten(DWORD cbBytes) { m_sizeTracker.Count(cbBytes); }

protected:
    const char* FileName() const { return m_pszFileName; }

private:
    static DWORD WINAPI WriteThreadEntry(LPVOID pParam);
    DWORD WriteLoop();
    int WriteOne(CMediaSample* pSample);
    int ReachedSizeLimit();
    ULONGLONG FileSizeOnDisk() const;
    int Notify(int nSizeLimit);
    void JoinWriteThread();
    static void DeleteSample(CMediaSample* pSample);
    static int ReplaceText(char*& pszField, const char* pszText);
    static int CopyText(const char* pszField, char* pszBuffer, int nMax);

    CMediaWriter(const CMediaWriter&) = delete;
    CMediaWriter& operator=(const CMediaWriter&) = delete;

    HWND m_hNotifyWnd;
    UINT m_nNotifyMsg;
    DWORD m_nMaxFileSize;
    char* m_pszFileName;
    char* m_pszFormatName;
    char* m_pszExtension;
    std::vector<CMediaStream*> m_streams;
    CSampleQueue m_queue;
    std::atomic<int> m_bWriting;
    std::atomic<int> m_bHasWritten;
    HANDLE m_hWriteThread;
    CFileSizeTracker m_sizeTracker;
};
