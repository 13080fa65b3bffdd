#include "pipeline/CPauseTimeLine.h"

#include <cstring>
#include <new>

CPauseTimeLine::CPauseTimeLine(Kind nKind) : m_nKind(nKind)
{
}

CPauseTimeLine::~CPauseTimeLine() = default;

CMediaStream* CPauseTimeLine::Begin(CMediaStream* pTarget)
{
    // No source runs now. A source left running after the last recording never waits
    // inside the lock (targets are called outside it), so the lock is free.
    m_pTarget = pTarget;
    SetWriter(pTarget ? pTarget->GetWriter() : nullptr);
    m_bPaused = false;
    m_nPausedMs = 0;
    m_nLeftOut = 0;
    m_bSeen = false;
    m_bPassedAny = false;
    m_dwSourceEnd = 0;
    m_dwLastOut = 0;
    m_dwRecorded = 0;
    m_held.clear();
    m_passing.clear();
    return this;
}

void CPauseTimeLine::Pause()
{
    CScopedLock lock(m_cs);
    m_bPaused = true;
}

void CPauseTimeLine::Resume(DWORD dwPausedMs)
{
    CScopedLock lock(m_cs);
    if (!m_bPaused)
        return;
    m_bPaused = false;
    if (m_bPassedAny) {
        m_nPausedMs += dwPausedMs;
        return;
    }
    // Nothing was passed on before the pause: the recording had not begun for this source.
    // What it handed over while paused comes before the recording's first sample, and the
    // pause owes it nothing more: its time line starts again where the last of it ended. (A
    // source whose time line began during the pause has less time to leave out than the
    // pause lasted.)
    for (const Sample& sample : m_held)
        LeaveOut(sample);
    m_held.clear();
    m_nPausedMs = m_nKind == TIMED ? m_dwSourceEnd : m_nLeftOut;
}

DWORD CPauseTimeLine::WholeFrames(DWORD dwPausedMs, UINT nFps)
{
    if (nFps == 0)
        return dwPausedMs;
    const ULONGLONG nFrames = (ULONGLONG(dwPausedMs) * nFps + 500) / 1000;
    return static_cast<DWORD>((nFrames * 1000 + nFps / 2) / nFps);
}

DWORD CPauseTimeLine::SpanOf(DWORD dwTime, DWORD dwDuration)
{
    const DWORD dwEnd = dwTime + dwDuration;
    DWORD dwSpan = m_bSeen ? dwEnd - m_dwSourceEnd : dwDuration;
    if (m_bSeen && static_cast<LONG>(dwSpan) < 0)
        return 0; // overlaps what came before: adds no time
    m_bSeen = true;
    m_dwSourceEnd = dwEnd;
    return dwSpan;
}

void CPauseTimeLine::Hold(const Sample& sample)
{
    if (m_held.size() >= HELD_BLOCKS) {
        LeaveOut(m_held.front());
        m_held.pop_front();
    }
    // A copy: the source reuses its buffer once Deliver returns. Without memory the sample
    // is simply left out.
    try {
        const BYTE* pBytes = static_cast<const BYTE*>(sample.pData);
        Sample held = sample;
        held.data.assign(pBytes, pBytes + (pBytes ? sample.cbSize : 0));
        held.pData = nullptr;
        m_held.push_back(std::move(held));
    } catch (const std::bad_alloc&) {
        LeaveOut(sample);
    }
}

bool CPauseTimeLine::StillOwed(const Sample& sample) const
{
    // Leaving the sample out brings the time left out closer to the paused time.
    return sample.dwSpan > 0 && 2 * (m_nPausedMs - m_nLeftOut) > static_cast<LONGLONG>(sample.dwSpan);
}

void CPauseTimeLine::Place(Sample& sample)
{
    if (m_nKind == CONTIGUOUS && StillOwed(sample)) {
        LeaveOut(sample);
        return;
    }
    const DWORD dwShift = static_cast<DWORD>(m_nKind == TIMED ? m_nPausedMs : m_nLeftOut);
    const DWORD dwTime = sample.dwTime - dwShift;
    // A picture taken during the pause but handed over after it would fall at or before the
    // last one passed on: it belongs to the paused span.
    if (m_bPassedAny && static_cast<LONG>(dwTime - m_dwLastOut) <= 0)
        return;
    sample.dwTime = dwTime;
    sample.bPassed = true;
    m_bPassedAny = true;
    m_dwLastOut = dwTime;
    m_dwRecorded = dwTime + sample.dwDuration;
}

int CPauseTimeLine::PassOn(CMediaStream* pTarget, const Sample& sample)
{
    if (!sample.bPassed)
        return 1;
    const void* pBytes = sample.pData ? sample.pData : (sample.data.empty() ? nullptr : sample.data.data());
    return pTarget && pTarget->Deliver(pBytes, sample.cbSize, sample.dwTime, sample.dwDuration, sample.dwFlags);
}

int CPauseTimeLine::Deliver(const void* pData, DWORD cbSize, DWORD dwTime, DWORD dwDuration, DWORD dwFlags)
{
    Sample current;
    current.pData = pData;
    current.cbSize = cbSize;
    current.dwTime = dwTime;
    current.dwDuration = dwDuration;
    current.dwFlags = dwFlags;

    CMediaStream* pTarget = nullptr;
    {
        CScopedLock lock(m_cs);
        current.dwSpan = SpanOf(dwTime, dwDuration);
        if (m_bPaused) {
            if (m_nKind == CONTIGUOUS)
                Hold(current);
            return 1;
        }
        // What a pause held back goes first, in order.
        m_passing.swap(m_held);
        for (Sample& sample : m_passing)
            Place(sample);
        Place(current);
        pTarget = m_pTarget;
    }

    // Passed on outside the lock: the target may wait (a full queue, a file being switched),
    // and a pause must not wait for it.
    int nOk = 1;
    for (const Sample& sample : m_passing)
        nOk = PassOn(pTarget, sample) && nOk;
    m_passing.clear();
    return PassOn(pTarget, current) && nOk;
}
