#pragma once

#include <windows.h>

#include <atomic>

#include "base/ScopedWin.h"

// Base of the long-running producer threads. Start waits until the new thread has finished
// its own set-up (or failed it); Stop asks the loop to end and waits a bounded time. A thread
// is never killed: one that does not come back in time (stuck in a system call) is left to
// end by itself, still releasing what it holds in OnThreadEnd, and the object cannot start
// again until it has.
//
// A derived class whose Step uses its own members must call Stop in its own destructor: the
// base destructor runs after the derived part is gone.
class CWorkerThread
{
public:
    CWorkerThread();
    virtual ~CWorkerThread();

    virtual int Start();
    virtual void Stop();

protected:
    // Called on the worker thread: before the loop (0 aborts the thread and fails Start),
    // after the loop (always), and once per loop turn (0 ends the thread).
    virtual int OnThreadStart();
    virtual int OnThreadEnd();
    virtual int Step();
    virtual DWORD Run();

public:
    int IsRunning() const { return m_bRunning.load(); }
    DWORD GetTimeout() const { return m_dwTimeout; }
    // Posts nMsg with lParam to hWnd when the thread ends by a failing Step, not when asked
    // to stop. A null window tells nobody.
    void SetEndNotify(HWND hWnd, UINT nMsg, LPARAM lParam);
    // True once a failing Step has ended the thread since the last Start.
    bool HasFailed() const { return m_bFailed.load(); }

private:
    static DWORD WINAPI ThreadEntry(LPVOID pParam);
    int RunLoop();
    // 1 when no earlier thread of this object is still running.
    int ReapAbandoned();

    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    DWORD m_dwTimeout;
    std::atomic<int> m_bRunning;
    CScopedHandle m_hStarted;
    CScopedHandle m_hThread;
    CScopedHandle m_hAbandoned;
    std::atomic<bool> m_bFailed{false};
    std::atomic<bool> m_bStopRequested{false};
    HWND m_hNotifyWnd = nullptr;
    UINT m_nNotifyMsg = 0;
    LPARAM m_lNotifyParam = 0;
};
