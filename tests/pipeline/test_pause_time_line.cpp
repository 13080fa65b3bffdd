// The time lines of a recording with pauses: pictures move back by the paused time, sound
// leaves out whole blocks closest to it and stays back to back, both stay in step across many
// pauses and across the switch to a new file at the size limit.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "pipeline/CPauseTimeLine.h"

namespace {

// Keeps the times it is given; its data is one byte, the number of the source's sample.
class CTimes : public CMediaStream
{
public:
    struct Entry
    {
        DWORD dwTime, dwDuration;
        int nSample;
        int nFile;
    };

    int Deliver(const void* pData, DWORD cbSize, DWORD dwTime, DWORD dwDuration, DWORD) override
    {
        // A new file's time line starts with its first sample, as the graph's file relay does.
        if (m_bNewFile) {
            m_dwOrigin = dwTime;
            m_bNewFile = false;
        }
        const int nSample = cbSize ? *static_cast<const int*>(pData) : -1;
        m_entries.push_back({dwTime - m_dwOrigin, dwDuration, nSample, m_nFile});
        return 1;
    }
    void NewFile()
    {
        m_bNewFile = true;
        ++m_nFile;
    }
    int SetEncoder(void*, int) override { return 1; }
    SAMPLEBUFFER AllocSample(DWORD) override { return SAMPLEBUFFER_FAILED; }
    void FreeSample(SAMPLEBUFFER) override {}
    int FillSample(SAMPLEBUFFER, const void*, DWORD) override { return 0; }
    int WriteSample(CMediaSample*) override { return 0; }

    std::vector<Entry> m_entries;

private:
    bool m_bNewFile = false;
    DWORD m_dwOrigin = 0;
    int m_nFile = 0;
};

// Sound blocks of 1152 samples at 44100 Hz, timed as the wave-in capture times them.
DWORD BlockTime(int k)
{
    return static_cast<DWORD>(1152.0 * k * 1000.0 / 44100);
}
const DWORD kBlockMs = BlockTime(1); // 26

int DeliverNumbered(CPauseTimeLine& relay, int n, DWORD dwTime, DWORD dwDuration)
{
    return relay.Deliver(&n, sizeof(n), dwTime, dwDuration, 0);
}

} // namespace

TEST(PauseTimeLine, PicturesMoveBackByThePausedTime)
{
    CTimes times;
    CPauseTimeLine relay(CPauseTimeLine::TIMED);
    ASSERT_EQ(&relay, relay.Begin(&times));
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(DeliverNumbered(relay, i, i * 50, 50));
    EXPECT_EQ(1000u, relay.RecordedMs());

    relay.Pause();
    EXPECT_TRUE(relay.IsPaused());
    for (int i = 20; i < 60; ++i)
        ASSERT_TRUE(DeliverNumbered(relay, i, i * 50 + 3, 50)) << "held back, not a failure";
    EXPECT_EQ(20u, times.m_entries.size()) << "nothing passes while paused";
    EXPECT_EQ(1000u, relay.RecordedMs()) << "the recorded time stands still";

    relay.Resume(2010);
    EXPECT_FALSE(relay.IsPaused());
    for (int i = 60; i < 80; ++i)
        ASSERT_TRUE(DeliverNumbered(relay, i, i * 50 + 3, 50));
    ASSERT_EQ(40u, times.m_entries.size());
    EXPECT_EQ(60, times.m_entries[20].nSample);
    EXPECT_EQ(60u * 50 + 3 - 2010, times.m_entries[20].dwTime);
    EXPECT_EQ(79u * 50 + 3 - 2010, times.m_entries.back().dwTime);
    EXPECT_EQ(79u * 50 + 3 - 2010 + 50, relay.RecordedMs());

    // A second pause adds to the first; a resume without a pause changes nothing. A picture
    // taken during the pause but handed over after it belongs to the paused span.
    relay.Resume(500);
    relay.Pause();
    relay.Pause();
    DeliverNumbered(relay, 80, 80 * 50, 50);
    relay.Resume(1000);
    DeliverNumbered(relay, 81, 80 * 50 + 20, 50);
    DeliverNumbered(relay, 82, 100 * 50, 50);
    EXPECT_EQ(82, times.m_entries.back().nSample);
    EXPECT_EQ(41u, times.m_entries.size());
    EXPECT_EQ(100u * 50 - 3010, times.m_entries.back().dwTime);
}

