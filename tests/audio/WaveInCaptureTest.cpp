// The capture thread against a stand-in device: block sizes and time stamps, the give-back
// order of the buffers, the catch-up deliveries, the gate, start failures and stopping.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "CRecordingStream.h"
#include "FakeSound.h"
#include "audio/CWaveInCapture.h"
#include "pipeline/CRelayStream.h"

namespace {

const DWORD kBlock = 4608;

// Opens up the thread's steps so that the loop can be driven with scripted message times.
class CCaptureProbe : public CWaveInCapture
{
public:
    using CWaveInCapture::HandleMessage;
    using CWaveInCapture::Header;
    using CWaveInCapture::IsDeviceOpen;
    using CWaveInCapture::LastReturned;
    using CWaveInCapture::OnThreadEnd;
    using CWaveInCapture::OnThreadStart;

    int IndexOf(const WAVEHDR* pHeader) const
    {
        for (int i = 0; i < kBufferCount; ++i) {
            if (&Header(i) == pHeader)
                return i;
        }
        return -1;
    }
};

// Keeps only how far the stamps strayed from the clock: an hour of blocks is too much to keep.
class CStampStream : public CRelayStream
{
public:
    int Deliver(const void*, DWORD, DWORD dwTime, DWORD dwDuration, DWORD) override
    {
        ++nDelivered;
        dwEnd = dwTime + dwDuration;
        return nRefuseFrom == 0 || nDelivered < nRefuseFrom;
    }

    DWORD nDelivered = 0;
    DWORD dwEnd = 0;
    DWORD nRefuseFrom = 0; // the delivery that is refused, 0 for none
};

MSG ReturnedMessage(WAVEHDR* pHeader, DWORD dwTime)
{
    MSG msg = {};
    msg.message = MM_WIM_DATA;
    msg.lParam = LPARAM(pHeader);
    msg.time = dwTime;
    return msg;
}

class WaveInCaptureTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_capture.SetSoundFunctions(m_fake.Functions());
        m_capture.SetBlockSize(kBlock);
        m_capture.SetStream(&m_audio);
        m_audio.SetWriter(&m_writer);
        m_writer.AddStream(&m_audio);
    }
    void TearDown() override
    {
        if (m_capture.IsDeviceOpen())
            m_capture.OnThreadEnd();
        m_writer.Stop();
    }

    // Returns the device's next buffer to the loop as if it arrived dwTime ms after 1000000.
    void Return(DWORD dwTime, BYTE bFill = 0x11)
    {
        WAVEHDR* pHeader = m_fake.ReturnNext(kBlock, bFill);
        ASSERT_NE(nullptr, pHeader);
        m_capture.HandleMessage(ReturnedMessage(pHeader, 1000000 + dwTime));
    }

    bool WaitUntilStopped(DWORD dwLimitMs)
    {
        const DWORD dwStart = GetTickCount();
        while (m_capture.IsRunning() && GetTickCount() - dwStart < dwLimitMs)
            Sleep(20);
        return !m_capture.IsRunning();
    }

    // A video stream beside the sound, as in a recording with pictures.
    void AddVideo(CRecordingStream& video)
    {
        video.SetWriter(&m_writer);
        m_writer.AddStream(&video);
    }

    std::vector<int> AddedIndices() const
    {
        std::vector<int> indices;
        for (const WAVEHDR* pHeader : m_fake.added)
            indices.push_back(m_capture.IndexOf(pHeader));
        return indices;
    }

    CFakeSound m_fake;
    CRecordingStream m_audio;
    CStartedWriter m_writer;
    CCaptureProbe m_capture;
};

TEST(WaveInCaptureBlocks, StampsBlocksByCountAt44100HzStereo)
{
    CWaveInCapture capture;
    capture.SetBlockSize(kBlock);
    EXPECT_EQ(kBlock, capture.BlockSize());
    EXPECT_EQ(0u, capture.BlockTimeMs(0));
    EXPECT_EQ(26u, capture.BlockTimeMs(1));
    EXPECT_EQ(52u, capture.BlockTimeMs(2));
    EXPECT_EQ(78u, capture.BlockTimeMs(3));
    EXPECT_EQ(26u, capture.BlockDurationMs());
    // Far into a long recording the stamps still come from the count, not a running sum.
    EXPECT_EQ(7200000u, capture.BlockTimeMs(275625));
}

