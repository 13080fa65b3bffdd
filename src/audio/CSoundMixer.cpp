#include "audio/CSoundMixer.h"

#include <algorithm>

#include "audio/CWaveInCapture.h"

namespace {
const size_t kChannels = 2;
const DWORD kFullScale = 0xFFFF;
} // namespace

CSoundMixer::CSoundMixer() = default;

CSoundMixer::~CSoundMixer() = default;

CMediaStream* CSoundMixer::Begin(CMediaStream* pTarget, const CWaveInCapture* pFirst, const CWaveInCapture* pSecond,
                                 DWORD dwSampleRate)
{
    CScopedLock lock(m_cs);
    m_pTarget = pTarget;
    m_pFirst = pFirst;
    m_pSecond = pSecond;
    m_dwSampleRate = dwSampleRate ? dwSampleRate : 44100;
    m_nFirstFrames = 0;
    m_nMixedTo = 0;
    m_waiting.clear();
    m_secondSound.clear();
    m_nSecondFrame = 0;
    m_bRefused = false;
    // Both devices gate on the recording's writer.
    CMediaWriter* pWriter = pTarget ? pTarget->GetWriter() : nullptr;
    SetWriter(pWriter);
    m_second.SetWriter(pWriter);
    return this;
}

void CSoundMixer::SetSecondVolume(DWORD dwVolume)
{
    m_dwSecondVolume = std::min(dwVolume, kFullScale);
}

void CSoundMixer::MixInto(short* pMix, const short* pAdd, size_t nSamples, DWORD dwVolume)
{
    // 65535 is unity: the gain is taken in 1/65536ths.
    const LONG nGain = LONG(std::min(dwVolume, kFullScale) + (std::min(dwVolume, kFullScale) >> 15));
    for (size_t i = 0; i < nSamples; ++i) {
        const LONG nSum = LONG(pMix[i]) + ((LONG(pAdd[i]) * nGain) >> 16);
        pMix[i] = short(std::min<LONG>(std::max<LONG>(nSum, -32768), 32767));
    }
}

bool CSoundMixer::FirstOrigin(DWORD* pdwTick) const
{
    return m_pFirst && m_pFirst->ClockOrigin(pdwTick);
}

bool CSoundMixer::SecondOrigin(DWORD* pdwTick) const
{
    return m_pSecond && m_pSecond->ClockOrigin(pdwTick);
}

bool CSoundMixer::SecondEnded() const
{
    return !m_pSecond || m_pSecond->SoundStopped(nullptr) || !m_pSecond->IsRunning();
}

bool CSoundMixer::SecondOffset(LONGLONG* pnFrames) const
{
    DWORD dwFirst = 0;
    DWORD dwSecond = 0;
    if (!FirstOrigin(&dwFirst) || !SecondOrigin(&dwSecond))
        return false;
    // The first's frame f plays at dwFirst + f, the second's at dwSecond + f (in frames).
    *pnFrames = LONGLONG(LONG(dwFirst - dwSecond)) * m_dwSampleRate / 1000;
    return true;
}

int CSoundMixer::Deliver(const void* pData, DWORD cbSize, DWORD dwTime, DWORD dwDuration, DWORD dwFlags)
{
    {
        CScopedLock lock(m_cs);
        if (m_bRefused)
            return 0;
        Block block;
        block.samples.assign(static_cast<const short*>(pData), static_cast<const short*>(pData) + cbSize / 2);
        block.nFrame = m_nFirstFrames;
        block.dwTime = dwTime;
        block.dwDuration = dwDuration;
        block.dwFlags = dwFlags;
        m_nFirstFrames += LONGLONG(block.samples.size() / kChannels);
        m_waiting.push_back(std::move(block));
    }
    return PassOn(false);
}

int CSoundMixer::Flush()
{
    return PassOn(true);
}