TEST(PauseTimeLine, SoundLeavesOutTheBlocksClosestToThePauseAndStaysBackToBack)
{
    struct Case
    {
        int nHeldBack;    // blocks that arrived while paused
        DWORD dwPausedMs; // what the clock says the pause lasted
    };
    // Fewer blocks came than the pause lasted (they come late), as many, and more (a burst).
    for (Case c : {Case{30, 1000}, Case{38, 1000}, Case{45, 1000}, Case{5, 900}}) {
        CTimes times;
        CPauseTimeLine relay(CPauseTimeLine::CONTIGUOUS);
        relay.Begin(&times);
        int k = 0;
        for (; k < 40; ++k)
            DeliverNumbered(relay, k, BlockTime(k), BlockTime(k + 1) - BlockTime(k));
        relay.Pause();
        for (int n = 0; n < c.nHeldBack; ++n, ++k)
            DeliverNumbered(relay, k, BlockTime(k), BlockTime(k + 1) - BlockTime(k));
        relay.Resume(c.dwPausedMs);
        for (int n = 0; n < 80; ++n, ++k)
            DeliverNumbered(relay, k, BlockTime(k), BlockTime(k + 1) - BlockTime(k));

        const std::vector<CTimes::Entry>& out = times.m_entries;
        for (size_t i = 1; i < out.size(); ++i)
            ASSERT_EQ(out[i - 1].dwTime + out[i - 1].dwDuration, out[i].dwTime) << "back to back at " << i;
        // The blocks left out are one run, as long as the pause to within half a block.
        int nFirstAfter = -1;
        for (size_t i = 1; i < out.size() && nFirstAfter < 0; ++i)
            if (out[i].nSample != out[i - 1].nSample + 1)
                nFirstAfter = out[i].nSample;
        ASSERT_GT(nFirstAfter, 0);
        const LONG nLeftOut = static_cast<LONG>(BlockTime(nFirstAfter) - BlockTime(40));
        EXPECT_LE(std::labs(nLeftOut - static_cast<LONG>(c.dwPausedMs)), static_cast<LONG>(kBlockMs / 2 + 1))
            << c.nHeldBack << " blocks held back, " << nLeftOut << " ms left out";
        EXPECT_EQ(out.back().dwTime + out.back().dwDuration, relay.RecordedMs());
    }
}

// Paused before any sample was passed on (the user paused at once, before the first picture
// reached the file): the recording begins with the first samples after the pause, each time
// line at 0, and the pause owes neither source anything more. (Pictures used to come out at a
// time before 0, wrapped round; sound lost the pause's length after it.)
TEST(PauseTimeLine, APauseBeforeTheFirstSampleOwesNothing)
{
    CTimes pictures;
    CPauseTimeLine video(CPauseTimeLine::TIMED);
    video.Begin(&pictures);
    CTimes sound;
    CPauseTimeLine audio(CPauseTimeLine::CONTIGUOUS);
    audio.Begin(&sound);
    video.Pause();
    audio.Pause();
    // The picture source's time line begins during the pause; the sound's gate opens late in it.
    for (int i = 0; i < 4; ++i)
        DeliverNumbered(video, i, i * 50, 50);
    int k = 0;
    for (; k < 3; ++k)
        DeliverNumbered(audio, k, BlockTime(k), kBlockMs);
    video.Resume(1000);
    audio.Resume(1000);
    for (int i = 4; i < 8; ++i)
        DeliverNumbered(video, i, i * 50, 50);
    for (; k < 8; ++k)
        DeliverNumbered(audio, k, BlockTime(k), BlockTime(k + 1) - BlockTime(k));

    ASSERT_EQ(4u, pictures.m_entries.size());
    EXPECT_EQ(4, pictures.m_entries[0].nSample);
    EXPECT_EQ(0u, pictures.m_entries[0].dwTime);
    EXPECT_EQ(150u, pictures.m_entries[3].dwTime);
    EXPECT_EQ(200u, video.RecordedMs());
    ASSERT_EQ(5u, sound.m_entries.size()) << "the sound after the pause is all there";
    EXPECT_EQ(3, sound.m_entries[0].nSample);
    EXPECT_EQ(0u, sound.m_entries[0].dwTime);
}