TEST(WaveInCaptureBlocks, NoRequestedSizeMeansOneSecond)
{
    CWaveInCapture capture;
    EXPECT_EQ(176400u, capture.BlockSize());
    EXPECT_EQ(1000u, capture.BlockDurationMs());
    capture.SetSampleRate(22050);
    capture.SetChannels(1);
    EXPECT_EQ(44100u, capture.BlockSize());
    EXPECT_EQ(1000u, capture.BlockDurationMs());
}

TEST(WaveInCaptureBlocks, RoundsRequestedSizeUpToWholeSamples)
{
    CWaveInCapture capture;
    capture.SetBlockSize(4607);
    EXPECT_EQ(4608u, capture.BlockSize());
    capture.SetBlockSize(4609);
    EXPECT_EQ(4610u, capture.BlockSize());
    capture.SetBitsPerSample(8);
    capture.SetBlockSize(4609);
    EXPECT_EQ(4609u, capture.BlockSize());
}

TEST(WaveInCaptureSettings, DefaultsAndVolumeLimit)
{
    CWaveInCapture capture;
    EXPECT_EQ(UINT(WAVE_MAPPER), capture.GetDevice());
    EXPECT_EQ(-1, capture.GetInput());
    EXPECT_EQ(20000u, capture.GetLeftVolume());
    EXPECT_EQ(20000u, CWaveInCapture::DefaultVolume());
    EXPECT_EQ(0xFFFFu, CWaveInCapture::MaxVolume());
    capture.SetVolume(0x10000, 300);
    EXPECT_EQ(0xFFFFu, capture.GetLeftVolume());
    EXPECT_EQ(300u, capture.GetRightVolume());
    EXPECT_FALSE(capture.SetStream(nullptr));
}

TEST_F(WaveInCaptureTest, OpensTheDeviceWithEightQueuedBuffers)
{
    ASSERT_EQ(1, m_capture.OnThreadStart());
    EXPECT_EQ(GetCurrentThreadId(), m_fake.dwCallbackThread);
    EXPECT_EQ(UINT(WAVE_MAPPER), m_fake.uOpenedDevice);
    EXPECT_EQ(1, m_fake.nStarted);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}), AddedIndices());
    for (int i = 0; i < CWaveInCapture::kBufferCount; ++i) {
        EXPECT_EQ(kBlock, m_capture.Header(i).dwBufferLength);
        EXPECT_NE(0u, m_capture.Header(i).dwUser);
    }
    const WAVEFORMATEX& format = m_capture.Format();
    EXPECT_EQ(WAVE_FORMAT_PCM, format.wFormatTag);
    EXPECT_EQ(4, format.nBlockAlign);
    EXPECT_EQ(176400u, format.nAvgBytesPerSec);
    // Device -1 leaves the mixer alone.
    EXPECT_EQ(0, m_fake.nMixerCalls);

    m_capture.OnThreadEnd();
    EXPECT_EQ(1, m_fake.nClosed);
    EXPECT_EQ(1, m_fake.nReset);
    EXPECT_EQ(0, m_fake.nPrepared);
    EXPECT_EQ(0u, m_capture.Header(0).dwUser);
    EXPECT_EQ(0, m_fake.nMixerCalls);
}

TEST_F(WaveInCaptureTest, GivesBackEachBufferWhenTheNextOneArrives)
{
    ASSERT_TRUE(m_writer.StartAndWait());
    ASSERT_EQ(1, m_capture.OnThreadStart());
    m_fake.added.clear();

    Return(0);
    EXPECT_TRUE(AddedIndices().empty());
    EXPECT_EQ(0, m_capture.LastReturned());
    EXPECT_EQ(nullptr, m_capture.Header(0).lpData);
    EXPECT_EQ(7u, m_fake.QueuedCount());

    Return(26);
    EXPECT_EQ((std::vector<int>{0}), AddedIndices());
    Return(52);
    EXPECT_EQ((std::vector<int>{0, 1}), AddedIndices());
    EXPECT_EQ(7u, m_fake.QueuedCount());

    // Round the ring: after buffer 7 comes buffer 0 again, and 7 goes back when it does.
    for (DWORD i = 3; i <= 8; ++i)
        Return(26 * i);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}), AddedIndices());
    EXPECT_EQ(0, m_capture.LastReturned());
    EXPECT_EQ(7u, m_fake.QueuedCount());
}

