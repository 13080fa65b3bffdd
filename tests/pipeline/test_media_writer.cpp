#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "pipeline/CTestStream.h"
#include "pipeline/CTestWriter.h"
#include "pipeline/TestTiming.h"

namespace {
const UINT kWriterEvent = 2027;

// A message-only window owned by the test thread, receiving the writer's notification.
class NotifyWindow
{
public:
    NotifyWindow()
    {
        m_hWnd =
            CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~NotifyWindow() { DestroyWindow(m_hWnd); }
    HWND Handle() const { return m_hWnd; }

    // Pumps the queue until the writer's message arrives; false on time-out.
    bool WaitForEvent(LPARAM* plParam, DWORD dwLimitMs)
    {
        DWORD dwStart = GetTickCount();
        while (ElapsedMs(dwStart) < dwLimitMs) {
            MSG msg;
            while (PeekMessageA(&msg, m_hWnd, 0, 0, PM_REMOVE)) {
                if (msg.message == kWriterEvent) {
                    EXPECT_EQ(0u, msg.wParam);
                    *plParam = msg.lParam;
                    return true;
                }
            }
            Sleep(10);
        }
        return false;
    }

    bool HasEvent()
    {
        MSG msg;
        return PeekMessageA(&msg, m_hWnd, kWriterEvent, kWriterEvent, PM_NOREMOVE) != 0;
    }

private:
    HWND m_hWnd;
};

std::string TempPath(const char* pszName)
{
    char szDir[MAX_PATH];
    GetTempPathA(MAX_PATH, szDir);
    return std::string(szDir) + pszName;
}

class MediaWriterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_stream.SetWriter(&m_writer);
        ASSERT_EQ(1, m_writer.AddStream(&m_stream));
    }
    void TearDown() override
    {
        m_writer.Stop();
        EXPECT_EQ(0, m_stream.LiveBuffers()) << "sample buffers leaked";
    }
    bool StartAndWaitWriting()
    {
        if (!m_writer.Start())
            return false;
        return WaitUntil([&] { return m_writer.IsWriting() != 0; }, 2000);
    }

    CTestWriter m_writer;
    CTestStream m_stream;
};
} // namespace

TEST_F(MediaWriterTest, WritesSamplesInOrderOnTheWritingThread)
{
    ASSERT_TRUE(StartAndWaitWriting());
    EXPECT_FALSE(m_writer.HasWritten());
    for (DWORD n = 0; n < 200; ++n)
        ASSERT_EQ(1, m_stream.DeliverText("sample " + std::to_string(n), n * 40));
    EXPECT_EQ(200u * 40u, m_stream.GetNextTime());
    EXPECT_TRUE(WaitUntil([&] { return m_stream.WriteCalls() == 200; }, 10000));
    EXPECT_TRUE(m_writer.HasWritten());

    m_writer.Stop();
    EXPECT_FALSE(m_writer.IsWriting());
    EXPECT_FALSE(m_writer.HasWritten());

    const auto& writes = m_stream.Writes();
    ASSERT_EQ(200u, writes.size());
    for (DWORD n = 0; n < 200; ++n) {
        EXPECT_EQ("sample " + std::to_string(n), writes[n].payload);
        EXPECT_EQ(n * 40, writes[n].dwTime);
        EXPECT_EQ(40u, writes[n].dwDuration);
        EXPECT_NE(GetCurrentThreadId(), writes[n].dwThreadId);
    }
    EXPECT_EQ(200, m_stream.AllocCount());
}

TEST_F(MediaWriterTest, StopWritesWhatIsStillQueued)
{
    ASSERT_TRUE(StartAndWaitWriting());
    m_stream.HoldWrites();
    for (DWORD n = 0; n < 20; ++n)
        ASSERT_EQ(1, m_stream.DeliverText("q" + std::to_string(n), n));
    std::thread release([&] {
        Sleep(200);
        m_stream.ReleaseWrites();
    });
    m_writer.Stop(); // drains: every queued sample is written before the thread ends
    release.join();
    ASSERT_EQ(20u, m_stream.Writes().size());
    EXPECT_EQ("q19", m_stream.Writes().back().payload);
}

TEST_F(MediaWriterTest, DeliverWithoutDataQueuesAnEmptySample)
{
    ASSERT_TRUE(StartAndWaitWriting());
    ASSERT_EQ(1, m_stream.Deliver(nullptr, 100, 10, 5, 0x10));
    ASSERT_EQ(1, m_stream.Deliver("abc", 0, 20, 5, 0));
    EXPECT_EQ(25u, m_stream.GetNextTime());
    m_writer.Stop();

    ASSERT_EQ(2u, m_stream.Writes().size());
    EXPECT_TRUE(m_stream.Writes()[0].bEmpty);
    EXPECT_EQ(0x10u, m_stream.Writes()[0].dwFlags);
    EXPECT_TRUE(m_stream.Writes()[1].bEmpty);
    EXPECT_EQ(0, m_stream.AllocCount());
}

