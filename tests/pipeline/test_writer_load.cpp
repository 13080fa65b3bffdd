// The writer when the disk is slow, stuck or gone: frames give way to sound, producers are
// never left waiting for a writer that has ended, nothing queued is lost at a file cut, and a
// write that never returns does not hold Stop.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "pipeline/CTestStream.h"
#include "pipeline/CTestWriter.h"
#include "pipeline/TestTiming.h"

namespace {
const UINT kWriterEvent = 2027;

std::string TempPath(const char* pszName)
{
    char szDir[MAX_PATH];
    GetTempPathA(MAX_PATH, szDir);
    return std::string(szDir) + pszName;
}

// Waits for the writer's message on a message-only window of the calling thread.
class EventWindow
{
public:
    EventWindow() : m_hWnd(CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {}
    ~EventWindow() { DestroyWindow(m_hWnd); }
    HWND Handle() const { return m_hWnd; }
    bool Wait(LPARAM* plParam, DWORD dwLimitMs)
    {
        MSG msg;
        bool bGot = WaitUntil([&] { return PeekMessageA(&msg, m_hWnd, kWriterEvent, kWriterEvent, PM_REMOVE) != 0; },
                              dwLimitMs);
        if (bGot)
            *plParam = msg.lParam;
        return bGot;
    }

private:
    HWND m_hWnd;
};

class Wired
{
public:
    explicit Wired(int nCapacity = 1000) : writer(nCapacity)
    {
        for (CTestStream* pStream : {&video, &audio}) {
            pStream->SetWriter(&writer);
            writer.AddStream(pStream);
        }
    }
    bool Start()
    {
        return writer.Start() && WaitUntil([&] { return writer.IsWriting() != 0; }, 5000);
    }

