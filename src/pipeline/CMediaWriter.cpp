#include "pipeline/CMediaWriter.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "pipeline/CMediaStream.h"
#include "pipeline/CStageTimer.h"

namespace
{
const DWORD kQueueRetryMs = 100;
const DWORD kWriteThreadTimeoutMs = 5000;
const DWORD kExitFailed = 0xFFFFFFFF;
}

CMediaWriter::CMediaWriter(int nQueueCapacity)
    : m_hNotifyWnd(nullptr),
      m_nNotifyMsg(0),
      m_nMaxFileSize(0),
      m_pszFileName(nullptr),
      m_pszFormatName(nullptr),
      m_pszExtension(nullptr),
      m_queue(nQueueCapacity, kQueueRetryMs),
      m_bWriting(0),
      m_bHasWritten(0),
      m_hWriteThread(nullptr)
{
}

CMediaWriter::~CMediaWriter()
{
    CMediaWriter::Stop();
    delete[] m_pszExtension;
    delete[] m_pszFormatName;
    delete[] m_pszFileName;
}

int CMediaWriter::Start()
{
    if (m_bWriting.load())
        Stop();
    else
        JoinWriteThread(); // a thread that ended silently after a write failure
    DiscardQueued();
    if (!m_queue.ClearDraining())
        return 0;
    m_sizeTracker.Begin(GetTickCount());
    m_hWriteThread = CreateThread(nullptr, 0, &CMediaWriter::WriteThreadEntry, this, 0, nullptr);
    if (!m_hWriteThread)
    {
        m_queue.SetDraining();
        return 0;
    }
    return 1;
}

void CMediaWriter::Stop()
{
    m_queue.SetDraining();
    JoinWriteThread();
    DiscardQueued();
    m_bWriting.store(0);
    m_bHasWritten.store(0);
}

void CMediaWriter::SetNotify(HWND hWnd, UINT nMsg)
{
    m_hNotifyWnd = hWnd;
    m_nNotifyMsg = nMsg;
}

int CMediaWriter::SetFileName(const char* pszFileName)
{
    return ReplaceText(m_pszFileName, pszFileName);
}

int CMediaWriter::SetFormatName(const char* pszFormatName)
{
    return ReplaceText(m_pszFormatName, pszFormatName);
}

int CMediaWriter::SetExtension(const char* pszExtension)
{
    return ReplaceText(m_pszExtension, pszExtension);
}

int CMediaWriter::GetFileName(char* pszBuffer, int nMax) const
{
    return CopyText(m_pszFileName, pszBuffer, nMax);
}

int CMediaWriter::GetExtension(char* pszBuffer, int nMax) const
{
    return CopyText(m_pszExtension, pszBuffer, nMax);
}

int CMediaWriter::AddStream(CMediaStream* pStream)
{
    if (!pStream)
        return 0;
    if (std::find(m_streams.begin(), m_streams.end(), pStream) != m_streams.end())
        return 1;
    try
    {
        m_streams.push_back(pStream);
        return 1;
    }
    catch (const std::bad_alloc&)
    {
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

int CMediaWriter::QueueSample(CMediaSample* pSample)
{
    return m_queue.Put(pSample);
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

    void* pItem = nullptr;
    while (m_queue.Get(&pItem))
    {
        if (!WriteOne(static_cast<CMediaSample*>(pItem)))
        {
            if (Notify(0))
                return 0;
            break;
        }
        m_bHasWritten.store(1);
        if (ReachedSizeLimit())
        {
            if (Notify(1))
                return 0;
            break;
        }
    }

    m_queue.SetDraining();
    m_bWriting.store(0);
    m_bHasWritten.store(0);
    return 0;
}

int CMediaWriter::WriteOne(CMediaSample* pSample)
{
    int nOk = pSample->stream->WriteSample(pSample);
    DeleteSample(pSample);
    return nOk;
}

int CMediaWriter::ReachedSizeLimit()
{
    if (!m_nMaxFileSize || !m_pszFileName || !m_pszFileName[0])
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
    HANDLE hFile = CreateFileA(m_pszFileName, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return 0;
    LARGE_INTEGER liSize;
    BOOL bSized = GetFileSizeEx(hFile, &liSize);
    CloseHandle(hFile);
    return bSized && liSize.QuadPart > 0 ? static_cast<ULONGLONG>(liSize.QuadPart) : 0;
}

// Posts the end-of-writing message; 0 when there is nobody to tell.
int CMediaWriter::Notify(int nSizeLimit)
{
    if (!m_hNotifyWnd || !m_nNotifyMsg)
        return 0;
    PostMessageA(m_hNotifyWnd, m_nNotifyMsg, 0, nSizeLimit);
    return 1;
}

void CMediaWriter::JoinWriteThread()
{
    if (!m_hWriteThread)
        return;
    if (WaitForSingleObject(m_hWriteThread, kWriteThreadTimeoutMs) == WAIT_TIMEOUT)
        TerminateThread(m_hWriteThread, kExitFailed);
    CloseHandle(m_hWriteThread);
    m_hWriteThread = nullptr;
}

void CMediaWriter::DeleteSample(CMediaSample* pSample)
{
    if (HasSampleBuffer(pSample->buffer))
        pSample->stream->FreeSample(pSample->buffer);
    delete pSample;
}

int CMediaWriter::ReplaceText(char*& pszField, const char* pszText)
{
    if (!pszText)
        return 0;
    size_t nLength = std::strlen(pszText);
    char* pszCopy = new (std::nothrow) char[nLength + 1];
    if (!pszCopy)
        return 0;
    std::memcpy(pszCopy, pszText, nLength + 1);
    delete[] pszField;
    pszField = pszCopy;
    return 1;
}

int CMediaWriter::CopyText(const char* pszField, char* pszBuffer, int nMax)
{
    if (!pszField || !pszField[0] || !pszBuffer || nMax <= 0)
        return 0;
    size_t nCopy = std::min(std::strlen(pszField), static_cast<size_t>(nMax - 1));
    std::memcpy(pszBuffer, pszField, nCopy);
    pszBuffer[nCopy] = '\0';
    return 1;
}