TEST(MediaStream, DeliverWithoutWriterIsRefused)
{
    CTestStream stream;
    EXPECT_EQ(0, stream.DeliverText("x", 0));
    EXPECT_EQ(0, stream.LiveBuffers());
    EXPECT_EQ(0u, stream.GetNextTime());
}

TEST_F(MediaWriterTest, SizeLimitPostsOneOnceAndWritingGoesOnUntilStop)
{
    std::string path = TempPath("orvane_writer_limit.bin");
    ASSERT_TRUE(m_stream.AppendToFile(path.c_str()));
    NotifyWindow window;
    m_writer.SetNotify(window.Handle(), kWriterEvent);
    m_writer.SetFileName(path.c_str());
    m_writer.SetMaxFileSize(1000);

    ASSERT_TRUE(StartAndWaitWriting());
    m_stream.HoldWrites();
    for (DWORD n = 0; n < 10; ++n)
        ASSERT_EQ(1, m_stream.DeliverText(std::string(300, 'a' + n), n * 40));
    m_stream.ReleaseWrites();

    LPARAM lParam = -1;
    ASSERT_TRUE(window.WaitForEvent(&lParam, 5000));
    EXPECT_EQ(1, lParam);
    // Nothing queued for the full file is lost: the owner cuts it when it hears of the limit.
    EXPECT_TRUE(WaitUntil([&] { return m_stream.WriteCalls() == 10; }, 5000));
    EXPECT_TRUE(m_writer.IsWriting()) << "stays set until the owner stops the writer";
    EXPECT_FALSE(window.HasEvent()) << "the limit is told once";

    m_writer.Stop();
    EXPECT_FALSE(m_writer.IsWriting());
    EXPECT_EQ(10u, m_stream.Writes().size());
    m_stream.CloseFile();
    DeleteFileA(path.c_str());
}

TEST_F(MediaWriterTest, WriteFailurePostsZeroAndEndsTheThread)
{
    NotifyWindow window;
    m_writer.SetNotify(window.Handle(), kWriterEvent);
    m_stream.FailWriteNumber(3);
    ASSERT_TRUE(StartAndWaitWriting());
    for (DWORD n = 0; n < 10; ++n)
        ASSERT_EQ(1, m_stream.DeliverText("s", n));

    LPARAM lParam = -1;
    ASSERT_TRUE(window.WaitForEvent(&lParam, 5000));
    EXPECT_EQ(0, lParam);
    Sleep(200);
    EXPECT_EQ(3, m_stream.WriteCalls()) << "nothing is written after the failure";
    EXPECT_TRUE(m_writer.IsWriting());

    // Producers may go on delivering until the owner reacts; Stop frees all of it.
    ASSERT_EQ(1, m_stream.DeliverText("late", 100));
    m_writer.Stop();
    EXPECT_EQ(0, m_stream.LiveBuffers());
    EXPECT_EQ(3, m_stream.WriteCalls());
}

TEST_F(MediaWriterTest, FailedAllocationTravelsAndFailsTheWrite)
{
    NotifyWindow window;
    m_writer.SetNotify(window.Handle(), kWriterEvent);
    m_stream.FailAllocations();
    ASSERT_TRUE(StartAndWaitWriting());
    ASSERT_EQ(1, m_stream.DeliverText("lost", 0));
    LPARAM lParam = -1;
    ASSERT_TRUE(window.WaitForEvent(&lParam, 5000));
    EXPECT_EQ(0, lParam);
}

TEST_F(MediaWriterTest, WithoutNotifyWindowTheThreadEndsSilently)
{
    NotifyWindow window; // exists, but the writer is not told about it
    m_stream.FailWriteNumber(1);
    ASSERT_TRUE(StartAndWaitWriting());
    ASSERT_EQ(1, m_stream.DeliverText("s", 0));
    EXPECT_TRUE(WaitUntil([&] { return !m_writer.IsWriting(); }, 10000));
    EXPECT_FALSE(m_writer.HasWritten());
    EXPECT_FALSE(window.HasEvent());

    // A message number alone is not enough either.
    m_writer.SetNotify(nullptr, kWriterEvent);
    ASSERT_TRUE(StartAndWaitWriting());
    m_stream.FailWriteNumber(2);
    ASSERT_EQ(1, m_stream.DeliverText("t", 0));
    EXPECT_TRUE(WaitUntil([&] { return !m_writer.IsWriting(); }, 10000));
}

TEST_F(MediaWriterTest, StopRightAfterStartReturnsPromptly)
{
    for (int n = 0; n < 20; ++n) {
        ASSERT_EQ(1, m_writer.Start());
        DWORD dwStart = GetTickCount();
        m_writer.Stop();
        ASSERT_LT(ElapsedMs(dwStart), 5000u) << "the writing thread was given up on, not stopped";
        ASSERT_FALSE(m_writer.IsWriting());
    }
}

