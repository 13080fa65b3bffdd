// Hook chains on real windows: order, passing on, detaching and window destruction.
#include "framework/AfxCore.h"
#include "ui/CSubclassWnd.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const UINT WM_PROBE = WM_APP + 7;
std::string g_trace;

LRESULT CALLBACK PlainWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PROBE) {
        g_trace += "W";
        return 42;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

class CTracingHook : public CSubclassWnd
{
public:
    explicit CTracingHook(char chName) : m_chName(chName) {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_PROBE)
            g_trace += m_chName;
        if (message == WM_NCDESTROY)
            ++m_nNcDestroySeen;
        return CSubclassWnd::WindowProc(message, wParam, lParam);
    }
    char m_chName;
    int m_nNcDestroySeen = 0;
};

class SubclassTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = PlainWndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "OrvaneSubclassTest";
        RegisterClassA(&wc);
        m_hWnd = CreateWindowA("OrvaneSubclassTest", "", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr, wc.hInstance,
                               nullptr);
        ASSERT_NE(m_hWnd, nullptr);
        g_trace.clear();
    }
    void TearDown() override
    {
        if (IsWindow(m_hWnd))
            DestroyWindow(m_hWnd);
    }
    LRESULT Probe() { return SendMessageA(m_hWnd, WM_PROBE, 0, 0); }
    WNDPROC CurrentProc() const { return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC)); }

    HWND m_hWnd = nullptr;
};

TEST_F(SubclassTest, NewestHookSeesMessagesFirstAndPassesThemOn)
{
    CTracingHook first('A'), second('B');
    EXPECT_EQ(first.HookWindow(m_hWnd), 1);
    EXPECT_EQ(CurrentProc(), &HookWndProc);
    second.HookWindow(m_hWnd);
    EXPECT_EQ(second.m_pNext, &first);
    EXPECT_EQ(second.m_pfnOldWndProc, &PlainWndProc);
    EXPECT_EQ(Probe(), 42);
    EXPECT_EQ(g_trace, "BAW");
}

TEST_F(SubclassTest, DetachingFirstOfTwoKeepsTheOtherAndLastRestoresProcedure)
{
    CTracingHook first('A'), second('B');
    first.HookWindow(m_hWnd);
    second.HookWindow(m_hWnd);
    second.HookWindow(nullptr);
    EXPECT_EQ(second.m_hWnd, nullptr);
    EXPECT_EQ(CurrentProc(), &HookWndProc);
    EXPECT_EQ(Probe(), 42);
    EXPECT_EQ(g_trace, "AW");

    first.HookWindow(nullptr);
    EXPECT_EQ(CurrentProc(), &PlainWndProc);
    EXPECT_EQ(CSubclassWnd::FindFirstHook(m_hWnd), nullptr);
    g_trace.clear();
    EXPECT_EQ(Probe(), 42);
    EXPECT_EQ(g_trace, "W");
}

TEST_F(SubclassTest, DetachingOlderHookKeepsNewerOneWorking)
{
    CTracingHook first('A'), second('B');
    first.HookWindow(m_hWnd);
    second.HookWindow(m_hWnd);
    first.HookWindow(nullptr);
    EXPECT_EQ(second.m_pNext, nullptr);
    EXPECT_EQ(Probe(), 42);
    EXPECT_EQ(g_trace, "BW");
}

TEST_F(SubclassTest, DetachingMiddleOfThreeRelinks)
{
    CTracingHook a('A'), b('B'), c('C');
    a.HookWindow(m_hWnd);
    b.HookWindow(m_hWnd);
    c.HookWindow(m_hWnd);
    EXPECT_EQ(Probe(), 42);
    EXPECT_EQ(g_trace, "CBAW");
    b.HookWindow(nullptr);
    EXPECT_EQ(c.m_pNext, &a);
    g_trace.clear();
    EXPECT_EQ(Probe(), 42);
    EXPECT_EQ(g_trace, "CAW");
}

TEST_F(SubclassTest, DestroyingTheWindowDetachesEveryHook)
{
    CTracingHook a('A');
    {
        CTracingHook b('B');
        a.HookWindow(m_hWnd);
        b.HookWindow(m_hWnd);
        DestroyWindow(m_hWnd);
        EXPECT_EQ(a.m_hWnd, nullptr);
        EXPECT_EQ(b.m_hWnd, nullptr);
        EXPECT_EQ(a.m_pNext, nullptr);
        EXPECT_EQ(b.m_pNext, nullptr);
        // The window's own procedure got WM_NCDESTROY, not the hooks.
        EXPECT_EQ(b.m_nNcDestroySeen, 0);
        EXPECT_EQ(CSubclassWnd::FindFirstHook(m_hWnd), nullptr);
    } // b destroyed after its window: nothing further happens
    EXPECT_EQ(a.HookWindow(nullptr), 1);
    EXPECT_EQ(a.m_hWnd, nullptr);
}

TEST_F(SubclassTest, HandlerSeesCurrentMessageInThreadState)
{
    struct CRecorder : CSubclassWnd
    {
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
        {
            if (message == WM_PROBE)
                m_msg = AfxGetThreadState()->m_lastSentMsg;
            return CSubclassWnd::WindowProc(message, wParam, lParam);
        }
        MSG m_msg = {};
    } recorder;
    recorder.HookWindow(m_hWnd);
    AfxGetThreadState()->m_lastSentMsg.message = WM_NULL;
    SendMessageA(m_hWnd, WM_PROBE, 5, 6);
    EXPECT_EQ(recorder.m_msg.message, WM_PROBE);
    EXPECT_EQ(recorder.m_msg.hwnd, m_hWnd);
    EXPECT_EQ(recorder.m_msg.wParam, 5u);
    EXPECT_EQ(recorder.m_msg.lParam, 6);
    EXPECT_EQ(AfxGetThreadState()->m_lastSentMsg.message, static_cast<UINT>(WM_NULL));
}

} // namespace
