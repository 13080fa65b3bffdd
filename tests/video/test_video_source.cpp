// The timed video source: frame geometry, row conversion into the bottom-up frame, tick timing,
// delivery only once the writer writes, and no frame lost while a full file is switched.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

#include "base/ScopedWin.h"
#include "pipeline/CFileTimeLine.h"
#include "pipeline/CMediaStream.h"
#include "pipeline/CMediaWriter.h"
#include "pipeline/TestTiming.h"
#include "video/CFrameSchedule.h"
#include "video/CVideoSource.h"
#include "support/CNullWriter.h"

namespace {

class CFrameStream : public CMediaStream
{
public:
    int SetEncoder(void*, int) override { return 1; }
    SAMPLEBUFFER AllocSample(DWORD cbSize) override { return reinterpret_cast<SAMPLEBUFFER>(new char[cbSize]); }
    void FreeSample(SAMPLEBUFFER hBuffer) override { delete[] reinterpret_cast<char*>(hBuffer); }
    int FillSample(SAMPLEBUFFER hBuffer, const void* pData, DWORD cbSize) override
    {
        memcpy(reinterpret_cast<char*>(hBuffer), pData, cbSize);
        return 1;
    }
    int WriteSample(CMediaSample* pSample) override
    {
        m_times.push_back(pSample->time);
        DWORD dwFirst = 0;
        memcpy(&dwFirst, reinterpret_cast<char*>(pSample->buffer), sizeof dwFirst);
        m_firstWords.push_back(dwFirst);
        m_nDurations = pSample->duration;
        ReleaseBuffer(pSample->buffer);
        return 1;
    }
    int Deliver(const void* pData, DWORD cbSize, DWORD dwTime, DWORD dwDuration, DWORD dwFlags) override
    {
        ++m_nDelivered;
        m_cbLast = cbSize;
        return CMediaStream::Deliver(pData, cbSize, dwTime, dwDuration, dwFlags);
    }

    std::vector<DWORD> m_times; // written on the writer's thread, read after Stop
    std::vector<DWORD> m_firstWords;
    DWORD m_nDurations = 0;
    std::atomic<int> m_nDelivered{0};
    std::atomic<DWORD> m_cbLast{0};
};


// A top-down 32-bit source whose pixel (x, y) holds x + 1000 * y.
struct TopDownSource
{
    TopDownSource(int nWidth, int nHeight) : pixels(size_t(nWidth) * nHeight)
    {
        bmih.biSize = sizeof(bmih);
        bmih.biWidth = nWidth;
        bmih.biHeight = -nHeight;
        bmih.biPlanes = 1;
        bmih.biBitCount = 32;
        for (int y = 0; y < nHeight; ++y)
            for (int x = 0; x < nWidth; ++x)
                pixels[size_t(y) * nWidth + x] = DWORD(x + 1000 * y);
    }
    BYTE* Bits() { return reinterpret_cast<BYTE*>(pixels.data()); }
    int Stride() const { return bmih.biWidth * 4; }

