#pragma once

#include <windows.h>
#include <mmreg.h>

#include <vector>

// MP3 frames of a 1 kHz stereo tone at 44.1 kHz, encoded through ..\lame_enc.dll.
class Mp3ToneSource
{
public:
    Mp3ToneSource();
    ~Mp3ToneSource();

    bool Open(DWORD dwKbps = 128);
    // Encodes the next block; out receives what the encoder produced (possibly nothing).
    bool NextBlock(std::vector<BYTE>& out);
    // Milliseconds of sound per block, and the start time of block n.
    DWORD BlockStartMs(DWORD nBlock) const;
    const MPEGLAYER3WAVEFORMAT& WaveFormat() const { return m_format; }

private:
    Mp3ToneSource(const Mp3ToneSource&) = delete;
    Mp3ToneSource& operator=(const Mp3ToneSource&) = delete;

    typedef DWORD(__cdecl* InitStreamFn)(void*, DWORD*, DWORD*, void**);
    typedef DWORD(__cdecl* EncodeChunkFn)(void*, DWORD, const short*, BYTE*, DWORD*);
    typedef DWORD(__cdecl* CloseStreamFn)(void*);

    HMODULE m_hLame;
    EncodeChunkFn m_pfnEncode;
    CloseStreamFn m_pfnClose;
    void* m_pStream;
    DWORD m_nSamplesPerBlock; // interleaved 16-bit values
    DWORD m_nDone;
    std::vector<short> m_pcm;
    std::vector<BYTE> m_out;
    MPEGLAYER3WAVEFORMAT m_format;
};
