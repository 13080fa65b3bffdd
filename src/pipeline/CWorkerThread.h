#pragma once

#include <windows.h>

#include <atomic>

// Base of the long-running producer threads. Start waits until the new thread has finished
// its own set-up (or failed it); Stop asks the loop to end and, after a bounded wait, terminates
// a thread that does not listen.
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

private:
    static DWORD WINAPI ThreadEntry(LPVOID pParam);
    int RunLoop();

    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    DWORD m_dwTimeout;
    std::atomic<int> m_bRunning;
    HANDLE m_hStarted;
    HANDLE m_hThread;
};