    BITMAPINFOHEADER bmih = {};
    std::vector<DWORD> pixels;
};

DWORD FramePixel(const BYTE* pFrame, int nStride, int nFrameHeight, int x, int yFromTop)
{
    DWORD dw;
    memcpy(&dw, pFrame + size_t(nFrameHeight - 1 - yFromTop) * nStride + size_t(x) * 4, 4);
    return dw;
}

// Exposes the thread's frame buffer allocation without running a thread.
class CTestSource : public CVideoSource
{
public:
    int Allocate() { return OnThreadStart(); }
};

TEST(VideoSource, OddRectangleGrowsToEvenFrameAndCopiesOnlyTheRectangle)
{
    CTestSource source;
    source.SetWidth(101);
    source.SetHeight(75);
    EXPECT_EQ(102, source.GetFormat()->biWidth);
    EXPECT_EQ(76, source.GetFormat()->biHeight);
    EXPECT_EQ(408, source.GetStride());
    EXPECT_EQ(408u * 76, source.GetFormat()->biSizeImage);
    EXPECT_EQ(40, source.GetFormatSize());
    ASSERT_EQ(1, source.Allocate());

    TopDownSource desktop(300, 200);
    BYTE* pFrame = source.GetFrame(&desktop.bmih, desktop.Bits(), desktop.Stride(), 10, 20);
    ASSERT_NE(nullptr, pFrame);
    // The region's top-left lands at the top of the picture: the frame is bottom-up.
    EXPECT_EQ(DWORD(10 + 1000 * 20), FramePixel(pFrame, 408, 76, 0, 1));
    EXPECT_EQ(DWORD(110 + 1000 * 94), FramePixel(pFrame, 408, 76, 100, 75));
    for (int x = 0; x < 102; ++x)
        EXPECT_EQ(0u, FramePixel(pFrame, 408, 76, x, 0)) << "top row keeps its zero fill";
    for (int y = 0; y < 76; ++y)
        EXPECT_EQ(0u, FramePixel(pFrame, 408, 76, 101, y)) << "extra column keeps its zero fill";
}

TEST(VideoSource, RegionNearTheSourceEdgeIsClipped)
{
    CTestSource source;
    source.SetWidth(64);
    source.SetHeight(64);
    ASSERT_EQ(1, source.Allocate());
    TopDownSource desktop(100, 100);
    BYTE* pFrame = source.GetFrame(&desktop.bmih, desktop.Bits(), desktop.Stride(), 80, 90);
    // 20 columns and 10 rows exist; they fill the first rows of the bottom-up buffer, the
    // rest of the frame stays zero.
    EXPECT_EQ(DWORD(80 + 1000 * 90), FramePixel(pFrame, 256, 64, 0, 54));
    EXPECT_EQ(DWORD(99 + 1000 * 99), FramePixel(pFrame, 256, 64, 19, 63));
    EXPECT_EQ(0u, FramePixel(pFrame, 256, 64, 20, 63));
    EXPECT_EQ(0u, FramePixel(pFrame, 256, 64, 0, 53));
}

TEST(VideoSource, BottomUpAnd24BitSourcesAreConverted)
{
    CTestSource source;
    source.SetWidth(4);
    source.SetHeight(2);
    ASSERT_EQ(1, source.Allocate());

    // A bottom-up 24-bit source of 4x2: its first stored row is the bottom row.
    BITMAPINFOHEADER bmih = {sizeof(bmih), 4, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    BYTE bits[2][12];
    for (int row = 0; row < 2; ++row)
        for (int i = 0; i < 12; ++i)
            bits[row][i] = BYTE(row * 100 + i);
    BYTE* pFrame = source.GetFrame(&bmih, &bits[0][0], 12, 0, 0);
    // Top row of the picture is the source's stored row 1.
    EXPECT_EQ(DWORD(100 | 101 << 8 | 102 << 16), FramePixel(pFrame, 16, 2, 0, 0));
    EXPECT_EQ(DWORD(9 | 10 << 8 | 11 << 16), FramePixel(pFrame, 16, 2, 3, 1));
}

TEST(VideoSource, SourceThatAlreadyIsTheFrameIsNotCopied)
{
    CTestSource source;
    source.SetWidth(64);
    source.SetHeight(64);
    ASSERT_EQ(1, source.Allocate());
    std::vector<BYTE> bits(256 * 70);
    BITMAPINFOHEADER bmih = *source.GetFormat();
    bmih.biHeight = 70;
    EXPECT_EQ(bits.data() + 256 * 3, source.GetFrame(&bmih, bits.data(), 256, 0, 3));
    EXPECT_NE(nullptr, source.GetFrame(nullptr, bits.data(), 256, 0, 0));
}

TEST(FrameSchedule, TicksAreDueFromTheOriginAndLateTicksSkipTheMissedSlots)
{
    CFrameSchedule schedule;
    const LONGLONG llOrigin = 123456789;
    schedule.Start(llOrigin, 30);
    EXPECT_EQ(llOrigin, schedule.DueTime(0));
    EXPECT_EQ(llOrigin + 333333, schedule.DueTime(1));
    EXPECT_EQ(llOrigin + 10000000, schedule.DueTime(30)) << "no rounding error adds up";
    EXPECT_EQ(llOrigin + 36000000000LL, schedule.DueTime(30 * 3600)) << "an hour is an hour";

    EXPECT_EQ(0u, schedule.SlotAt(llOrigin - 5));
    EXPECT_EQ(0u, schedule.SlotAt(llOrigin + 333332));
    EXPECT_EQ(1u, schedule.SlotAt(llOrigin + 333333));
    // A tick 110 ms late for slot 1 takes slot 3, due 100 ms after the origin.
    EXPECT_EQ(3u, schedule.SlotAt(llOrigin + 1100000));
    for (ULONGLONG n : {1ull, 2ull, 29ull, 12345ull}) {
        EXPECT_EQ(n, schedule.SlotAt(schedule.DueTime(n)));
        EXPECT_EQ(n - 1, schedule.SlotAt(schedule.DueTime(n) - 1));
    }

    // Frame times on the grid, to the nearest millisecond, from any instant.
    const DWORD adwAt30[] = {0, 33, 67, 100, 133};
    for (ULONGLONG n = 0; n < 5; ++n)
        EXPECT_EQ(adwAt30[n], schedule.SlotTimeMs(n, llOrigin));
    EXPECT_EQ(75u, schedule.SlotTimeMs(3, llOrigin + 250000)) << "100 ms due, counted from 25 ms";
    EXPECT_EQ(0u, schedule.SlotTimeMs(1, llOrigin + 400000)) << "due before the instant";
    schedule.Start(0, 25);
    EXPECT_EQ(40u * 1500, schedule.SlotTimeMs(1500, 0));
    schedule.Start(0, 0);
    EXPECT_EQ(10000000, schedule.DueTime(1)) << "a rate of 0 counts as 1";
}

// However late the first tick, each later frame's time in whole milliseconds falls into a slot
// of its own on the frame-rate grid (halves rounded up, as a player converting the times does).
TEST(FrameSchedule, TimeLineStartKeepsEachFrameInASlotOfItsOwn)
{
    CFrameSchedule schedule;
    for (UINT nFps : {1u, 6u, 20u, 25u, 30u, 60u}) {
        schedule.Start(5000000, nFps);
        const LONGLONG llPeriod = CFrameSchedule::kUnitsPerSecond / nFps;
        for (LONGLONG llLate : {0LL, llPeriod / 4, llPeriod / 2 - 10000, llPeriod / 2, llPeriod * 9 / 10}) {
            const LONGLONG llNow = schedule.DueTime(7) + llLate;
            const LONGLONG llStart = schedule.TimeLineStart(7, llNow);
            EXPECT_LE(llStart, llNow);
            EXPECT_EQ(0u, schedule.SlotTimeMs(7, llStart));
            for (ULONGLONG k = 1; k < 3u * nFps; ++k)
                ASSERT_EQ(k, (schedule.SlotTimeMs(7 + k, llStart) * nFps + 500) / 1000)
                    << nFps << " fps, first tick " << llLate / 10000 << " ms late, frame " << k;
        }
    }
    schedule.Start(0, 30);
    EXPECT_EQ(120000, schedule.TimeLineStart(0, 120000)) << "an early enough start is kept";
}

TEST(VideoSource, FrameRate)
{
    CVideoSource source;
    source.SetFrameRate(0);
    EXPECT_EQ(1u, source.GetFrameRate());
    source.SetFrameRate(20);
    EXPECT_EQ(20u, source.GetFrameRate());
    EXPECT_EQ(0, source.SetTarget(nullptr));
}

// A 64 x 64 source at 25 frames a second feeding pTarget, whose writer takes the stream.
void Wire(CFrameStream& stream, CNullWriter& writer, CVideoSource& source, CMediaStream* pTarget)
{
    stream.SetWriter(&writer);
    ASSERT_EQ(1, writer.AddStream(&stream));
    source.SetWidth(64);
    source.SetHeight(64);
    source.SetFrameRate(25);
    ASSERT_EQ(1, source.SetTarget(pTarget));
}

TEST(VideoSource, DeliversOnlyWhileTheWriterWritesWithTimesFromTheFirstTick)
{
    CFrameStream stream;
    CNullWriter writer;
    CVideoSource source;
    Wire(stream, writer, source, &stream);
    ASSERT_EQ(1, source.Start());
    Sleep(200);
    EXPECT_EQ(0, stream.m_nDelivered.load()) << "nothing is delivered before the writer runs";

    ASSERT_EQ(1, writer.Start());
    Sleep(1000);
    source.Stop();
    EXPECT_FALSE(source.IsRunning());
    writer.Stop();

    ASSERT_GE(stream.m_times.size(), 10u);
    EXPECT_LE(stream.m_times.size(), 30u);
    EXPECT_EQ(0u, stream.m_times.front()) << "time runs from the first frame the writer takes";
    for (size_t i = 1; i < stream.m_times.size(); ++i) {
        EXPECT_GT(stream.m_times[i], stream.m_times[i - 1]);
        if (i > 1) {
            EXPECT_EQ(0u, (stream.m_times[i] - stream.m_times[i - 1]) % 40) << "times sit on the 25 fps grid";
        }
    }
    EXPECT_EQ(64u * 64 * 4, stream.m_cbLast.load());
    EXPECT_EQ(40u, stream.m_nDurations);
}

// Numbers its frames (1, 2, ...) in their first word.
class CCountingSource : public CVideoSource
{
public:
    BYTE* GetFrame(const BITMAPINFOHEADER*, BYTE*, int, int, int) override
    {
        const DWORD dwNumber = ++m_nTaken;
        memcpy(FrameBits(), &dwNumber, sizeof dwNumber);
        return FrameBits();
    }

    std::atomic<int> m_nTaken{0};
};

TEST(VideoSource, FrameTakenWhileTheFileIsSwitchedWaitsAndStartsTheNextFile)
{
    CFrameStream stream;
    CNullWriter writer;
    CFileTimeLine timeLine(false);
    CCountingSource source;
    Wire(stream, writer, source, &timeLine);
    ASSERT_TRUE(timeLine.Begin(&stream));
    ASSERT_EQ(1, writer.Start());
    ASSERT_EQ(1, source.Start());
    ASSERT_TRUE(WaitUntil([&] { return stream.m_nDelivered.load() >= 5; }, 10000));

    int nDelivered = 0;
    {
        // As the switch at the size limit: the writer restarts while the time line is held,
        // and the source takes its next frame meanwhile.
        CScopedLock held(timeLine.Switching());
        writer.Stop();
        nDelivered = stream.m_nDelivered.load();
        ASSERT_TRUE(WaitUntil([&] { return source.m_nTaken.load() > nDelivered; }, 10000))
            << "no frame was taken while the file was switched";
        ASSERT_EQ(1, writer.Start());
        timeLine.NewFile();
    }
    ASSERT_TRUE(WaitUntil([&] { return stream.m_nDelivered.load() >= nDelivered + 3; }, 10000));
    source.Stop();
    writer.Stop();

    const auto next = std::find(stream.m_times.begin() + 1, stream.m_times.end(), 0u);
    ASSERT_NE(stream.m_times.end(), next) << "the next file's time starts at 0";
    EXPECT_EQ(DWORD(nDelivered + 1), stream.m_firstWords[next - stream.m_times.begin()])
        << "the next file starts with the frame taken during the switch";
    for (size_t i = 1; i < stream.m_firstWords.size(); ++i)
        EXPECT_EQ(stream.m_firstWords[i - 1] + 1, stream.m_firstWords[i]) << "frame " << i << " was lost";
}

} // namespace
