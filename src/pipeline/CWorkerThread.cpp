#include "pipeline/CWorkerThread.h"

namespace
{
const DWORD kThreadTimeoutMs = 5000;
const DWORD kExitFailed = 0xFFFFFFFF;
}

CWorkerThread::CWorkerThread()
    : m_dwTimeout(kThreadTimeoutMs), m_bRunning(0), m_hStarted(nullptr), m_hThread(nullptr)
{
}

CWorkerThread::~CWorkerThread()
{
    CWorkerThread::Stop();
    if (m_hStarted)
    {
        CloseHandle(m_hStarted);
        m_hStarted = nullptr;
    }
}

int CWorkerThread::Start()
{
    // Also reaps a thread that ended by itself (a failed Step).
    if (m_bRunning.load() || m_hThread)
        Stop();

    m_hStarted = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    int nResult = 0;
    if (m_hStarted)
    {
        m_hThread = CreateThread(nullptr, 0, &CWorkerThread::ThreadEntry, this, 0, nullptr);
        if (m_hThread)
        {
            // Wait for either the handshake or the end of the thread; only the handshake counts.
            HANDLE ahWait[2] = {m_hStarted, m_hThread};
            DWORD dwWait = WaitForMultipleObjects(2, ahWait, FALSE, m_dwTimeout);
            nResult = (dwWait == WAIT_OBJECT_0) ? 1 : 0;
        }
        CloseHandle(m_hStarted);
        m_hStarted = nullptr;
    }
    if (!nResult)
        Stop();
    return nResult;
}

void CWorkerThread::Stop()
{
    m_bRunning.store(0);
    if (!m_hThread)
        return;
    if (WaitForSingleObject(m_hThread, m_dwTimeout) == WAIT_TIMEOUT)
        TerminateThread(m_hThread, kExitFailed);
    CloseHandle(m_hThread);
    m_hThread = nullptr;
}

int CWorkerThread::OnThreadStart()
{
    return 1;
}

int CWorkerThread::OnThreadEnd()
{
    return 1;
}

int CWorkerThread::Step()
{
    Sleep(m_dwTimeout);
    return 1;
}

DWORD CWorkerThread::Run()
{
    DWORD dwExitCode = kExitFailed;
    if (OnThreadStart())
    {
        m_bRunning.store(1);
        SetEvent(m_hStarted);
        try
        {
            if (RunLoop())
                dwExitCode = 0;
        }
        catch (...)
        {
            // A throwing Step ends the thread like a failing one.
        }
    }
    OnThreadEnd();
    m_bRunning.store(0);
    return dwExitCode;
}

// 1 when the loop ended because it was asked to, 0 when a Step failed.
int CWorkerThread::RunLoop()
{
    for (;;)
    {
        if (!m_bRunning.load())
            return 1;
        if (!Step())
            return 0;
    }
}

DWORD WINAPI CWorkerThread::ThreadEntry(LPVOID pParam)
{
    CWorkerThread* pThis = static_cast<CWorkerThread*>(pParam);
    return pThis ? pThis->Run() : 0;
}
