#pragma once

#include <windows.h>
#include <mmreg.h>

#include "writer/CWmvStream.h"

class CMp3Encoder;

// The MP3 stream of a Windows Media file (stream 2), listed in the file's codec list as
// "MPEG Audio Layer-3".
class CWmvAudioStream : public CWmvStream
{
public:
    CWmvAudioStream();

    // Takes a CMp3Encoder and builds the media type from its wave format.
    int SetEncoder(void* pEncoder, int nReserved) override;
    int IsVariableBitRate() override;
    // Encodes one block of 16-bit PCM, then queues the encoder's output.
    int Deliver(const void* pData, DWORD cbSize, DWORD dwTime, DWORD dwDuration, DWORD dwFlags) override;

    const wchar_t* CodecName() const override;
    int CodecType() const override;
    WORD CodecInfoSize() const override;
    const BYTE* CodecInfo() const override;
    GUID MediaTypeGuid() const override;
    WORD StreamNumber() const override;
    DWORD Bitrate() const override;
    DWORD BufferWindow() const override;

    // The media type for an MP3 wave format.
    void SetWaveFormat(const MPEGLAYER3WAVEFORMAT& format);

private:
    CMp3Encoder* m_pEncoder;
};