    CTestWriter writer;
    CTestStream video;
    CTestStream audio;
};
} // namespace

TEST(WriterUnderLoad, FramesAreDroppedBeforeSoundEverWaits)
{
    Wired wired;
    wired.writer.SetQueueBudget(1024 * 1024);
    ASSERT_TRUE(wired.Start());
    wired.video.HoldWrites(); // a disk that takes nothing for now

    const std::string frame(100 * 1024, 'v');
    int nQueued = 0, nDropped = 0;
    for (DWORD n = 0; n < 30; ++n) {
        if (!wired.writer.MayQueueFrame(static_cast<DWORD>(frame.size())))
            ++nDropped;
        else if (wired.video.DeliverText(frame, n * 50))
            ++nQueued;
    }
    EXPECT_GT(nDropped, 0);
    EXPECT_EQ(nDropped, wired.writer.DroppedFrames());
    EXPECT_LE(wired.writer.QueuedBytes(), wired.writer.GetQueueBudget() / 4 * 3);

    // Sound still finds room at once, and the window's thread never waits, even beyond the budget.
    DWORD dwStart = GetTickCount();
    for (DWORD n = 0; n < 100; ++n)
        ASSERT_EQ(1, wired.audio.DeliverText(std::string(400, 'a'), n * 26));
    const std::string last(600 * 1024, 'z');
    ASSERT_EQ(1, wired.audio.DeliverNow(last.data(), static_cast<DWORD>(last.size()), 2600, 26, 0));
    EXPECT_LT(ElapsedMs(dwStart), 1000u);

    wired.video.ReleaseWrites();
    wired.writer.Stop();
    EXPECT_EQ(static_cast<size_t>(nQueued), wired.video.Writes().size());
    EXPECT_EQ(101u, wired.audio.Writes().size());
    EXPECT_EQ(0, wired.video.LiveBuffers() + wired.audio.LiveBuffers());
}

TEST(WriterUnderLoad, AWriterThatEndsReleasesTheProducersWaitingForRoom)
{
    Wired wired(5);
    EventWindow window;
    wired.writer.SetNotify(window.Handle(), kWriterEvent);
    wired.audio.FailWriteNumber(1);
    ASSERT_TRUE(wired.Start());
    wired.audio.HoldWrites();

    std::atomic<int> nDelivered{0};
    std::atomic<bool> bAllReturned{false};
    std::thread producer([&] {
        for (DWORD n = 0; n < 20; ++n) {
            EXPECT_EQ(1, wired.audio.DeliverText("s", n));
            ++nDelivered;
        }
        bAllReturned = true;
    });
    // One sample is in the (held) write, five fill the queue, the producer waits.
    ASSERT_TRUE(WaitUntil([&] { return nDelivered.load() == 6; }, 5000));
    wired.audio.ReleaseWrites(); // the write fails: the writer ends with a full queue

    LPARAM lParam = -1;
    ASSERT_TRUE(window.Wait(&lParam, 5000));
    EXPECT_EQ(0, lParam);
    EXPECT_TRUE(WaitUntil([&] { return bAllReturned.load(); }, 5000)) << "a producer waits for a writer that has ended";
    EXPECT_TRUE(wired.writer.IsWriting()) << "until the owner stops it";
    wired.writer.Stop();
    producer.join();
    EXPECT_EQ(1, wired.audio.WriteCalls());
    EXPECT_EQ(0, wired.audio.LiveBuffers());
}

TEST(WriterUnderLoad, NothingQueuedIsLostWhenTheFullFileIsCut)
{
    Wired wired(5);
    EventWindow window;
    const std::string first = TempPath("orvane_cut_1.bin"), second = TempPath("orvane_cut_2.bin");
    ASSERT_TRUE(wired.audio.AppendToFile(first.c_str()));
    wired.writer.SetNotify(window.Handle(), kWriterEvent);
    wired.writer.SetFileName(first.c_str());
    wired.writer.SetMaxFileSize(3000);
    ASSERT_TRUE(wired.Start());
    wired.audio.HoldWrites();

    // The source delivers through a relay that the owner holds while it switches files.
    std::mutex relay;
    std::thread source([&] {
        for (DWORD n = 0; n < 200; ++n) {
            std::lock_guard<std::mutex> lock(relay);
            std::string sample = std::to_string(n);
            wired.audio.DeliverText(sample + std::string(300 - sample.size(), '.'), n);
        }
    });
    ASSERT_TRUE(WaitUntil([&] { return wired.writer.QueuedBytes() >= 5 * 300; }, 5000));
    wired.audio.ReleaseWrites();

    LPARAM lParam = -1;
    ASSERT_TRUE(window.Wait(&lParam, 10000));
    ASSERT_EQ(1, lParam);
    {
        std::lock_guard<std::mutex> lock(relay);
        wired.writer.Stop();
        wired.audio.AppendToFile(second.c_str());
        wired.writer.SetFileName(second.c_str());
        wired.writer.SetMaxFileSize(0);
        ASSERT_EQ(1, wired.writer.Start());
    }
    source.join();
    wired.writer.Stop();
    wired.audio.CloseFile();
    DeleteFileA(first.c_str());
    DeleteFileA(second.c_str());

    const auto& writes = wired.audio.Writes();
    ASSERT_EQ(200u, writes.size());
    for (DWORD n = 0; n < 200; ++n)
        EXPECT_EQ(n, writes[n].dwTime);
}

TEST(WriterUnderLoad, StopLeavesAWriteThatNeverReturnsWithAnEmptyQueue)
{
    Wired wired;
    wired.writer.SetStallLimit(500);
    ASSERT_TRUE(wired.Start());
    wired.audio.HoldWrites();
    for (DWORD n = 0; n < 5; ++n)
        ASSERT_EQ(1, wired.audio.DeliverText("stuck", n));
    ASSERT_TRUE(WaitUntil([&] { return wired.audio.WriteCalls() == 0 && wired.writer.QueuedBytes() == 4 * 5; }, 5000));

    DWORD dwStart = GetTickCount();
    wired.writer.Stop();
    EXPECT_LT(ElapsedMs(dwStart), 5000u);
    EXPECT_FALSE(wired.writer.IsWriting());
    EXPECT_EQ(1, wired.audio.LiveBuffers()) << "only the sample inside the write is left";
    EXPECT_EQ(0, wired.writer.Start()) << "no second thread writes beside the stuck one";

    wired.audio.ReleaseWrites();
    EXPECT_TRUE(WaitUntil([&] { return wired.audio.LiveBuffers() == 0; }, 5000));
    ASSERT_TRUE(wired.Start());
    ASSERT_EQ(1, wired.audio.DeliverText("fresh", 0));
    wired.writer.Stop();
    ASSERT_EQ(2u, wired.audio.Writes().size());
    EXPECT_EQ("fresh", wired.audio.Writes().back().payload);
}
