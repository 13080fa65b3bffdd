#include "pipeline/CWorkerThread.h"

namespace {
const DWORD kThreadTimeoutMs = 5000;
const DWORD kExitFailed = 0xFFFFFFFF;
} // namespace

CWorkerThread::CWorkerThread() : m_dwTimeout(kThreadTimeoutMs), m_bRunning(0)
{
}

CWorkerThread::~CWorkerThread()
{
    CWorkerThread::Stop();
    // Whatever an abandoned thread still does, it does without this object from now on.
    ReapAbandoned();
}

void CWorkerThread::SetEndNotify(HWND hWnd, UINT nMsg, LPARAM lParam)
{
    m_hNotifyWnd = hWnd;
    m_nNotifyMsg = nMsg;
    m_lNotifyParam = lParam;
}

int CWorkerThread::Start()
{
    // Also reaps a thread that ended by itself (a failed Step).
    if (m_bRunning.load() || m_hThread)
        Stop();
    if (!ReapAbandoned())
        return 0;

    m_bFailed.store(false);
    m_bStopRequested.store(false);
    m_hStarted.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    int nResult = 0;
    if (m_hStarted) {
        m_hThread.Reset(CreateThread(nullptr, 0, &CWorkerThread::ThreadEntry, this, 0, nullptr));
        if (m_hThread) {
            // Wait for either the handshake or the end of the thread; only the handshake counts.
            HANDLE ahWait[2] = {m_hStarted.Get(), m_hThread.Get()};
            DWORD dwWait = WaitForMultipleObjects(2, ahWait, FALSE, m_dwTimeout);
            nResult = (dwWait == WAIT_OBJECT_0) ? 1 : 0;
        }
        m_hStarted.Reset();
    }
    if (!nResult)
        Stop();
    return nResult;
}

void CWorkerThread::Stop()
{
    m_bStopRequested.store(true);
    m_bRunning.store(0);
    if (!m_hThread)
        return;
    if (WaitForSingleObject(m_hThread.Get(), m_dwTimeout) == WAIT_TIMEOUT)
        // Killing it could leave a lock held or a device open for good: it is left to end.
        m_hAbandoned = std::move(m_hThread);
    else
        m_hThread.Reset();
}

int CWorkerThread::ReapAbandoned()
{
    if (!m_hAbandoned)
        return 1;
    if (WaitForSingleObject(m_hAbandoned.Get(), m_dwTimeout) == WAIT_TIMEOUT)
        return 0;
    m_hAbandoned.Reset();
    return 1;
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
    bool bFailed = false;
    // A thread whose start took so long that the owner gave up on it ends at once.
    if (OnThreadStart() && !m_bStopRequested.load()) {
        m_bRunning.store(1);
        SetEvent(m_hStarted.Get());
        try {
            if (RunLoop())
                dwExitCode = 0;
            else
                bFailed = true;
        } catch (...) {
            // A throwing Step ends the thread like a failing one.
            bFailed = true;
        }
    }
    OnThreadEnd();
    m_bRunning.store(0);
    if (bFailed) {
        m_bFailed.store(true);
        // A thread that was left behind by Stop has no one to tell any more.
        if (m_hNotifyWnd && m_nNotifyMsg && !m_bStopRequested.load())
            PostMessageA(m_hNotifyWnd, m_nNotifyMsg, 0, m_lNotifyParam);
    }
    return dwExitCode;
}

// 1 when the loop ended because it was asked to, 0 when a Step failed.
int CWorkerThread::RunLoop()
{
    for (;;) {
        if (!m_bRunning.load() || m_bStopRequested.load())
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