TEST_F(WaveInCaptureTest, QueuesAllSkippedBuffersWhenOneWasLost)
{
    ASSERT_EQ(1, m_capture.OnThreadStart());
    m_fake.added.clear();
    Return(0);                    // buffer 0
    m_fake.ReturnNext(kBlock, 0); // buffers 1 and 2 are lost by the device
    m_fake.ReturnNext(kBlock, 0);
    Return(100); // buffer 3
    EXPECT_EQ((std::vector<int>{0, 1, 2}), AddedIndices());
}

TEST_F(WaveInCaptureTest, DeliversALateBlockAgainUntilTheClockIsCaughtUp)
{
    ASSERT_TRUE(m_writer.StartAndWait());
    ASSERT_EQ(1, m_capture.OnThreadStart());
    Return(0, 0x10);
    Return(26, 0x11);
    Return(52, 0x12);
    EXPECT_EQ(3u, m_capture.BlockCount());
    Return(180, 0x13);
    EXPECT_EQ(7u, m_capture.BlockCount());

    std::vector<CRecordingStream::Delivery> deliveries = m_audio.Deliveries();
    ASSERT_EQ(7u, deliveries.size());
    const DWORD adwTimes[] = {0, 26, 52, 78, 104, 130, 156};
    for (size_t i = 0; i < deliveries.size(); ++i) {
        EXPECT_EQ(adwTimes[i], deliveries[i].dwTime) << i;
        EXPECT_EQ(26u, deliveries[i].dwDuration) << i;
        EXPECT_EQ(kBlock, deliveries[i].cbSize);
        EXPECT_EQ(0u, deliveries[i].dwFlags);
    }
    // The repeats carry the late block's own sound.
    for (size_t i = 3; i < 7; ++i)
        EXPECT_EQ(std::string(kBlock, '\x13'), deliveries[i].payload) << i;
    EXPECT_EQ(std::string(kBlock, '\x12'), deliveries[2].payload);
}

TEST_F(WaveInCaptureTest, SoundHeldBackByAStallPaysTheRepeatsBack)
{
    ASSERT_TRUE(m_writer.StartAndWait());
    ASSERT_EQ(1, m_capture.OnThreadStart());
    Return(0, 0x10);
    Return(26, 0x11);
    Return(52, 0x12);
    Return(180, 0x13); // a stall: delivered four times
    // The held-back blocks come in a burst, then the device keeps its pace again.
    const DWORD adwArrivals[] = {181, 182, 183, 208, 234, 260};
    for (int i = 0; i < 6; ++i)
        Return(adwArrivals[i], static_cast<BYTE>(0x14 + i));

    // Blocks 0x15 and 0x17 pay back two of the three repeats: the count is back on the clock.
    EXPECT_EQ(11u, m_capture.BlockCount());
    std::string delivered;
    for (const CRecordingStream::Delivery& delivery : m_audio.Deliveries())
        delivered += delivery.payload[0];
    EXPECT_EQ(std::string("\x10\x11\x12\x13\x13\x13\x13\x14\x16\x18\x19"), delivered);
    EXPECT_LT(m_audio.Deliveries().back().dwTime, 260u + 26u);
}

