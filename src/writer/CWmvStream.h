#pragma once

#include <windows.h>

#include <vector>

#include "pipeline/CMediaStream.h"
#include "wmf/WmfTypes.h"

// A stream of a Windows Media file. Its samples are sample buffers of the runtime's writer;
// WriteSample hands them to the writer by stream number with times in 100-ns units.
class CWmvStream : public CMediaStream
{
public:
    CWmvStream();
    ~CWmvStream() override;

    int Start() override;
    void Stop() override;
    SAMPLEBUFFER AllocSample(DWORD cbSize) override;
    void FreeSample(SAMPLEBUFFER hBuffer) override;
    int FillSample(SAMPLEBUFFER hBuffer, const void* pData, DWORD cbSize) override;
    int WriteSample(CMediaSample* pSample) override;

    // The entry of the file's codec list; CodecType -1 means none.
    virtual const wchar_t* CodecName() const;
    virtual const wchar_t* CodecDescription() const;
    virtual int CodecType() const;
    virtual WORD CodecInfoSize() const;
    virtual const BYTE* CodecInfo() const;
    virtual GUID MediaTypeGuid() const = 0;
    virtual WORD StreamNumber() const = 0;
    virtual DWORD Bitrate() const = 0;
    virtual DWORD BufferWindow() const = 0;

    // Keeps both interfaces (with a reference each) in place of the ones held before.
    void Attach(IWMWriter* pWriter, IWMWriterAdvanced* pAdvanced);
    // Null until the stream has a format.
    WM_MEDIA_TYPE* MediaType();
    // A stream the runtime left out of the file's profile drops its samples unwritten.
    void SetInProfile(bool bInProfile) { m_bInProfile = bInProfile; }
    bool IsInProfile() const { return m_bInProfile; }

    // 1000 ms for streams above 1000 bit/s, else 3000 ms.
    static DWORD BufferWindowFor(DWORD dwBitrate);

protected:
    // Stores the media type with its own copy of the format block.
    void SetMediaType(const WM_MEDIA_TYPE& type, const void* pFormat, DWORD cbFormat);

private:
    void ReleaseInterfaces();

    IWMWriter* m_pWmWriter;
    IWMWriterAdvanced* m_pWmAdvanced;
    WM_MEDIA_TYPE m_mediaType;
    std::vector<BYTE> m_format;
    bool m_bHasMediaType;
    bool m_bInProfile;
};
