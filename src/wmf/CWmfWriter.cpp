#include "wmf/CWmfWriter.h"

#include <cstring>
#include <new>

#include "wmf/CWmfBuffer.h"
#include "wmf/CWmfProfile.h"
#include "wmf/CWmfStreamConfig.h"

namespace {

const QWORD MS = 10000;

} // namespace

CWmfWriter* CWmfWriter::Create()
{
    return new (std::nothrow) CWmfWriter();
}

CWmfWriter::CWmfWriter() = default;

CWmfWriter::~CWmfWriter()
{
    // A writer released while writing still leaves a complete file.
    if (m_bWriting)
        m_muxer.Close();
}

bool CWmfWriter::SetPacketSize(DWORD cbPacket)
{
    CScopedLock lock(m_cs);
    return !m_bWriting && m_muxer.SetPacketSize(cbPacket);
}

HRESULT CWmfWriter::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IWMWriter)
        *ppv = static_cast<IWMWriter*>(this);
    else if (riid == IID_IWMWriterAdvanced)
        *ppv = static_cast<IWMWriterAdvanced*>(this);
    else if (riid == IID_IWMHeaderInfo || riid == IID_IWMHeaderInfo2 || riid == IID_IWMHeaderInfo3)
        *ppv = static_cast<IWMHeaderInfo3*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CWmfWriter::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_nRefs));
}

ULONG CWmfWriter::Release()
{
    const LONG nRefs = InterlockedDecrement(&m_nRefs);
    if (nRefs == 0)
        delete this;
    return static_cast<ULONG>(nRefs);
}

// ---- IWMWriter

HRESULT CWmfWriter::SetProfileByID(REFGUID)
{
    return E_NOTIMPL;
}

HRESULT CWmfWriter::SetProfile(IWMProfile* pProfile)
{
    if (!pProfile)
        return E_POINTER;
    CWmfProfile* pOwn = CWmfProfile::FromInterface(pProfile);
    if (!pOwn)
        return E_INVALIDARG;
    CScopedLock lock(m_cs);
    if (m_bWriting)
        return NS_E_INVALID_REQUEST;
    m_streams.clear();
    m_statistics.clear();
    for (size_t i = 0; i < pOwn->StreamCount(); ++i) {
        const CWmfStreamConfig* pConfig = pOwn->StreamAt(i);
        m_streams.push_back(CAsfMuxer::CStreamInfo{pConfig->StreamNumber(), pConfig->StreamType() == WMMEDIATYPE_Video,
                                                   pConfig->BufferWindow(), pConfig->MediaType()});
        m_statistics.push_back(CStreamStatistics{pConfig->StreamNumber(), 0, 0});
    }
    m_bHasProfile = true;
    return S_OK;
}

HRESULT CWmfWriter::SetOutputFilename(const WCHAR* pwszFilename)
{
    if (!pwszFilename)
        return E_POINTER;
    CScopedLock lock(m_cs);
    if (m_bWriting)
        return NS_E_INVALID_REQUEST;
    m_fileName = pwszFilename;
    return S_OK;
}

HRESULT CWmfWriter::GetInputCount(DWORD* pcInputs)
{
    if (!pcInputs)
        return E_POINTER;
    CScopedLock lock(m_cs);
    if (!m_bHasProfile)
        return NS_E_INVALID_REQUEST;
    *pcInputs = static_cast<DWORD>(m_streams.size());
    return S_OK;
}

HRESULT CWmfWriter::GetInputProps(DWORD, IWMInputMediaProps** ppInput)
{
    if (ppInput)
        *ppInput = nullptr;
    return E_NOTIMPL;
}

// Only "no uncompressed input" is accepted: this runtime has no encoders.
HRESULT CWmfWriter::SetInputProps(DWORD dwInputNum, IWMInputMediaProps* pInput)
{
    CScopedLock lock(m_cs);
    if (!m_bHasProfile || m_bWriting)
        return NS_E_INVALID_REQUEST;
    if (dwInputNum >= m_streams.size())
        return E_INVALIDARG;
    return pInput ? NS_E_INVALID_INPUT_FORMAT : S_OK;
}

HRESULT CWmfWriter::GetInputFormatCount(DWORD, DWORD* pcFormats)
{
    if (!pcFormats)
        return E_POINTER;
    *pcFormats = 0;
    return S_OK;
}

