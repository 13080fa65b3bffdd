#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <vector>

#include "base/ScopedWin.h"
#include "pipeline/CRelayStream.h"

// Stands between a source and the stream of the recording and leaves the paused spans out of
// the source's time line. While paused, samples are held back and never reach the stream;
// after a pause every later sample is moved back by the span left out, so the file holds no
// paused time. The source keeps running all along, so resuming costs nothing.
//
// Each source is timed its own way, and each relay of a recording is told the same paused
// time, so the sources stay in step with each other across any number of pauses:
// - TIMED (pictures): a sample plays at its time, so every later time moves back by exactly
//   the paused time.
// - CONTIGUOUS (sound blocks): the file plays blocks back to back, whatever their times, so
//   whole blocks are left out, as many as come closest to the paused time, and the times stay
//   back to back. A sound block arrives a little after it was taken and blocks may come in
//   bursts: the last few blocks of a pause are held (copied) rather than thrown away, so that
//   a resume can still give back those it does not need.
class CPauseTimeLine : public CRelayStream
{
public:
    enum Kind { TIMED, CONTIGUOUS };
    enum { HELD_BLOCKS = 16 };

    explicit CPauseTimeLine(Kind nKind);
    ~CPauseTimeLine() override;

    // A new recording into pTarget, not paused, nothing left out yet. No source may run.
    // Returns this relay, the stream the source is to deliver to.
    CMediaStream* Begin(CMediaStream* pTarget);
    void Pause();
    // dwPausedMs: how long the pause lasted; every relay of a recording gets the same.
    void Resume(DWORD dwPausedMs);
    // A paused time as a whole number of frames at nFps, in milliseconds: pictures then move
    // by whole frames and keep their places on the frame grid, where a file that places them
    // by frame number (AVI) would otherwise round each one by up to half a frame.
    static DWORD WholeFrames(DWORD dwPausedMs, UINT nFps);
    bool IsPaused() const { return m_bPaused.load(); }
    // The end of the last sample passed on, in the recording's time line: how long the
    // recording is so far, paused spans left out.
    DWORD RecordedMs() const { return m_dwRecorded.load(); }

    int Deliver(const void* pData, DWORD cbSize, DWORD dwTime, DWORD dwDuration, DWORD dwFlags) override;

private:
    struct Sample
    {
        std::vector<BYTE> data;
        const void* pData = nullptr; // the source's buffer, or data
        DWORD cbSize = 0;
        DWORD dwTime = 0;
        DWORD dwDuration = 0;
        DWORD dwFlags = 0;
        DWORD dwSpan = 0; // source time from the end of the sample before to this one's end
        bool bPassed = false;
    };

    CPauseTimeLine(const CPauseTimeLine&) = delete;
    CPauseTimeLine& operator=(const CPauseTimeLine&) = delete;

    DWORD SpanOf(DWORD dwTime, DWORD dwDuration);
    void Hold(const Sample& sample);
    void LeaveOut(const Sample& sample) { m_nLeftOut += sample.dwSpan; }
    bool StillOwed(const Sample& sample) const;
    // Decides for one sample after the pauses: left out, or given its time in the recording.
    void Place(Sample& sample);
    static int PassOn(CMediaStream* pTarget, const Sample& sample);

    const Kind m_nKind;
    CCriticalSection m_cs;
    CMediaStream* m_pTarget = nullptr;
    std::atomic<bool> m_bPaused{false};
    LONGLONG m_nPausedMs = 0; // the paused time of the recording so far
    LONGLONG m_nLeftOut = 0;  // the source time left out so far (CONTIGUOUS)
    bool m_bSeen = false;
    DWORD m_dwSourceEnd = 0; // end of the last sample seen, in the source's time
    bool m_bPassedAny = false;
    DWORD m_dwLastOut = 0; // time of the last sample passed on, in the recording's time
    std::atomic<DWORD> m_dwRecorded{0};
    std::deque<Sample> m_held;
    std::deque<Sample> m_passing; // the source's thread only: what it passes on after a pause
};
