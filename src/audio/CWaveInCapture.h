#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <string>
#include <vector>

#include "audio/CMixerInput.h"
#include "audio/CSoundSettings.h"
#include "audio/SoundFunctions.h"
#include "codec/CMp3Encoder.h"
#include "pipeline/CWorkerThread.h"

class CMediaStream;

// Records 16-bit PCM from a wave-in device on its own thread and hands it, one fixed-size block
// at a time, to the audio stream of the current writer. Each block is stamped by the number of
// blocks delivered so far, and the count follows the system clock both ways: when the clock has
// run a whole block or more ahead, the block is delivered again until the sound has caught up;
// a block that comes a whole block ahead of the clock is dropped. Around the recording the
// chosen mixer input and its volume are set, and the old mixer settings are put back afterwards.
//
// A device that stops returning buffers (unplugged, its sound server gone) or a stream that
// refuses a block ends the thread; the time at which the sound stopped is kept for the owner.
class CWaveInCapture : public CWorkerThread
{
public:
    static const int kBufferCount = 8;

    CWaveInCapture();
    ~CWaveInCapture() override;

    void SetDevice(UINT uDevice) { m_mixer.SetDevice(uDevice); }
    UINT GetDevice() const { return m_mixer.GetDevice(); }
    void SetInput(int nInput) { m_mixer.SetInput(nInput); }
    int GetInput() const { return m_mixer.GetInput(); }
    void SetVolume(DWORD dwLeft, DWORD dwRight);
    DWORD GetLeftVolume() const { return m_dwLeftVolume; }
    DWORD GetRightVolume() const { return m_dwRightVolume; }
    static DWORD MaxVolume() { return 0xFFFF; }
    static DWORD DefaultVolume() { return 20000; }

    void SetChannels(WORD nChannels) { m_format.nChannels = nChannels; }
    void SetBitsPerSample(WORD nBits) { m_format.wBitsPerSample = nBits; }
    void SetSampleRate(DWORD dwHz) { m_format.nSamplesPerSec = dwHz; }
    void SetBlockSize(DWORD cbBlock) { m_cbRequestedBlock = cbBlock; }
    const WAVEFORMATEX& Format() const { return m_format; }

    // Bytes per block: the requested size rounded up to whole samples, or one second of sound.
    DWORD BlockSize() const;
    DWORD BlockDurationMs() const;
    // The time stamp of block k.
    DWORD BlockTimeMs(DWORD k) const;
    DWORD BlockCount() const { return m_nBlockCount; }
    // True once the device has returned a block during this recording.
    bool IsReceiving() const { return m_nLastReturned.load() >= 0; }
    // The system tick (GetTickCount) at which the blocks' time line begins: the arrival of the
    // first block delivered. False before that block.
    bool ClockOrigin(DWORD* pdwTick) const;
    // True when the sound ended before the recording did; pdwAtMs receives where, in
    // milliseconds of the recording's sound.
    bool SoundStopped(DWORD* pdwAtMs) const;
    // Forgets an earlier recording's end of sound (a new recording begins).
    void ClearSoundStopped() { m_bSoundStopped.store(false); }
    // How long the device may stay silent before it counts as lost.
    DWORD SilenceLimitMs() const;

    bool SetStream(CMediaStream* pStream);
    CMediaStream* GetStream() const { return m_pStream; }

    // Mixer lists and the system's sound settings.
    bool ListDevices(std::vector<std::string>& names) const { return m_mixer.ListDevices(names); }
    bool ListInputs(std::vector<std::string>& names) const { return m_mixer.ListInputs(names); }
    bool SelectInput(int nIndex) { return m_mixer.SelectInput(nIndex); }
    bool SetInputVolume(DWORD dwLeft, DWORD dwRight) { return m_mixer.SetInputVolume(dwLeft, dwRight); }
    bool OpenDeviceSettings() { return m_settings.OpenDeviceSettings(); }
    bool OpenInputSettings() { return m_settings.OpenInputSettings(); }

    // The encoder that the audio stream uses for this capture's blocks.
    CMp3Encoder& Encoder() { return m_encoder; }
    CMixerInput& Mixer() { return m_mixer; }
    CSoundSettings& Settings() { return m_settings; }
    // Another wave-in and mixer than the system's (tests); null restores the system's.
    void SetSoundFunctions(const SoundFunctions* pFunctions) { m_mixer.SetFunctions(pFunctions); }

protected:
    int OnThreadStart() override;
    int OnThreadEnd() override;
    int Step() override;

    // Handles one message of the capture thread's queue; only returned buffers count.
    void HandleMessage(const MSG& msg);
    bool QueueBuffer(int nIndex);
    bool IsDeviceOpen() const { return m_hWaveIn != nullptr; }
    const WAVEHDR& Header(int nIndex) const { return m_headers[nIndex]; }
    int LastReturned() const { return m_nLastReturned.load(); }

private:
    const SoundFunctions& Sound() const { return m_mixer.Functions(); }
    DWORD AvgBytesPerSec() const;
    bool OpenDevice();
    bool AllocateBuffers();
    void CloseDevice();
    void RestoreMixer();
    int FindHeader(LPSTR pData) const;
    void GiveBackBefore(int nIndex);
    void TakeBack(WAVEHDR& header);
    bool GateIsOpen() const;
    bool DeliverBlock(WAVEHDR& header, DWORD dwElapsed);
    DWORD StopGraceMs() const;
    bool DeviceFellSilent() const;
    void MarkSoundStopped();

    CMixerInput m_mixer;
    CSoundSettings m_settings;
    DWORD m_dwLeftVolume;
    DWORD m_dwRightVolume;
    WAVEFORMATEX m_format;
    DWORD m_cbRequestedBlock;
    HWAVEIN m_hWaveIn;
    WAVEHDR m_headers[kBufferCount];
    std::atomic<int> m_nLastReturned;
    DWORD m_nBlockCount;
    int m_nInDevice;       // buffers the device holds
    DWORD m_dwLastArrival; // GetTickCount when a buffer last came back (or the device opened)
    std::atomic<bool> m_bSoundStopped{false};
    std::atomic<DWORD> m_dwStoppedAt{0};
    std::atomic<bool> m_bHaveStartTime{false};
    std::atomic<DWORD> m_dwStartTime{0};
    CMediaStream* m_pStream;
    CMp3Encoder m_encoder;
};