// Pictures stamped by the clock, sound blocks stamped by their count and handed over late with
// some jitter, a dozen pauses of odd lengths: in every stretch between pauses the sound is moved
// back as far as the pictures, to within half a block.
TEST(PauseTimeLine, PicturesAndSoundStayInStepAcrossManyPauses)
{
    CTimes pictures, sound;
    CPauseTimeLine video(CPauseTimeLine::TIMED), audio(CPauseTimeLine::CONTIGUOUS);
    video.Begin(&pictures);
    audio.Begin(&sound);
    const DWORD pauses[][2] = {{1000, 1700},   {2300, 2310},   {3001, 5999},   {6500, 6890},
                               {7000, 7333},   {8000, 9012},   {9500, 9550},   {10000, 12345},
                               {13000, 13013}, {14000, 14777}, {15555, 16000}, {17000, 18500}};
    const int nPauses = sizeof(pauses) / sizeof(pauses[0]);
    const int nLate[] = {12, 40, 25, 3, 58, 31, 17, 44};

    // The latest shift (time taken minus time in the recording) of each stretch, by stream.
    std::vector<LONG> videoShift(nPauses + 1, -1), audioShift(nPauses + 1, -1);
    auto note = [](const CTimes& times, size_t nBefore, DWORD dwTaken, LONG& nShift) {
        if (times.m_entries.size() > nBefore)
            nShift = static_cast<LONG>(dwTaken - times.m_entries.back().dwTime);
    };
    int nPause = 0, nBlock = 0;
    for (DWORD w = 0; w < 20000; ++w) {
        if (nPause < nPauses && w == pauses[nPause][0]) {
            video.Pause();
            audio.Pause();
        } else if (nPause < nPauses && w == pauses[nPause][1]) {
            video.Resume(pauses[nPause][1] - pauses[nPause][0]);
            audio.Resume(pauses[nPause][1] - pauses[nPause][0]);
            ++nPause;
        }
        if (w % 50 == 7) {
            const size_t nBefore = pictures.m_entries.size();
            DeliverNumbered(video, 0, w, 50);
            note(pictures, nBefore, w, videoShift[nPause]);
        }
        // Block k is whole at its end time and handed over some milliseconds later.
        while (BlockTime(nBlock + 1) + nLate[nBlock % 8] <= w) {
            const size_t nBefore = sound.m_entries.size();
            DeliverNumbered(audio, nBlock, BlockTime(nBlock), BlockTime(nBlock + 1) - BlockTime(nBlock));
            note(sound, nBefore, BlockTime(sound.m_entries.empty() ? 0 : sound.m_entries.back().nSample),
                 audioShift[nPause]);
            ++nBlock;
        }
    }
    for (int s = 0; s <= nPauses; ++s) {
        ASSERT_GE(videoShift[s], 0) << "stretch " << s;
        ASSERT_GE(audioShift[s], 0) << "stretch " << s;
        EXPECT_LE(std::labs(audioShift[s] - videoShift[s]), static_cast<LONG>(kBlockMs / 2 + 1))
            << "stretch " << s << ": sound moved back " << audioShift[s] << " ms, pictures " << videoShift[s];
    }
}

// The file is switched at its size limit while the recording is paused: the new file starts with
// what follows the pause, at zero, with no paused time in either file.
TEST(PauseTimeLine, AFileSwitchedWhilePausedHoldsNoPausedTime)
{
    CTimes pictures, sound;
    CPauseTimeLine video(CPauseTimeLine::TIMED), audio(CPauseTimeLine::CONTIGUOUS);
    video.Begin(&pictures);
    audio.Begin(&sound);
    int nBlock = 0;
    auto run = [&](DWORD dwFrom, DWORD dwTo) {
        for (DWORD w = dwFrom; w < dwTo; ++w) {
            if (w % 50 == 0)
                DeliverNumbered(video, static_cast<int>(w / 50), w, 50);
            for (; BlockTime(nBlock + 1) <= w; ++nBlock)
                DeliverNumbered(audio, nBlock, BlockTime(nBlock), BlockTime(nBlock + 1) - BlockTime(nBlock));
        }
    };
    run(0, 2000);
    video.Pause();
    audio.Pause();
    pictures.NewFile();
    sound.NewFile();
    run(2000, 5000);
    video.Resume(3000);
    audio.Resume(3000);
    run(5000, 7000);

    for (const CTimes* pTimes : {&pictures, &sound}) {
        const std::vector<CTimes::Entry>& out = pTimes->m_entries;
        size_t nFirst = 0;
        while (nFirst < out.size() && out[nFirst].nFile == 0)
            ++nFirst;
        ASSERT_LT(nFirst, out.size());
        EXPECT_EQ(0u, out[nFirst].dwTime);
        for (size_t i = 1; i < out.size(); ++i) {
            if (i != nFirst) {
                EXPECT_EQ(out[i - 1].dwTime + out[i - 1].dwDuration, out[i].dwTime) << "sample " << i;
            }
        }
        // Two seconds before the pause, two after it.
        const DWORD dwLast = out.back().dwTime + out.back().dwDuration;
        EXPECT_NEAR(2000.0, out[nFirst - 1].dwTime + out[nFirst - 1].dwDuration, 30.0);
        EXPECT_NEAR(2000.0, dwLast, 30.0);
    }
}

TEST(PauseTimeLine, PausedTimeIsTakenInWholeFrames)
{
    EXPECT_EQ(2550u, CPauseTimeLine::WholeFrames(2537, 20)); // 50.7 frames
    EXPECT_EQ(2500u, CPauseTimeLine::WholeFrames(2524, 20));
    EXPECT_EQ(100u, CPauseTimeLine::WholeFrames(95, 30)); // 3 frames of 33.3 ms
    EXPECT_EQ(0u, CPauseTimeLine::WholeFrames(10, 25));   // shorter than half a frame
    EXPECT_EQ(2537u, CPauseTimeLine::WholeFrames(2537, 0));
}
