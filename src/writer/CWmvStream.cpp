#include "writer/CWmvStream.h"

#include <cstring>

namespace {

const ULONGLONG kUnitsPerMs = 10000; // 100-ns units

INSSBuffer* BufferOf(SAMPLEBUFFER hBuffer)
{
    return HasSampleBuffer(hBuffer) ? reinterpret_cast<INSSBuffer*>(hBuffer) : nullptr;
}

} // namespace

CWmvStream::CWmvStream()
    : m_pWmWriter(nullptr), m_pWmAdvanced(nullptr), m_mediaType(), m_bHasMediaType(false), m_bInProfile(true)
{
}

CWmvStream::~CWmvStream()
{
    ReleaseInterfaces();
}

void CWmvStream::Attach(IWMWriter* pWriter, IWMWriterAdvanced* pAdvanced)
{
    if (pWriter)
        pWriter->AddRef();
    if (pAdvanced)
        pAdvanced->AddRef();
    ReleaseInterfaces();
    m_pWmWriter = pWriter;
    m_pWmAdvanced = pAdvanced;
}

void CWmvStream::ReleaseInterfaces()
{
    if (m_pWmAdvanced)
        m_pWmAdvanced->Release();
    if (m_pWmWriter)
        m_pWmWriter->Release();
    m_pWmAdvanced = nullptr;
    m_pWmWriter = nullptr;
}

int CWmvStream::Start()
{
    if (!m_pWmWriter || !m_pWmAdvanced)
        return 0;
    return CMediaStream::Start();
}

void CWmvStream::Stop()
{
    ReleaseInterfaces();
    CMediaStream::Stop();
}

SAMPLEBUFFER CWmvStream::AllocSample(DWORD cbSize)
{
    INSSBuffer* pBuffer = nullptr;
    if (!m_pWmWriter || FAILED(m_pWmWriter->AllocateSample(cbSize, &pBuffer)) || !pBuffer)
        return SAMPLEBUFFER_FAILED;
    return reinterpret_cast<SAMPLEBUFFER>(pBuffer);
}

void CWmvStream::FreeSample(SAMPLEBUFFER hBuffer)
{
    if (INSSBuffer* pBuffer = BufferOf(hBuffer))
        pBuffer->Release();
}

int CWmvStream::FillSample(SAMPLEBUFFER hBuffer, const void* pData, DWORD cbSize)
{
    INSSBuffer* pBuffer = BufferOf(hBuffer);
    BYTE* pTarget = nullptr;
    if (!pBuffer || !pData || !cbSize || FAILED(pBuffer->GetBuffer(&pTarget)) || !pTarget)
        return 0;
    DWORD cbMax = 0;
    if (FAILED(pBuffer->GetMaxLength(&cbMax)) || cbMax < cbSize)
        return 0;
    std::memcpy(pTarget, pData, cbSize);
    return SUCCEEDED(pBuffer->SetLength(cbSize));
}

int CWmvStream::WriteSample(CMediaSample* pSample)
{
    if (pSample->buffer == SAMPLEBUFFER_EMPTY || !m_bInProfile)
        return 1;
    INSSBuffer* pBuffer = BufferOf(pSample->buffer);
    if (!pBuffer || !m_pWmWriter || !m_pWmAdvanced)
        return 0;
    // Unsigned 32-bit milliseconds, widened before the multiplication.
    const QWORD cnsTime = pSample->time * kUnitsPerMs;
    const QWORD cnsDuration = pSample->duration * kUnitsPerMs;
    HRESULT hr =
        m_pWmAdvanced->WriteStreamSample(StreamNumber(), cnsTime, pSample->time, cnsDuration, pSample->flags, pBuffer);
    return SUCCEEDED(hr);
}

const wchar_t* CWmvStream::CodecName() const
{
    return L"";
}

const wchar_t* CWmvStream::CodecDescription() const
{
    return L"";
}

int CWmvStream::CodecType() const
{
    return -1;
}

WORD CWmvStream::CodecInfoSize() const
{
    return 0;
}

const BYTE* CWmvStream::CodecInfo() const
{
    return nullptr;
}

WM_MEDIA_TYPE* CWmvStream::MediaType()
{
    return m_bHasMediaType ? &m_mediaType : nullptr;
}

void CWmvStream::SetMediaType(const WM_MEDIA_TYPE& type, const void* pFormat, DWORD cbFormat)
{
    const BYTE* pBytes = static_cast<const BYTE*>(pFormat);
    m_format.assign(pBytes, pBytes + cbFormat);
    m_mediaType = type;
    m_mediaType.pUnk = nullptr;
    m_mediaType.cbFormat = cbFormat;
    m_mediaType.pbFormat = m_format.empty() ? nullptr : m_format.data();
    m_bHasMediaType = true;
}

DWORD CWmvStream::BufferWindowFor(DWORD dwBitrate)
{
    return dwBitrate > 1000 ? 1000 : 3000;
}