TEST_F(WaveInCaptureTest, ADeviceWhoseClockRunsFastStaysOnTheSystemClock)
{
    // 0.1% fast: over ten minutes it hands over 0.6 s more sound than the clock has run.
    CStampStream stamps;
    stamps.SetWriter(&m_writer);
    m_capture.SetStream(&stamps);
    m_fake.bKeepLog = false;
    ASSERT_TRUE(m_writer.StartAndWait());
    ASSERT_EQ(1, m_capture.OnThreadStart());
    const double dBlockMs = kBlock * 1000.0 / 176400;
    const DWORD nBlocks = DWORD(10 * 60 * 1000 / dBlockMs);
    LONG nWorst = 0;
    DWORD dwArrival = 0;
    for (DWORD k = 0; k < nBlocks; ++k) {
        dwArrival = DWORD(k * dBlockMs / 1.001);
        Return(dwArrival);
        const LONG nAhead = LONG(stamps.dwEnd - dwArrival);
        nWorst = std::max(nWorst, std::abs(nAhead));
    }
    // The end of the sound handed over stays within two blocks of the clock.
    EXPECT_LE(nWorst, LONG(2 * dBlockMs) + 1);
    EXPECT_LT(stamps.nDelivered, nBlocks - 15) << "surplus blocks are dropped";
    m_capture.OnThreadEnd();
}

TEST_F(WaveInCaptureTest, ABlockTheStreamRefusesEndsTheSoundThere)
{
    CStampStream stamps;
    stamps.nRefuseFrom = 3;
    stamps.SetWriter(&m_writer);
    m_capture.SetStream(&stamps);
    ASSERT_TRUE(m_writer.StartAndWait());
    ASSERT_EQ(1, m_capture.OnThreadStart());
    for (DWORD i = 0; i < 3; ++i)
        Return(i * 26);
    DWORD dwAt = 0;
    ASSERT_TRUE(m_capture.SoundStopped(&dwAt));
    EXPECT_EQ(m_capture.BlockTimeMs(2), dwAt);
}

TEST_F(WaveInCaptureTest, ADeviceThatFallsSilentEndsTheSoundAndSaysWhen)
{
    ASSERT_TRUE(m_writer.StartAndWait());
    ASSERT_EQ(1, m_capture.Start());
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(m_fake.PostNext(kBlock, BYTE(i)));
        Sleep(27);
    }
    // Then nothing comes back: unplugged, or its sound server gone.
    ASSERT_TRUE(WaitUntilStopped(m_capture.SilenceLimitMs() + 10000));
    DWORD dwAt = 0;
    ASSERT_TRUE(m_capture.SoundStopped(&dwAt));
    EXPECT_EQ(m_capture.BlockTimeMs(m_capture.BlockCount()), dwAt);
    EXPECT_GE(m_capture.BlockCount(), 3u);
    EXPECT_EQ(1, m_fake.nClosed) << "the thread closed the device itself";
    EXPECT_EQ(0, m_fake.nPrepared);
    m_capture.Stop();
    EXPECT_TRUE(m_capture.SoundStopped(nullptr)) << "kept for the owner after the stop";
}

TEST_F(WaveInCaptureTest, DurationsFollowTheTruncatedStamps)
{
    ASSERT_TRUE(m_writer.StartAndWait());
    ASSERT_EQ(1, m_capture.OnThreadStart());
    for (DWORD i = 0; i < 40; ++i)
        Return(i * 26);
    std::vector<CRecordingStream::Delivery> deliveries = m_audio.Deliveries();
    ASSERT_FALSE(deliveries.empty());
    for (size_t i = 0; i + 1 < deliveries.size(); ++i)
        EXPECT_EQ(deliveries[i].dwTime + deliveries[i].dwDuration, deliveries[i + 1].dwTime) << i;
    // 26 ms messages fall behind the true 26.12 ms blocks, so nothing is repeated.
    EXPECT_EQ(40u, deliveries.size());
}

TEST_F(WaveInCaptureTest, AudioOnlyWriterGetsBlocksAsSoonAsItWrites)
{
    ASSERT_TRUE(m_writer.StartAndWait());
    ASSERT_FALSE(m_writer.HasWritten());
    ASSERT_EQ(1, m_capture.OnThreadStart());
    Return(0);
    EXPECT_EQ(1u, m_audio.DeliveryCount());
}