// Only the first device's thread passes blocks on (and the owner, once it has stopped), so the
// target sees them in order; the lock is not held meanwhile, since the target may wait for room.
int CSoundMixer::PassOn(bool bAll)
{
    for (;;) {
        Block block;
        CMediaStream* pTarget = nullptr;
        {
            CScopedLock lock(m_cs);
            if (m_bRefused)
                return 0;
            if (m_waiting.empty() || !(bAll || IsReady(m_waiting.front())))
                return 1;
            block = std::move(m_waiting.front());
            m_waiting.pop_front();
            MixSecond(block);
            pTarget = m_pTarget;
        }
        if (!pTarget || !pTarget->Deliver(block.samples.data(), DWORD(block.samples.size() * 2), block.dwTime,
                                          block.dwDuration, block.dwFlags)) {
            CScopedLock lock(m_cs);
            m_bRefused = true;
            return 0;
        }
    }
}

bool CSoundMixer::IsReady(const Block& block) const
{
    const LONGLONG nFrames = LONGLONG(block.samples.size() / kChannels);
    // Waited long enough: the first device has run on by that much since.
    if (m_nFirstFrames - (block.nFrame + nFrames) >= FramesOf(kMaxWaitMs) || SecondEnded())
        return true;
    LONGLONG nOffset = 0;
    if (!SecondOffset(&nOffset))
        return false;
    const LONGLONG nSecondEnd = m_nSecondFrame + LONGLONG(m_secondSound.size() / kChannels);
    return nSecondEnd >= block.nFrame + nOffset + nFrames;
}

void CSoundMixer::MixSecond(Block& block)
{
    const LONGLONG nFrames = LONGLONG(block.samples.size() / kChannels);
    m_nMixedTo = block.nFrame + nFrames;
    LONGLONG nOffset = 0;
    if (!SecondOffset(&nOffset))
        return;
    const LONGLONG nStart = block.nFrame + nOffset;
    const LONGLONG nEnd = nStart + nFrames;
    // What comes before this block's time is too late to be heard.
    if (m_nSecondFrame < nStart) {
        const LONGLONG nDrop = std::min<LONGLONG>(nStart - m_nSecondFrame, LONGLONG(m_secondSound.size() / kChannels));
        m_secondSound.erase(m_secondSound.begin(), m_secondSound.begin() + nDrop * kChannels);
        m_nSecondFrame += nDrop;
    }
    const LONGLONG nFrom = std::max(nStart, m_nSecondFrame);
    const LONGLONG nTo = std::min(nEnd, m_nSecondFrame + LONGLONG(m_secondSound.size() / kChannels));
    if (nTo <= nFrom)
        return;
    // The deque is not contiguous: mix through a small buffer.
    m_scratch.assign(m_secondSound.begin() + (nFrom - m_nSecondFrame) * kChannels,
                     m_secondSound.begin() + (nTo - m_nSecondFrame) * kChannels);
    MixInto(block.samples.data() + (nFrom - nStart) * kChannels, m_scratch.data(), size_t(nTo - nFrom) * kChannels,
            m_dwSecondVolume);
    m_secondSound.erase(m_secondSound.begin(), m_secondSound.begin() + (nTo - m_nSecondFrame) * kChannels);
    m_nSecondFrame = nTo;
}

void CSoundMixer::TakeSecond(const short* pSamples, size_t nSamples)
{
    CScopedLock lock(m_cs);
    const size_t nFrames = nSamples / kChannels;
    m_secondSound.insert(m_secondSound.end(), pSamples, pSamples + nFrames * kChannels);
    // Samples for a time already passed on are dropped at once.
    LONGLONG nOffset = 0;
    LONGLONG nStale = 0;
    if (SecondOffset(&nOffset))
        nStale = std::max<LONGLONG>(0, m_nMixedTo + nOffset - m_nSecondFrame);
    // Without the first device's blocks (or its time line) the second's sound is kept only so far.
    const LONGLONG nHeld = LONGLONG(m_secondSound.size() / kChannels);
    nStale = std::max(nStale, nHeld - FramesOf(kMaxAheadMs));
    nStale = std::min(nStale, nHeld);
    if (nStale > 0) {
        m_secondSound.erase(m_secondSound.begin(), m_secondSound.begin() + nStale * kChannels);
        m_nSecondFrame += nStale;
    }
}

int CSoundMixer::CSecondInput::Deliver(const void* pData, DWORD cbSize, DWORD, DWORD, DWORD)
{
    m_mixer.TakeSecond(static_cast<const short*>(pData), cbSize / 2);
    return 1;
}