TEST_F(MediaWriterTest, StartWhileWritingRestartsAndDiscardsOldSamples)
{
    NotifyWindow window;
    m_writer.SetNotify(window.Handle(), kWriterEvent);
    m_stream.FailWriteNumber(1);
    ASSERT_TRUE(StartAndWaitWriting());
    ASSERT_EQ(1, m_stream.DeliverText("fails", 0));
    LPARAM lParam = -1;
    ASSERT_TRUE(window.WaitForEvent(&lParam, 5000));
    ASSERT_EQ(1, m_stream.DeliverText("stale", 1)); // queued after the thread ended

    ASSERT_TRUE(StartAndWaitWriting());
    ASSERT_EQ(1, m_stream.DeliverText("fresh", 2));
    m_writer.Stop();
    ASSERT_EQ(1u, m_stream.Writes().size());
    EXPECT_EQ("fresh", m_stream.Writes()[0].payload);
}

TEST_F(MediaWriterTest, FullQueueBlocksTheProducerInsteadOfDropping)
{
    CTestWriter smallWriter(5);
    CTestStream stream;
    stream.SetWriter(&smallWriter);
    smallWriter.AddStream(&stream);
    ASSERT_EQ(1, smallWriter.Start());
    stream.HoldWrites();

    std::atomic<int> nDelivered{0};
    std::thread producer([&] {
        for (DWORD n = 0; n < 12; ++n) {
            stream.DeliverText(std::to_string(n), n);
            ++nDelivered;
        }
    });
    // One sample is held in WriteSample, five fill the queue, the seventh Deliver blocks.
    EXPECT_TRUE(WaitUntil([&] { return nDelivered.load() >= 6; }, 10000));
    Sleep(400);
    EXPECT_LE(nDelivered.load(), 7);
    stream.ReleaseWrites();
    producer.join();
    smallWriter.Stop();

    ASSERT_EQ(12u, stream.Writes().size());
    for (DWORD n = 0; n < 12; ++n)
        EXPECT_EQ(std::to_string(n), stream.Writes()[n].payload);
    EXPECT_EQ(0, stream.LiveBuffers());
}

TEST(MediaWriter, StreamListKeepsOneEntryPerStream)
{
    CTestWriter writer;
    CTestStream first, second;
    EXPECT_EQ(0, writer.AddStream(nullptr));
    EXPECT_EQ(1, writer.AddStream(&first));
    EXPECT_EQ(1, writer.AddStream(&first));
    EXPECT_EQ(1, writer.GetStreamCount());
    EXPECT_EQ(1, writer.AddStream(&second));
    ASSERT_EQ(2, writer.GetStreamCount());
    EXPECT_EQ(&first, writer.GetStream(0));
    EXPECT_EQ(&second, writer.GetStream(1));
    EXPECT_EQ(nullptr, writer.GetStream(2));
    writer.ClearStreams();
    EXPECT_EQ(0, writer.GetStreamCount());
}

TEST(MediaWriter, TextsAreCopiedAndReadBackWithinTheBuffer)
{
    CTestWriter writer;
    char szBuffer[16] = "unchanged";
    EXPECT_EQ(0, writer.GetFileName(szBuffer, sizeof szBuffer)) << "no name yet";
    EXPECT_STREQ("unchanged", szBuffer);

    std::string name = "C:\\Videos\\20260101.avi";
    ASSERT_EQ(1, writer.SetFileName(name.c_str()));
    name[0] = 'X'; // the writer keeps its own copy
    char szLong[64];
    ASSERT_EQ(1, writer.GetFileName(szLong, sizeof szLong));
    EXPECT_STREQ("C:\\Videos\\20260101.avi", szLong);
    ASSERT_EQ(1, writer.GetFileName(szBuffer, 5));
    EXPECT_STREQ("C:\\V", szBuffer);
    EXPECT_EQ(0, writer.GetFileName(szBuffer, 0));
    EXPECT_EQ(0, writer.GetFileName(nullptr, 10));

    EXPECT_EQ(0, writer.SetFileName(nullptr));
    ASSERT_EQ(1, writer.GetFileName(szLong, sizeof szLong));
    EXPECT_STREQ("C:\\Videos\\20260101.avi", szLong);
    ASSERT_EQ(1, writer.SetFileName(""));
    EXPECT_EQ(0, writer.GetFileName(szLong, sizeof szLong)) << "an empty name reads as none";

    ASSERT_EQ(1, writer.SetExtension("avi"));
    ASSERT_EQ(1, writer.GetExtension(szBuffer, sizeof szBuffer));
    EXPECT_STREQ("avi", szBuffer);
    ASSERT_EQ(1, writer.SetFormatName("Audio Video Interleaved"));
    EXPECT_STREQ("Audio Video Interleaved", writer.GetFormatName());
}