TEST_F(WaveInCaptureTest, DropsBlocksWhileTheWriterIsNotWriting)
{
    ASSERT_EQ(1, m_capture.OnThreadStart());
    Return(0);
    Return(26);
    EXPECT_EQ(0u, m_audio.DeliveryCount());
    ASSERT_TRUE(m_writer.StartAndWait());
    Return(500);
    Return(526);
    std::vector<CRecordingStream::Delivery> deliveries = m_audio.Deliveries();
    ASSERT_EQ(2u, deliveries.size());
    // The clock starts with the first block that passes the gate.
    EXPECT_EQ(0u, deliveries[0].dwTime);
    EXPECT_EQ(26u, deliveries[1].dwTime);
    // Dropped blocks went back to the device all the same.
    EXPECT_EQ(7u, m_fake.QueuedCount());
}

TEST_F(WaveInCaptureTest, WithVideoDropsBlocksUntilTheFirstFrameIsQueued)
{
    CRecordingStream video(true);
    AddVideo(video);
    ASSERT_TRUE(m_writer.StartAndWait());
    ASSERT_EQ(1, m_capture.OnThreadStart());

    Return(0);
    Return(26);
    EXPECT_EQ(0u, m_audio.DeliveryCount());

    // The sound starts with the first frame's time, not when a slow disk gets to write it.
    ASSERT_EQ(1, video.Deliver("frame", 5, 0, 40, 0));
    ASSERT_TRUE(m_writer.HasQueued());

    Return(52);
    Return(78);
    std::vector<CRecordingStream::Delivery> deliveries = m_audio.Deliveries();
    ASSERT_EQ(2u, deliveries.size());
    EXPECT_EQ(0u, deliveries[0].dwTime);
    EXPECT_EQ(26u, deliveries[1].dwTime);
    m_writer.Stop();
    m_writer.ClearStreams();
}

TEST_F(WaveInCaptureTest, OnceTheSoundHasBegunARestartedWriterCostsNoBlock)
{
    CRecordingStream video(true);
    AddVideo(video);
    ASSERT_TRUE(m_writer.StartAndWait());
    ASSERT_EQ(1, m_capture.OnThreadStart());
    ASSERT_EQ(1, video.Deliver("frame", 5, 0, 40, 0));
    Return(0);

    // A full file is switched for the next: the writer restarts, with no frame of its own yet.
    m_writer.Stop();
    ASSERT_TRUE(m_writer.StartAndWait());
    Return(26);
    Return(52);
    std::vector<CRecordingStream::Delivery> deliveries = m_audio.Deliveries();
    ASSERT_EQ(3u, deliveries.size());
    EXPECT_EQ(26u, deliveries[1].dwTime);
    EXPECT_EQ(52u, deliveries[2].dwTime);
    m_writer.Stop();
    m_writer.ClearStreams();
}

TEST_F(WaveInCaptureTest, IgnoresForeignMessagesAndUnknownBuffers)
{
    ASSERT_TRUE(m_writer.StartAndWait());
    ASSERT_EQ(1, m_capture.OnThreadStart());
    MSG other = ReturnedMessage(nullptr, 5);
    m_capture.HandleMessage(other);
    other.message = WM_TIMER;
    other.lParam = LPARAM(&m_capture.Header(0));
    m_capture.HandleMessage(other);
    WAVEHDR stranger = {};
    char abData[16] = {};
    stranger.lpData = abData;
    stranger.dwBufferLength = sizeof(abData);
    m_capture.HandleMessage(ReturnedMessage(&stranger, 5));
    EXPECT_EQ(0u, m_audio.DeliveryCount());
    EXPECT_EQ(-1, m_capture.LastReturned());
}

TEST_F(WaveInCaptureTest, FailedOpenFailsTheStartAndLeavesNothingOpen)
{
    m_fake.bFailOpen = true;
    EXPECT_EQ(0, m_capture.Start());
    EXPECT_FALSE(m_capture.IsRunning());
    EXPECT_EQ(0, m_fake.nClosed);
    EXPECT_FALSE(m_capture.IsDeviceOpen());
}