HRESULT CWmfWriter::GetInputFormat(DWORD, DWORD, IWMInputMediaProps** ppProps)
{
    if (ppProps)
        *ppProps = nullptr;
    return E_INVALIDARG;
}

HRESULT CWmfWriter::BeginWriting()
{
    CScopedLock lock(m_cs);
    if (m_bWriting)
        return NS_E_INVALID_REQUEST;
    if (!m_bHasProfile || m_streams.empty())
        return NS_E_INVALIDPROFILE;
    if (m_fileName.empty())
        return NS_E_NOT_CONFIGURED;
    HRESULT hr = m_muxer.Open(m_fileName.c_str(), m_streams, m_codecs);
    if (FAILED(hr))
        return hr;
    for (CStreamStatistics& statistics : m_statistics)
        statistics.nSamples = statistics.cbBytes = 0;
    m_cnsWriterTime = 0;
    m_bWriting = true;
    return S_OK;
}

HRESULT CWmfWriter::EndWriting()
{
    CScopedLock lock(m_cs);
    if (!m_bWriting)
        return NS_E_INVALID_REQUEST;
    m_bWriting = false;
    return m_muxer.Close();
}

HRESULT CWmfWriter::AllocateSample(DWORD dwSampleSize, INSSBuffer** ppSample)
{
    if (!ppSample)
        return E_POINTER;
    *ppSample = CWmfBuffer::Create(dwSampleSize);
    return *ppSample ? S_OK : E_OUTOFMEMORY;
}

// Inputs carry compressed samples for the stream of the same position.
HRESULT CWmfWriter::WriteSample(DWORD dwInputNum, QWORD cnsSampleTime, DWORD dwFlags, INSSBuffer* pSample)
{
    CScopedLock lock(m_cs);
    if (dwInputNum >= m_streams.size())
        return E_INVALIDARG;
    return WriteLocked(m_streams[dwInputNum].wNumber, cnsSampleTime, static_cast<DWORD>(cnsSampleTime / MS), 0, dwFlags,
                       pSample);
}

HRESULT CWmfWriter::Flush()
{
    CScopedLock lock(m_cs);
    return m_bWriting ? m_muxer.Flush() : NS_E_INVALID_REQUEST;
}

// ---- IWMWriterAdvanced

HRESULT CWmfWriter::GetSinkCount(DWORD*)
{
    return E_NOTIMPL;
}

HRESULT CWmfWriter::GetSink(DWORD, IWMWriterSink** ppSink)
{
    if (ppSink)
        *ppSink = nullptr;
    return E_NOTIMPL;
}

HRESULT CWmfWriter::AddSink(IWMWriterSink*)
{
    return E_NOTIMPL;
}

HRESULT CWmfWriter::RemoveSink(IWMWriterSink*)
{
    return E_NOTIMPL;
}

HRESULT CWmfWriter::WriteStreamSample(WORD wStreamNum, QWORD cnsSampleTime, DWORD msSampleSendTime,
                                      QWORD cnsSampleDuration, DWORD dwFlags, INSSBuffer* pSample)
{
    CScopedLock lock(m_cs);
    return WriteLocked(wStreamNum, cnsSampleTime, msSampleSendTime, cnsSampleDuration, dwFlags, pSample);
}

HRESULT CWmfWriter::WriteLocked(WORD wStreamNum, QWORD cnsSampleTime, DWORD msSendTime, QWORD cnsDuration,
                                DWORD dwFlags, INSSBuffer* pSample)
{
    if (!pSample)
        return E_POINTER;
    if (!m_bWriting)
        return NS_E_INVALID_REQUEST;
    CStreamStatistics* pStatistics = FindStatistics(wStreamNum);
    if (!pStatistics)
        return NS_E_INVALID_STREAM;
    BYTE* pData = nullptr;
    DWORD cbData = 0;
    HRESULT hr = pSample->GetBufferAndLength(&pData, &cbData);
    if (FAILED(hr))
        return hr;
    hr = m_muxer.WriteSample(wStreamNum, cnsSampleTime, msSendTime, cnsDuration, (dwFlags & WM_SF_CLEANPOINT) != 0,
                             pData, cbData);
    if (FAILED(hr))
        return hr;
    pStatistics->nSamples++;
    pStatistics->cbBytes += cbData;
    if (cnsSampleTime > m_cnsWriterTime)
        m_cnsWriterTime = cnsSampleTime;
    return S_OK;
}

