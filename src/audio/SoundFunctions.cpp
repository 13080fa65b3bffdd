#include "audio/SoundFunctions.h"

const SoundFunctions& RealSoundFunctions()
{
    static const SoundFunctions functions = {
        &waveInGetNumDevs,
        &waveInGetDevCapsA,
        &waveInOpen,
        &waveInClose,
        &waveInPrepareHeader,
        &waveInUnprepareHeader,
        &waveInAddBuffer,
        &waveInStart,
        &waveInReset,
        &mixerOpen,
        &mixerClose,
        &mixerGetLineInfoA,
        &mixerGetLineControlsA,
        &mixerGetControlDetailsA,
        &mixerSetControlDetails,
    };
    return functions;
}
