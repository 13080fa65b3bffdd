#pragma once

#include <windows.h>

#include <deque>
#include <vector>

#include "base/ScopedWin.h"
#include "pipeline/CRelayStream.h"

class CWaveInCapture;

// Mixes the sound of a second wave-in device into the first device's blocks, ahead of the
// encoder. Both devices record 16-bit stereo at the same rate, each on its own thread and each
// with its own time line on the system clock (the captures repeat late blocks and drop surplus
// ones, so a time line runs as fast as the clock). The first device's blocks are the clock of
// the mix: each block is mixed with the second's samples of the same system time, with
// saturation, and passed on with its own time stamp.
//
// The second device's samples of a block's time may come after the block itself, so a block
// waits (a little while at most) until they are in; what never comes is silence, and what
// comes too late, or for a time already passed on, is dropped. Once the second device's sound
// has ended (the device was lost) the first's blocks pass on at once, as they are.
class CSoundMixer : public CRelayStream
{
public:
    // How long a first device's block waits for the second's samples of its time.
    static const DWORD kMaxWaitMs = 250;
    // How far ahead of the first device's sound the second's may be kept.
    static const DWORD kMaxAheadMs = 2000;

    CSoundMixer();
    ~CSoundMixer() override;

    // A new recording: the first device's blocks, delivered to this stream, go on mixed to
    // pTarget; the second device's are delivered to SecondInput(). The captures tell where
    // their time lines begin and whether the second's sound ended. Returns this.
    CMediaStream* Begin(CMediaStream* pTarget, const CWaveInCapture* pFirst, const CWaveInCapture* pSecond,
                        DWORD dwSampleRate);
    // The second device's volume, 0 .. 65535 (full scale); the first's is its own device's.
    void SetSecondVolume(DWORD dwVolume);
    DWORD GetSecondVolume() const { return m_dwSecondVolume; }
    CMediaStream* SecondInput() { return &m_second; }
    // Passes on the blocks still waiting (both devices have stopped); 0 when one was refused.
    int Flush();

    // Adds nSamples 16-bit samples of pAdd, scaled by dwVolume / 65535, into pMix, saturating.
    static void MixInto(short* pMix, const short* pAdd, size_t nSamples, DWORD dwVolume);

    // A block of the first device.
    int Deliver(const void* pData, DWORD cbSize, DWORD dwTime, DWORD dwDuration, DWORD dwFlags) override;

protected:
    // Where each device's time line begins on the system clock, and whether the second's
    // sound has ended: read from the captures.
    virtual bool FirstOrigin(DWORD* pdwTick) const;
    virtual bool SecondOrigin(DWORD* pdwTick) const;
    virtual bool SecondEnded() const;

private:
    // Takes the second device's blocks into the mixer.
    class CSecondInput : public CRelayStream
    {
    public:
        explicit CSecondInput(CSoundMixer& mixer) : m_mixer(mixer) {}
        int Deliver(const void* pData, DWORD cbSize, DWORD dwTime, DWORD dwDuration, DWORD dwFlags) override;

    private:
        CSoundMixer& m_mixer;
    };

    struct Block
    {
        std::vector<short> samples;
        LONGLONG nFrame = 0; // its first frame on the first device's time line
        DWORD dwTime = 0;
        DWORD dwDuration = 0;
        DWORD dwFlags = 0;
    };

    CSoundMixer(const CSoundMixer&) = delete;
    CSoundMixer& operator=(const CSoundMixer&) = delete;

    void TakeSecond(const short* pSamples, size_t nSamples);
    // The second device's frame that plays with frame 0 of the first; false while unknown.
    bool SecondOffset(LONGLONG* pnFrames) const;
    bool IsReady(const Block& block) const;
    void MixSecond(Block& block);
    // Passes on the waiting blocks that are ready (all of them with bAll).
    int PassOn(bool bAll);
    LONGLONG FramesOf(DWORD dwMs) const { return LONGLONG(dwMs) * m_dwSampleRate / 1000; }

    CCriticalSection m_cs;
    CSecondInput m_second{*this};
    CMediaStream* m_pTarget = nullptr;
    const CWaveInCapture* m_pFirst = nullptr;
    const CWaveInCapture* m_pSecond = nullptr;
    DWORD m_dwSampleRate = 44100;
    DWORD m_dwSecondVolume = 0xFFFF;
    LONGLONG m_nFirstFrames = 0;     // frames of the first device taken so far
    std::deque<Block> m_waiting;     // first device's blocks waiting for the second's samples
    std::deque<short> m_secondSound; // second device's samples not mixed yet (stereo pairs)
    LONGLONG m_nSecondFrame = 0;     // the frame of the second's time line m_secondSound begins at
    LONGLONG m_nMixedTo = 0;         // the first device's frames passed on so far
    bool m_bRefused = false;         // the target refused a block: the sound ends there
    std::vector<short> m_scratch;    // the second's samples of one block, in one piece
};