CWmfWriter::CStreamStatistics* CWmfWriter::FindStatistics(WORD wStreamNum)
{
    for (CStreamStatistics& statistics : m_statistics) {
        if (statistics.wNumber == wStreamNum)
            return &statistics;
    }
    return nullptr;
}

HRESULT CWmfWriter::SetLiveSource(WINBOOL fIsLiveSource)
{
    CScopedLock lock(m_cs);
    m_bLiveSource = fIsLiveSource;
    return S_OK;
}

HRESULT CWmfWriter::IsRealTime(WINBOOL* pfRealTime)
{
    if (!pfRealTime)
        return E_POINTER;
    *pfRealTime = FALSE;
    return S_OK;
}

HRESULT CWmfWriter::GetWriterTime(QWORD* pCurrentTime)
{
    if (!pCurrentTime)
        return E_POINTER;
    CScopedLock lock(m_cs);
    *pCurrentTime = m_cnsWriterTime;
    return S_OK;
}

HRESULT CWmfWriter::GetStatistics(WORD wStreamNum, WM_WRITER_STATISTICS* pStats)
{
    if (!pStats)
        return E_POINTER;
    CScopedLock lock(m_cs);
    WM_WRITER_STATISTICS stats = {};
    if (wStreamNum == 0) {
        for (const CStreamStatistics& statistics : m_statistics) {
            stats.qwSampleCount += statistics.nSamples;
            stats.qwByteCount += statistics.cbBytes;
        }
    } else {
        const CStreamStatistics* pStatistics = FindStatistics(wStreamNum);
        if (!pStatistics)
            return NS_E_INVALID_STREAM;
        stats.qwSampleCount = pStatistics->nSamples;
        stats.qwByteCount = pStatistics->cbBytes;
    }
    *pStats = stats;
    return S_OK;
}

HRESULT CWmfWriter::SetSyncTolerance(DWORD msWindow)
{
    CScopedLock lock(m_cs);
    m_msSyncTolerance = msWindow;
    return S_OK;
}

HRESULT CWmfWriter::GetSyncTolerance(DWORD* pmsWindow)
{
    if (!pmsWindow)
        return E_POINTER;
    CScopedLock lock(m_cs);
    *pmsWindow = m_msSyncTolerance;
    return S_OK;
}

// ---- IWMHeaderInfo: attributes, markers and scripts are not stored by this runtime.

HRESULT CWmfWriter::GetAttributeCount(WORD, WORD*)
{
    return E_NOTIMPL;
}

HRESULT CWmfWriter::GetAttributeByIndex(WORD, WORD*, WCHAR*, WORD*, WMT_ATTR_DATATYPE*, BYTE*, WORD*)
{
    return E_NOTIMPL;
}

HRESULT CWmfWriter::GetAttributeByName(WORD*, LPCWSTR, WMT_ATTR_DATATYPE*, BYTE*, WORD*)
{
    return E_NOTIMPL;
}

HRESULT CWmfWriter::SetAttribute(WORD, LPCWSTR, WMT_ATTR_DATATYPE, const BYTE*, WORD)
{
    return E_NOTIMPL;
}

HRESULT CWmfWriter::GetMarkerCount(WORD*)
{
    return E_NOTIMPL;
}

HRESULT CWmfWriter::GetMarker(WORD, WCHAR*, WORD*, QWORD*)
{
    return E_NOTIMPL;
}

HRESULT CWmfWriter::AddMarker(LPCWSTR_WMSDK_TYPE_SAFE, QWORD)
{
    return E_NOTIMPL;
}

HRESULT CWmfWriter::RemoveMarker(WORD)
{
    return E_NOTIMPL;
}

HRESULT CWmfWriter::GetScriptCount(WORD*)
{
    return E_NOTIMPL;
}

HRESULT CWmfWriter::GetScript(WORD, WCHAR*, WORD*, WCHAR*, WORD*, QWORD*)
{
    return E_NOTIMPL;
}

HRESULT CWmfWriter::AddScript(LPCWSTR_WMSDK_TYPE_SAFE, LPCWSTR_WMSDK_TYPE_SAFE, QWORD)
{
    return E_NOTIMPL;
}

HRESULT CWmfWriter::RemoveScript(WORD)
{
    return E_NOTIMPL;
}

// ---- IWMHeaderInfo2 / IWMHeaderInfo3: the codec list

