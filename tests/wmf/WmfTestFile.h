#pragma once

#include <windows.h>
#include <mmreg.h>

#include <string>
#include <vector>

#include "wmf/WmfTypes.h"

// Drives the built-in runtime through its interfaces the way a recording does: a profile of
// compressed streams, no uncompressed inputs, codec info, then stream samples.
class WmfTestFile
{
public:
    WmfTestFile();
    ~WmfTestFile();

    static std::vector<BYTE> VideoFormat(const BITMAPINFOHEADER& bmi, LONGLONG cnsPerFrame);
    static WM_MEDIA_TYPE VideoType(std::vector<BYTE>& format);
    static WM_MEDIA_TYPE AudioType(MPEGLAYER3WAVEFORMAT& wave);

    // Null-safe creation of the runtime's objects; false when any is missing.
    bool Create();
    // The whole stream set-up; returns the first failing result.
    HRESULT AddStream(REFGUID guidType, WORD wNumber, WM_MEDIA_TYPE* pType);
    bool SetPacketSize(DWORD cbPacket);
    HRESULT Begin(const std::wstring& path, bool bAudioCodecInfo);
    // pnWriteTicks, when given, accumulates the performance-counter ticks spent in the runtime's
    // WriteStreamSample.
    HRESULT Write(WORD wStream, DWORD dwTimeMs, DWORD dwDurationMs, DWORD dwFlags, const std::vector<BYTE>& data,
                  LONGLONG* pnWriteTicks = nullptr);
    HRESULT End();

    IWMProfile* Profile() const { return m_pProfile; }
    IWMWriter* Writer() const { return m_pWriter; }
    IWMWriterAdvanced* Advanced() const { return m_pAdvanced; }
    IWMHeaderInfo3* HeaderInfo() const { return m_pHeaderInfo; }

private:
    WmfTestFile(const WmfTestFile&) = delete;
    WmfTestFile& operator=(const WmfTestFile&) = delete;

    IWMProfileManager* m_pManager;
    IWMProfile* m_pProfile;
    IWMWriter* m_pWriter;
    IWMWriterAdvanced* m_pAdvanced;
    IWMHeaderInfo3* m_pHeaderInfo;
};
