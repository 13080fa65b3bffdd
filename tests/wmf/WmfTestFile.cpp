#include "wmf/WmfTestFile.h"

#include <cstring>

#include "wmf/CWmfWriter.h"
#include "wmf/WmfRuntime.h"

namespace {

template <class T> void SafeRelease(T*& p)
{
    if (p)
        p->Release();
    p = nullptr;
}

} // namespace

WmfTestFile::WmfTestFile()
    : m_pManager(nullptr), m_pProfile(nullptr), m_pWriter(nullptr), m_pAdvanced(nullptr), m_pHeaderInfo(nullptr)
{
}

WmfTestFile::~WmfTestFile()
{
    SafeRelease(m_pHeaderInfo);
    SafeRelease(m_pAdvanced);
    SafeRelease(m_pWriter);
    SafeRelease(m_pProfile);
    SafeRelease(m_pManager);
}

std::vector<BYTE> WmfTestFile::VideoFormat(const BITMAPINFOHEADER& bmi, LONGLONG cnsPerFrame)
{
    std::vector<BYTE> format(sizeof(WMVIDEOINFOHEADER), 0);
    WMVIDEOINFOHEADER* pInfo = reinterpret_cast<WMVIDEOINFOHEADER*>(format.data());
    pInfo->AvgTimePerFrame = cnsPerFrame;
    pInfo->bmiHeader = bmi;
    return format;
}

WM_MEDIA_TYPE WmfTestFile::VideoType(std::vector<BYTE>& format)
{
    const WMVIDEOINFOHEADER* pInfo = reinterpret_cast<const WMVIDEOINFOHEADER*>(format.data());
    WM_MEDIA_TYPE type = {};
    type.majortype = WMMEDIATYPE_Video;
    type.subtype = WmfFourCCGuid(pInfo->bmiHeader.biCompression);
    type.bTemporalCompression = TRUE;
    type.formattype = WMFORMAT_VideoInfo;
    type.cbFormat = static_cast<ULONG>(format.size());
    type.pbFormat = format.data();
    return type;
}

WM_MEDIA_TYPE WmfTestFile::AudioType(MPEGLAYER3WAVEFORMAT& wave)
{
    WM_MEDIA_TYPE type = {};
    type.majortype = WMMEDIATYPE_Audio;
    type.subtype = WMMEDIASUBTYPE_MP3;
    type.bTemporalCompression = TRUE;
    type.formattype = WMFORMAT_WaveFormatEx;
    type.cbFormat = sizeof(wave);
    type.pbFormat = reinterpret_cast<BYTE*>(&wave);
    return type;
}

bool WmfTestFile::Create()
{
    return SUCCEEDED(OrvWMCreateProfileManager(&m_pManager)) &&
           SUCCEEDED(m_pManager->CreateEmptyProfile(WMT_VER_9_0, &m_pProfile)) &&
           SUCCEEDED(OrvWMCreateWriter(nullptr, &m_pWriter)) &&
           SUCCEEDED(m_pWriter->QueryInterface(IID_IWMWriterAdvanced, reinterpret_cast<void**>(&m_pAdvanced))) &&
           SUCCEEDED(m_pWriter->QueryInterface(IID_IWMHeaderInfo3, reinterpret_cast<void**>(&m_pHeaderInfo)));
}

HRESULT WmfTestFile::AddStream(REFGUID guidType, WORD wNumber, WM_MEDIA_TYPE* pType)
{
    IWMStreamConfig* pConfig = nullptr;
    HRESULT hr = m_pProfile->CreateNewStream(guidType, &pConfig);
    if (FAILED(hr))
        return hr;
    pConfig->SetStreamNumber(wNumber);
    pConfig->SetBitrate(0);
    pConfig->SetBufferWindow(3000);
    IWMPropertyVault* pVault = nullptr;
    hr = pConfig->QueryInterface(IID_IWMPropertyVault, reinterpret_cast<void**>(&pVault));
    if (SUCCEEDED(hr)) {
        BOOL bTrue = TRUE;
        DWORD dwZero = 0;
        pVault->SetProperty(L"_VBRENABLED", WMT_TYPE_BOOL, reinterpret_cast<BYTE*>(&bTrue), 4);
        pVault->SetProperty(L"_RMAX", WMT_TYPE_DWORD, reinterpret_cast<BYTE*>(&dwZero), 4);
        pVault->SetProperty(L"_BMAX", WMT_TYPE_DWORD, reinterpret_cast<BYTE*>(&dwZero), 4);
        pVault->Release();
    }
    IWMMediaProps* pProps = nullptr;
    if (SUCCEEDED(hr))
        hr = pConfig->QueryInterface(IID_IWMMediaProps, reinterpret_cast<void**>(&pProps));
    if (SUCCEEDED(hr))
        hr = pProps->SetMediaType(pType);
    if (SUCCEEDED(hr))
        hr = m_pProfile->AddStream(pConfig);
    SafeRelease(pProps);
    pConfig->Release();
    return hr;
}

bool WmfTestFile::SetPacketSize(DWORD cbPacket)
{
    return static_cast<CWmfWriter*>(m_pWriter)->SetPacketSize(cbPacket);
}

HRESULT WmfTestFile::Begin(const std::wstring& path, bool bAudioCodecInfo)
{
    HRESULT hr = m_pWriter->SetProfile(m_pProfile);
    DWORD dwInputs = 0;
    if (SUCCEEDED(hr))
        hr = m_pWriter->GetInputCount(&dwInputs);
    for (DWORD i = 0; SUCCEEDED(hr) && i < dwInputs; ++i)
        hr = m_pWriter->SetInputProps(i, nullptr);
    if (SUCCEEDED(hr))
        hr = m_pWriter->SetOutputFilename(path.c_str());
    if (SUCCEEDED(hr) && bAudioCodecInfo) {
        BYTE info[4] = {0x55, 0, 0, 0};
        m_pHeaderInfo->AddCodecInfo(L"MPEG Audio Layer-3", L"", WMT_CODECINFO_AUDIO, 4, info);
    }
    if (SUCCEEDED(hr))
        hr = m_pWriter->BeginWriting();
    return hr;
}

HRESULT WmfTestFile::Write(WORD wStream, DWORD dwTimeMs, DWORD dwDurationMs, DWORD dwFlags,
                           const std::vector<BYTE>& data, LONGLONG* pnWriteTicks)
{
    INSSBuffer* pBuffer = nullptr;
    HRESULT hr = m_pWriter->AllocateSample(static_cast<DWORD>(data.size()), &pBuffer);
    if (FAILED(hr))
        return hr;
    BYTE* p = nullptr;
    pBuffer->GetBuffer(&p);
    if (!data.empty())
        memcpy(p, data.data(), data.size());
    hr = pBuffer->SetLength(static_cast<DWORD>(data.size()));
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    if (SUCCEEDED(hr))
        hr = m_pAdvanced->WriteStreamSample(wStream, dwTimeMs * 10000ull, dwTimeMs, dwDurationMs * 10000ull, dwFlags,
                                            pBuffer);
    QueryPerformanceCounter(&end);
    if (pnWriteTicks)
        *pnWriteTicks += end.QuadPart - start.QuadPart;
    pBuffer->Release();
    return hr;
}

HRESULT WmfTestFile::End()
{
    return m_pWriter->EndWriting();
}