HRESULT CWmfWriter::GetCodecInfoCount(DWORD* pcCodecInfos)
{
    if (!pcCodecInfos)
        return E_POINTER;
    CScopedLock lock(m_cs);
    *pcCodecInfos = static_cast<DWORD>(m_codecs.size());
    return S_OK;
}

HRESULT CWmfWriter::CopyCountedText(const std::wstring& text, WCHAR* pszBuffer, WORD* pcchBuffer)
{
    const WORD cchNeeded = static_cast<WORD>(text.size() + 1);
    if (pszBuffer) {
        if (*pcchBuffer < cchNeeded) {
            *pcchBuffer = cchNeeded;
            return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        }
        memcpy(pszBuffer, text.c_str(), cchNeeded * sizeof(WCHAR));
    }
    *pcchBuffer = cchNeeded;
    return S_OK;
}

HRESULT CWmfWriter::GetCodecInfo(DWORD wIndex, WORD* pcchName, WCHAR* pwszName, WORD* pcchDescription,
                                 WCHAR* pwszDescription, WMT_CODEC_INFO_TYPE* pCodecType, WORD* pcbCodecInfo,
                                 BYTE* pbCodecInfo)
{
    if (!pcchName || !pcchDescription || !pCodecType || !pcbCodecInfo)
        return E_POINTER;
    CScopedLock lock(m_cs);
    if (wIndex >= m_codecs.size())
        return E_INVALIDARG;
    const CAsfMuxer::CCodecEntry& codec = m_codecs[wIndex];
    HRESULT hr = CopyCountedText(codec.name, pwszName, pcchName);
    HRESULT hrDescription = CopyCountedText(codec.description, pwszDescription, pcchDescription);
    if (SUCCEEDED(hr))
        hr = hrDescription;
    const WORD cbInfo = static_cast<WORD>(codec.info.size());
    if (pbCodecInfo) {
        if (*pcbCodecInfo < cbInfo)
            hr = HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        else if (cbInfo)
            memcpy(pbCodecInfo, codec.info.data(), cbInfo);
    }
    *pcbCodecInfo = cbInfo;
    *pCodecType = codec.type;
    return hr;
}

HRESULT CWmfWriter::GetAttributeCountEx(WORD, WORD*)
{
    return E_NOTIMPL;
}

HRESULT CWmfWriter::GetAttributeIndices(WORD, LPCWSTR, WORD*, WORD*, WORD*)
{
    return E_NOTIMPL;
}

HRESULT CWmfWriter::GetAttributeByIndexEx(WORD, WORD, LPWSTR, WORD*, WMT_ATTR_DATATYPE*, WORD*, BYTE*, DWORD*)
{
    return E_NOTIMPL;
}

HRESULT CWmfWriter::ModifyAttribute(WORD, WORD, WMT_ATTR_DATATYPE, WORD, const BYTE*, DWORD)
{
    return E_NOTIMPL;
}

HRESULT CWmfWriter::AddAttribute(WORD, LPCWSTR, WORD*, WMT_ATTR_DATATYPE, WORD, const BYTE*, DWORD)
{
    return E_NOTIMPL;
}

HRESULT CWmfWriter::DeleteAttribute(WORD, WORD)
{
    return E_NOTIMPL;
}

// The header is laid out when writing begins, so the codec list is closed from then on.
// Entries equal to one already listed are not repeated.
HRESULT CWmfWriter::AddCodecInfo(LPCWSTR_WMSDK_TYPE_SAFE pwszName, LPCWSTR_WMSDK_TYPE_SAFE pwszDescription,
                                 WMT_CODEC_INFO_TYPE codecType, WORD cbCodecInfo, BYTE* pbCodecInfo)
{
    if (cbCodecInfo && !pbCodecInfo)
        return E_POINTER;
    CScopedLock lock(m_cs);
    if (m_bWriting)
        return NS_E_INVALID_REQUEST;
    CAsfMuxer::CCodecEntry codec;
    codec.type = codecType;
    codec.name = pwszName ? pwszName : L"";
    codec.description = pwszDescription ? pwszDescription : L"";
    if (cbCodecInfo)
        codec.info.assign(pbCodecInfo, pbCodecInfo + cbCodecInfo);
    // A writer used for one file after another is told the same codecs every time.
    for (const CAsfMuxer::CCodecEntry& known : m_codecs) {
        if (known.type == codec.type && known.name == codec.name && known.description == codec.description &&
            known.info == codec.info)
            return S_OK;
    }
    m_codecs.push_back(codec);
    return S_OK;
}
