#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "pipeline/CWorkerThread.h"
#include "pipeline/TestTiming.h"

namespace {
class CProbeThread : public CWorkerThread
{
public:
    enum StepMode { StepCounts, StepFailsAtOnce, StepNeverReturns, StepThrows };

    explicit CProbeThread(StepMode eMode = StepCounts, int nStartResult = 1)
        : m_eMode(eMode), m_nStartResult(nStartResult)
    {
        m_hNever = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    ~CProbeThread() override
    {
        Stop();
        CloseHandle(m_hNever);
    }

    std::atomic<int> m_nStarts{0};
    std::atomic<int> m_nEnds{0};
    std::atomic<int> m_nSteps{0};
    std::atomic<DWORD> m_dwExitCode{12345};
    std::atomic<DWORD> m_dwThreadId{0};

    void ReleaseStep() { SetEvent(m_hNever); }

protected:
    int OnThreadStart() override
    {
        ++m_nStarts;
        m_dwThreadId = GetCurrentThreadId();
        return m_nStartResult;
    }
    int OnThreadEnd() override
    {
        ++m_nEnds;
        return 1;
    }
    int Step() override
    {
        ++m_nSteps;
        switch (m_eMode) {
        case StepFailsAtOnce:
            return 0;
        case StepNeverReturns:
            WaitForSingleObject(m_hNever, INFINITE);
            return 1;
        case StepThrows:
            throw std::runtime_error("step");
        default:
            Sleep(1);
            return 1;
        }
    }
    DWORD Run() override
    {
        DWORD dwExitCode = CWorkerThread::Run();
        m_dwExitCode = dwExitCode;
        return dwExitCode;
    }

private:
    StepMode m_eMode;
    int m_nStartResult;
    HANDLE m_hNever;
};
} // namespace

TEST(WorkerThread, StartRunsStepsAndStopEndsWithExitCodeZero)
{
    CProbeThread thread;
    EXPECT_EQ(5000u, thread.GetTimeout());
    EXPECT_FALSE(thread.IsRunning());
    ASSERT_EQ(1, thread.Start());
    EXPECT_TRUE(thread.IsRunning());
    EXPECT_NE(GetCurrentThreadId(), thread.m_dwThreadId.load());
    EXPECT_TRUE(WaitUntil([&] { return thread.m_nSteps.load() >= 3; }, 10000));

    DWORD dwStart = GetTickCount();
    thread.Stop();
    EXPECT_LT(ElapsedMs(dwStart), thread.GetTimeout()) << "ended by the time-out, not by itself";
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(1, thread.m_nEnds.load());
    EXPECT_EQ(0u, thread.m_dwExitCode.load());
}

TEST(WorkerThread, StartOnRunningObjectStopsOldThreadAndStartsNewOne)
{
    CProbeThread thread;
    ASSERT_EQ(1, thread.Start());
    DWORD dwFirstThread = thread.m_dwThreadId;
    ASSERT_EQ(1, thread.Start());
    EXPECT_TRUE(thread.IsRunning());
    EXPECT_EQ(2, thread.m_nStarts.load());
    EXPECT_EQ(1, thread.m_nEnds.load());
    EXPECT_NE(dwFirstThread, thread.m_dwThreadId.load());
    thread.Stop();
    EXPECT_EQ(2, thread.m_nEnds.load());
}

TEST(WorkerThread, FailingThreadStartFailsStartPromptly)
{
    CProbeThread thread(CProbeThread::StepCounts, 0);
    DWORD dwStart = GetTickCount();
    EXPECT_EQ(0, thread.Start());
    EXPECT_LT(ElapsedMs(dwStart), thread.GetTimeout()) << "waited out the time-out";
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(0, thread.m_nSteps.load());
    EXPECT_EQ(1, thread.m_nEnds.load());
    EXPECT_EQ(0xFFFFFFFFu, thread.m_dwExitCode.load());
}

TEST(WorkerThread, FailingStepEndsThreadWithMinusOne)
{
    CProbeThread thread(CProbeThread::StepFailsAtOnce);
    ASSERT_EQ(1, thread.Start());
    EXPECT_TRUE(WaitUntil([&] { return !thread.IsRunning(); }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return thread.m_dwExitCode.load() != 12345u; }, 10000));
    EXPECT_EQ(0xFFFFFFFFu, thread.m_dwExitCode.load());
    EXPECT_EQ(1, thread.m_nSteps.load());
    EXPECT_EQ(1, thread.m_nEnds.load());

