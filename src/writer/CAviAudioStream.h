#pragma once

#include <windows.h>
#include <mmreg.h>

#include "writer/CAviStream.h"

class CMp3Encoder;

// The MP3 stream of an AVI file. Encoder chunks are collected and written in groups of
// about one interleave period; the last, shorter group is written at Stop.
class CAviAudioStream : public CAviStream
{
public:
    CAviAudioStream();
    ~CAviAudioStream() override;

    // Takes a CMp3Encoder; its wave format describes the stream.
    int SetEncoder(void* pEncoder, int nReserved) override;
    int Start() override;
    void Stop() override;
    int WriteSample(CMediaSample* pSample) override;
    // Encodes one block of 16-bit PCM, then queues the encoder's output.
    int Deliver(const void* pData, DWORD cbSize, DWORD dwTime, DWORD dwDuration, DWORD dwFlags) override;
    int CreateInFile(PAVIFILE pFile) override;

    // The format used when no encoder is set.
    void SetWaveFormat(const MPEGLAYER3WAVEFORMAT& format);
    LONG GetNextPosition() const { return m_nNextPosition; }

private:
    int AppendPending(const BYTE* pData, DWORD cbData);
    int WritePending(int bLast);
    void ClearPending();

    CMp3Encoder* m_pEncoder;
    MPEGLAYER3WAVEFORMAT m_waveFormat;
    LONG m_nNextPosition;
    DWORD m_dwInterleaveMs;
    DWORD m_dwGroupStart;
    LONG m_nPendingChunks;
    DWORD m_cbPending;
    BYTE* m_pPending;
    DWORD m_cbPendingCapacity;
};