TEST_F(WaveInCaptureTest, AMissingDeviceFailsTheStartWithoutAskingTheMixerOrTheDevice)
{
    m_capture.SetDevice(1); // the fake has device 0 only
    m_capture.SetInput(0);
    EXPECT_EQ(0, m_capture.Start());
    m_capture.SetDevice(UINT(WAVE_MAPPER));
    m_fake.deviceNames.clear();
    EXPECT_EQ(0, m_capture.Start());
    EXPECT_EQ(0, m_fake.nOpened);
    EXPECT_EQ(0, m_fake.nMixerCalls);
}

TEST_F(WaveInCaptureTest, FailedDeviceStartClosesAndFreesEverything)
{
    m_fake.bFailStart = true;
    EXPECT_EQ(0, m_capture.Start());
    EXPECT_FALSE(m_capture.IsRunning());
    EXPECT_EQ(1, m_fake.nOpened);
    EXPECT_EQ(1, m_fake.nClosed);
    EXPECT_EQ(0, m_fake.nPrepared);
    EXPECT_FALSE(m_capture.IsDeviceOpen());
    for (int i = 0; i < CWaveInCapture::kBufferCount; ++i)
        EXPECT_EQ(0u, m_capture.Header(i).dwUser);
}

TEST_F(WaveInCaptureTest, RecordsOnItsOwnThreadAndDeliversTheLastBlockAfterStop)
{
    ASSERT_TRUE(m_writer.StartAndWait());
    ASSERT_EQ(1, m_capture.Start());
    EXPECT_NE(GetCurrentThreadId(), m_fake.dwCallbackThread);
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(m_fake.PostNext(kBlock, BYTE(i)));
        Sleep(30);
    }
    for (int i = 0; i < 2000 && m_audio.DeliveryCount() < 5; ++i)
        Sleep(5);
    EXPECT_GE(m_audio.DeliveryCount(), 5u);

    // A block that comes back shortly after the stop request is still delivered.
    HANDLE hLate = CreateThread(
        nullptr, 0,
        [](LPVOID pFake) -> DWORD {
            Sleep(10);
            static_cast<CFakeSound*>(pFake)->PostNext(kBlock, 9);
            return 0;
        },
        &m_fake, 0, nullptr);
    m_capture.Stop();
    WaitForSingleObject(hLate, INFINITE);
    CloseHandle(hLate);
    // Posted 30 ms apart, the blocks run behind the clock, so one may be delivered twice.
    std::vector<CRecordingStream::Delivery> deliveries = m_audio.Deliveries();
    ASSERT_GE(deliveries.size(), 6u);
    EXPECT_EQ(std::string(kBlock, '\x09'), deliveries.back().payload);
    EXPECT_EQ(1, m_fake.nClosed);
    EXPECT_EQ(0, m_fake.nPrepared);
}

TEST_F(WaveInCaptureTest, StopReturnsPromptlyWhenTheDeviceFallsSilent)
{
    ASSERT_TRUE(m_writer.StartAndWait());
    ASSERT_EQ(1, m_capture.Start());
    ASSERT_TRUE(m_fake.PostNext(kBlock, 1));
    Sleep(50);
    // The device vanished: no buffer comes back any more.
    m_capture.Stop();
    EXPECT_EQ(1, m_fake.nClosed) << "the device was not closed: the thread was killed";
    EXPECT_EQ(0, m_fake.nPrepared);
}

TEST_F(WaveInCaptureTest, StartsAgainWithAFreshCount)
{
    ASSERT_TRUE(m_writer.StartAndWait());
    ASSERT_EQ(1, m_capture.OnThreadStart());
    Return(0);
    Return(200);
    EXPECT_GT(m_capture.BlockCount(), 2u);
    EXPECT_TRUE(m_capture.IsReceiving());
    m_capture.OnThreadEnd();
    EXPECT_FALSE(m_capture.IsReceiving());
    ASSERT_EQ(1, m_capture.OnThreadStart());
    EXPECT_EQ(0u, m_capture.BlockCount());
    EXPECT_EQ(-1, m_capture.LastReturned());
    Return(5000);
    EXPECT_EQ(1u, m_capture.BlockCount());
}

} // namespace