    DWORD dwStart = GetTickCount();
    thread.Stop();
    EXPECT_LT(ElapsedMs(dwStart), thread.GetTimeout()) << "ended by the time-out";
}

TEST(WorkerThread, StartAfterTheThreadEndedByItselfStartsAgain)
{
    CProbeThread thread(CProbeThread::StepFailsAtOnce);
    for (int n = 1; n <= 5; ++n) {
        ASSERT_EQ(1, thread.Start());
        ASSERT_TRUE(WaitUntil([&] { return thread.m_nEnds.load() == n; }, 10000));
        ASSERT_TRUE(WaitUntil([&] { return !thread.IsRunning(); }, 10000));
    }
    thread.Stop();
    EXPECT_EQ(5, thread.m_nStarts.load());
}

TEST(WorkerThread, ThrowingStepEndsThreadLikeAFailingOne)
{
    CProbeThread thread(CProbeThread::StepThrows);
    ASSERT_EQ(1, thread.Start());
    EXPECT_TRUE(WaitUntil([&] { return thread.m_nEnds.load() == 1; }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return !thread.IsRunning(); }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return thread.m_dwExitCode.load() != 12345u; }, 10000));
    EXPECT_EQ(0xFFFFFFFFu, thread.m_dwExitCode.load());
    thread.Stop();
}

TEST(WorkerThread, StepThatNeverReturnsIsLeftToEndByItselfNotKilled)
{
    CProbeThread thread(CProbeThread::StepNeverReturns);
    ASSERT_EQ(1, thread.Start());
    EXPECT_TRUE(WaitUntil([&] { return thread.m_nSteps.load() == 1; }, 10000));

    DWORD dwStart = GetTickCount();
    thread.Stop();
    DWORD dwElapsed = ElapsedMs(dwStart);
    EXPECT_GE(dwElapsed, 4500u);
    EXPECT_LT(dwElapsed, 15000u);
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(0, thread.m_nEnds.load());
    EXPECT_EQ(0, thread.Start()) << "a second thread must not run beside the one left behind";

    // Once its step returns it ends by itself and releases what it holds.
    thread.ReleaseStep();
    EXPECT_TRUE(WaitUntil([&] { return thread.m_nEnds.load() == 1; }, 5000));
    ASSERT_EQ(1, thread.Start());
    thread.Stop();
    EXPECT_EQ(2, thread.m_nEnds.load());
}

TEST(WorkerThread, FailingStepTellsTheOwnerAndAStopDoesNot)
{
    const UINT kEndMessage = WM_APP + 7;
    HWND hWnd = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    MSG msg;
    CProbeThread stopped;
    stopped.SetEndNotify(hWnd, kEndMessage, 1);
    ASSERT_EQ(1, stopped.Start());
    stopped.Stop();
    EXPECT_FALSE(stopped.HasFailed());
    EXPECT_FALSE(PeekMessageA(&msg, hWnd, kEndMessage, kEndMessage, PM_REMOVE));

    CProbeThread failing(CProbeThread::StepFailsAtOnce);
    failing.SetEndNotify(hWnd, kEndMessage, 2);
    ASSERT_EQ(1, failing.Start());
    EXPECT_TRUE(WaitUntil([&] { return PeekMessageA(&msg, hWnd, kEndMessage, kEndMessage, PM_REMOVE) != 0; }, 5000));
    EXPECT_EQ(2, msg.lParam);
    EXPECT_TRUE(failing.HasFailed());
    DestroyWindow(hWnd);
}

TEST(WorkerThread, StopOnIdleObjectIsHarmless)
{
    CProbeThread thread;
    thread.Stop();
    thread.Stop();
    EXPECT_FALSE(thread.IsRunning());
    ASSERT_EQ(1, thread.Start());
    thread.Stop();
    thread.Stop();
    EXPECT_EQ(1, thread.m_nEnds.load());
}
