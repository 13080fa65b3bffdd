// MPEG audio layer III encoding of 16-bit PCM blocks through lame_enc.dll, loaded at run time.
#pragma once

#include <windows.h>
#include <mmreg.h>

#include <vector>

#include "base/ScopedWin.h"
#include "codec/Mp3EncoderApi.h"

class CMp3Encoder
{
public:
    CMp3Encoder();
    ~CMp3Encoder();
    CMp3Encoder(const CMp3Encoder&) = delete;
    CMp3Encoder& operator=(const CMp3Encoder&) = delete;

    // Loads the library from pszPath, or else "lame_enc.dll" beside the program, or else through
    // the system's search order. True only when all seven entry points are present.
    bool Load(const char* pszPath = nullptr);
    void Unload();
    bool IsLoaded() const { return m_hModule.IsValid(); }

    static void SupportedRates(std::vector<int>& list);

    void SetChannels(int nChannels) { m_nChannels = nChannels; }
    void SetSampleRate(int nHz) { m_nSampleRate = nHz; }
    void SetBitrate(int nKbps) { m_nBitrate = nKbps; }
    void SetQuality(int nQuality);
    void SetVbr(bool bVbr) { m_bVbr = bVbr; }

    bool Open();
    // Consumes exactly InputBlockBytes() bytes of pPcm.
    bool EncodeBlock(const void* pPcm);
    // The same, refusing a block shorter than InputBlockBytes() instead of reading past it.
    bool EncodeBlock(const void* pPcm, DWORD cbPcm);
    // Encodes one block of silence: it stands in for a block the library refused, so that the
    // sound after it keeps its place in a file that counts sound by its length.
    bool EncodeSilence();
    void End();

    bool IsOpen() const { return m_bOpen; }
    const MPEGLAYER3WAVEFORMAT* WaveFormat() const { return &m_waveFormat; }
    int WaveFormatSize() const { return sizeof(MPEGLAYER3WAVEFORMAT); }
    DWORD AvgBytesPerSec() const { return m_waveFormat.wfx.nAvgBytesPerSec; }
    WORD BlockAlign() const { return m_waveFormat.wfx.nBlockAlign; }
    DWORD InputBlockBytes() const;
    const BYTE* OutputBuffer() const { return m_output.empty() ? nullptr : m_output.data(); }
    DWORD OutputSize() const { return m_output.empty() ? 0 : m_dwOutputBytes; }
    // The configuration handed to the library by the last Open.
    const mp3api::BE_CONFIG& Config() const { return m_config; }

private:
    bool ResolveEntryPoints();
    bool BuildConfig();
    void FillWaveFormat();
    bool AllocateOutput();
    void FreeOutput();

    CScopedModule m_hModule;
    mp3api::BeInitStreamFn m_pfnInitStream = nullptr;
    mp3api::BeEncodeChunkFn m_pfnEncodeChunk = nullptr;
    mp3api::BeDeinitStreamFn m_pfnDeinitStream = nullptr;
    mp3api::BeCloseStreamFn m_pfnCloseStream = nullptr;
    mp3api::BeVersionFn m_pfnVersion = nullptr;
    mp3api::BeWriteVbrHeaderFn m_pfnWriteVbrHeader = nullptr;
    mp3api::BeWriteInfoTagFn m_pfnWriteInfoTag = nullptr;

    mp3api::HBE_STREAM m_hStream = nullptr;
    mp3api::BE_CONFIG m_config = {};
    MPEGLAYER3WAVEFORMAT m_waveFormat = {};

    int m_nChannels = 2;
    int m_nSampleRate = 44100;
    int m_nBitrate = 0;
    int m_nQuality = 5;
    bool m_bVbr = false;

    DWORD m_dwSamplesPerChunk = 0;
    DWORD m_dwChunkOutputBytes = 0;
    std::vector<BYTE> m_output;
    DWORD m_dwOutputBytes = 0;
    std::vector<SHORT> m_silence;
    bool m_bOpen = false;
};
