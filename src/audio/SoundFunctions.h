#pragma once

#include <windows.h>
#include <mmsystem.h>

// The wave-in and mixer functions the audio code calls, gathered in one table so that a
// recording can run against a stand-in device or mixer. RealSoundFunctions() is the system's.
struct SoundFunctions
{
    UINT(WINAPI* pfnWaveInGetNumDevs)();
    MMRESULT(WINAPI* pfnWaveInGetDevCaps)(UINT_PTR uDeviceId, LPWAVEINCAPSA pCaps, UINT cbCaps);
    MMRESULT(WINAPI* pfnWaveInOpen)
    (LPHWAVEIN phWaveIn, UINT uDeviceId, LPCWAVEFORMATEX pFormat, DWORD_PTR dwCallback, DWORD_PTR dwInstance,
     DWORD fdwOpen);
    MMRESULT(WINAPI* pfnWaveInClose)(HWAVEIN hWaveIn);
    MMRESULT(WINAPI* pfnWaveInPrepareHeader)(HWAVEIN hWaveIn, LPWAVEHDR pHeader, UINT cbHeader);
    MMRESULT(WINAPI* pfnWaveInUnprepareHeader)(HWAVEIN hWaveIn, LPWAVEHDR pHeader, UINT cbHeader);
    MMRESULT(WINAPI* pfnWaveInAddBuffer)(HWAVEIN hWaveIn, LPWAVEHDR pHeader, UINT cbHeader);
    MMRESULT(WINAPI* pfnWaveInStart)(HWAVEIN hWaveIn);
    MMRESULT(WINAPI* pfnWaveInReset)(HWAVEIN hWaveIn);

    MMRESULT(WINAPI* pfnMixerOpen)
    (LPHMIXER phMixer, UINT uMixerId, DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen);
    MMRESULT(WINAPI* pfnMixerClose)(HMIXER hMixer);
    MMRESULT(WINAPI* pfnMixerGetLineInfo)(HMIXEROBJ hMixer, LPMIXERLINEA pLine, DWORD fdwInfo);
    MMRESULT(WINAPI* pfnMixerGetLineControls)(HMIXEROBJ hMixer, LPMIXERLINECONTROLSA pControls, DWORD fdwControls);
    MMRESULT(WINAPI* pfnMixerGetControlDetails)(HMIXEROBJ hMixer, LPMIXERCONTROLDETAILS pDetails, DWORD fdwDetails);
    MMRESULT(WINAPI* pfnMixerSetControlDetails)(HMIXEROBJ hMixer, LPMIXERCONTROLDETAILS pDetails, DWORD fdwDetails);
};

const SoundFunctions& RealSoundFunctions();
