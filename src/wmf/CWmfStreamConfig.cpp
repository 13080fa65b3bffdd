#include "wmf/CWmfStreamConfig.h"

#include <mmreg.h>

#include <cstring>
#include <new>

namespace {

// Answered only by the built-in configuration object, so that a profile can tell its own
// configurations from foreign ones.
const IID IID_BuiltInStreamConfig = {0x5caaa74f, 0x3d64, 0x4eb8, {0x99, 0x2b, 0x11, 0x8c, 0xec, 0x97, 0x84, 0x08}};

const DWORD DEFAULT_BUFFER_WINDOW_MS = 3000;

bool IsValidVideoFormat(const WM_MEDIA_TYPE& type)
{
    if (type.formattype != WMFORMAT_VideoInfo || !type.pbFormat || type.cbFormat < sizeof(WMVIDEOINFOHEADER))
        return false;
    const WMVIDEOINFOHEADER* pInfo = reinterpret_cast<const WMVIDEOINFOHEADER*>(type.pbFormat);
    const BITMAPINFOHEADER& bmi = pInfo->bmiHeader;
    const DWORD cbHeaderOffset = offsetof(WMVIDEOINFOHEADER, bmiHeader);
    return bmi.biSize >= sizeof(BITMAPINFOHEADER) && bmi.biSize <= type.cbFormat - cbHeaderOffset && bmi.biWidth > 0 &&
           bmi.biHeight != 0;
}

bool IsValidAudioFormat(const WM_MEDIA_TYPE& type)
{
    if (type.formattype != WMFORMAT_WaveFormatEx || !type.pbFormat || type.cbFormat < sizeof(WAVEFORMATEX))
        return false;
    const WAVEFORMATEX* pWave = reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
    return sizeof(WAVEFORMATEX) + pWave->cbSize <= type.cbFormat && pWave->nChannels > 0 && pWave->nSamplesPerSec > 0 &&
           pWave->nBlockAlign > 0;
}

} // namespace

bool CWmfStreamConfig::IsSupportedStreamType(REFGUID guidStreamType)
{
    return guidStreamType == WMMEDIATYPE_Video || guidStreamType == WMMEDIATYPE_Audio;
}

bool CWmfStreamConfig::IsValidMediaType(REFGUID guidStreamType, const WM_MEDIA_TYPE& type)
{
    if (type.majortype != guidStreamType)
        return false;
    if (guidStreamType == WMMEDIATYPE_Video)
        return IsValidVideoFormat(type);
    if (guidStreamType == WMMEDIATYPE_Audio)
        return IsValidAudioFormat(type);
    return false;
}

CWmfStreamConfig* CWmfStreamConfig::Create(REFGUID guidStreamType)
{
    if (!IsSupportedStreamType(guidStreamType))
        return nullptr;
    return new (std::nothrow) CWmfStreamConfig(guidStreamType);
}

CWmfStreamConfig::CWmfStreamConfig(REFGUID guidStreamType)
    : m_nRefs(1), m_guidStreamType(guidStreamType), m_wStreamNumber(0), m_dwBitrate(0),
      m_dwBufferWindow(DEFAULT_BUFFER_WINDOW_MS), m_llMaxKeyFrameSpacing(0), m_dwQuality(0)
{
}

CWmfStreamConfig* CWmfStreamConfig::Clone() const
{
    CWmfStreamConfig* pCopy = new (std::nothrow) CWmfStreamConfig(m_guidStreamType);
    if (!pCopy)
        return nullptr;
    pCopy->m_wStreamNumber = m_wStreamNumber;
    pCopy->m_dwBitrate = m_dwBitrate;
    pCopy->m_dwBufferWindow = m_dwBufferWindow;
    pCopy->m_name = m_name;
    pCopy->m_connection = m_connection;
    pCopy->m_mediaType = m_mediaType;
    pCopy->m_llMaxKeyFrameSpacing = m_llMaxKeyFrameSpacing;
    pCopy->m_dwQuality = m_dwQuality;
    pCopy->m_properties = m_properties;
    return pCopy;
}

CWmfStreamConfig* CWmfStreamConfig::FromInterface(IUnknown* pUnknown)
{
    void* pObject = nullptr;
    if (!pUnknown || FAILED(pUnknown->QueryInterface(IID_BuiltInStreamConfig, &pObject)) || !pObject)
        return nullptr;
    CWmfStreamConfig* pConfig = static_cast<CWmfStreamConfig*>(static_cast<IWMStreamConfig*>(pObject));
    pConfig->Release();
    return pConfig;
}

HRESULT CWmfStreamConfig::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_BuiltInStreamConfig)
        *ppv = static_cast<IWMStreamConfig*>(this);
    else if (riid == IID_IUnknown || riid == IID_IWMStreamConfig)
        *ppv = static_cast<IWMStreamConfig*>(this);
    else if (riid == IID_IWMMediaProps)
        *ppv = static_cast<IWMMediaProps*>(this);
    else if (riid == IID_IWMVideoMediaProps && m_guidStreamType == WMMEDIATYPE_Video)
        *ppv = static_cast<IWMVideoMediaProps*>(this);
    else if (riid == IID_IWMPropertyVault)
        *ppv = static_cast<IWMPropertyVault*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CWmfStreamConfig::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_nRefs));
}

ULONG CWmfStreamConfig::Release()
{
    const LONG nRefs = InterlockedDecrement(&m_nRefs);
    if (nRefs == 0)
        delete this;
    return static_cast<ULONG>(nRefs);
}

HRESULT CWmfStreamConfig::GetStreamType(GUID* pguidStreamType)
{
    if (!pguidStreamType)
        return E_POINTER;
    *pguidStreamType = m_guidStreamType;
    return S_OK;
}

HRESULT CWmfStreamConfig::GetStreamNumber(WORD* pwStreamNum)
{
    if (!pwStreamNum)
        return E_POINTER;
    *pwStreamNum = m_wStreamNumber;
    return S_OK;
}

HRESULT CWmfStreamConfig::SetStreamNumber(WORD wStreamNum)
{
    // The container keeps stream numbers in 7 bits; 0 is not a stream.
    if (wStreamNum < 1 || wStreamNum > 63)
        return NS_E_INVALID_STREAM;
    m_wStreamNumber = wStreamNum;
    return S_OK;
}

HRESULT CWmfStreamConfig::CopyName(const std::wstring& name, WCHAR* pszBuffer, WORD* pcchBuffer)
{
    if (!pcchBuffer)
        return E_POINTER;
    const size_t cchNeeded = name.size() + 1;
    if (cchNeeded > 0xFFFF)
        return E_UNEXPECTED;
    if (!pszBuffer) {
        *pcchBuffer = static_cast<WORD>(cchNeeded);
        return S_OK;
    }
    if (*pcchBuffer < cchNeeded) {
        *pcchBuffer = static_cast<WORD>(cchNeeded);
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    }
    memcpy(pszBuffer, name.c_str(), cchNeeded * sizeof(WCHAR));
    *pcchBuffer = static_cast<WORD>(cchNeeded);
    return S_OK;
}

HRESULT CWmfStreamConfig::GetStreamName(WCHAR* pwszStreamName, WORD* pcchStreamName)
{
    return CopyName(m_name, pwszStreamName, pcchStreamName);
}

HRESULT CWmfStreamConfig::SetStreamName(LPCWSTR_WMSDK_TYPE_SAFE pwszStreamName)
{
    if (!pwszStreamName)
        return E_POINTER;
    m_name = pwszStreamName;
    return S_OK;
}

HRESULT CWmfStreamConfig::GetConnectionName(WCHAR* pwszInputName, WORD* pcchInputName)
{
    return CopyName(m_connection, pwszInputName, pcchInputName);
}

HRESULT CWmfStreamConfig::SetConnectionName(LPCWSTR_WMSDK_TYPE_SAFE pwszInputName)
{
    if (!pwszInputName)
        return E_POINTER;
    m_connection = pwszInputName;
    return S_OK;
}

HRESULT CWmfStreamConfig::GetBitrate(DWORD* pdwBitrate)
{
    if (!pdwBitrate)
        return E_POINTER;
    *pdwBitrate = m_dwBitrate;
    return S_OK;
}

HRESULT CWmfStreamConfig::SetBitrate(DWORD dwBitrate)
{
    m_dwBitrate = dwBitrate;
    return S_OK;
}

HRESULT CWmfStreamConfig::GetBufferWindow(DWORD* pmsBufferWindow)
{
    if (!pmsBufferWindow)
        return E_POINTER;
    *pmsBufferWindow = m_dwBufferWindow;
    return S_OK;
}

HRESULT CWmfStreamConfig::SetBufferWindow(DWORD msBufferWindow)
{
    m_dwBufferWindow = msBufferWindow;
    return S_OK;
}

HRESULT CWmfStreamConfig::GetType(GUID* pguidType)
{
    return GetStreamType(pguidType);
}

HRESULT CWmfStreamConfig::GetMediaType(WM_MEDIA_TYPE* pType, DWORD* pcbType)
{
    return m_mediaType.CopyTo(pType, pcbType);
}

HRESULT CWmfStreamConfig::SetMediaType(WM_MEDIA_TYPE* pType)
{
    if (!pType)
        return E_POINTER;
    if (!IsValidMediaType(m_guidStreamType, *pType))
        return NS_E_INVALID_INPUT_FORMAT;
    m_mediaType.Assign(*pType);
    return S_OK;
}

HRESULT CWmfStreamConfig::GetMaxKeyFrameSpacing(LONGLONG* pllTime)
{
    if (!pllTime)
        return E_POINTER;
    *pllTime = m_llMaxKeyFrameSpacing;
    return S_OK;
}

HRESULT CWmfStreamConfig::SetMaxKeyFrameSpacing(LONGLONG llTime)
{
    if (llTime < 0)
        return E_INVALIDARG;
    m_llMaxKeyFrameSpacing = llTime;
    return S_OK;
}

HRESULT CWmfStreamConfig::GetQuality(DWORD* pdwQuality)
{
    if (!pdwQuality)
        return E_POINTER;
    *pdwQuality = m_dwQuality;
    return S_OK;
}

HRESULT CWmfStreamConfig::SetQuality(DWORD dwQuality)
{
    if (dwQuality > 100)
        return E_INVALIDARG;
    m_dwQuality = dwQuality;
    return S_OK;
}

CWmfStreamConfig::CProperty* CWmfStreamConfig::FindProperty(const WCHAR* pszName)
{
    for (CProperty& property : m_properties) {
        if (property.name == pszName)
            return &property;
    }
    return nullptr;
}

HRESULT CWmfStreamConfig::CopyValue(const CProperty& property, WMT_ATTR_DATATYPE* pType, BYTE* pValue, DWORD* pdwSize)
{
    if (!pType || !pdwSize)
        return E_POINTER;
    const DWORD cbValue = static_cast<DWORD>(property.value.size());
    *pType = property.type;
    if (!pValue) {
        *pdwSize = cbValue;
        return S_OK;
    }
    if (*pdwSize < cbValue) {
        *pdwSize = cbValue;
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    }
    if (cbValue)
        memcpy(pValue, property.value.data(), cbValue);
    *pdwSize = cbValue;
    return S_OK;
}

HRESULT CWmfStreamConfig::GetPropertyCount(DWORD* pdwCount)
{
    if (!pdwCount)
        return E_POINTER;
    *pdwCount = static_cast<DWORD>(m_properties.size());
    return S_OK;
}

HRESULT CWmfStreamConfig::GetPropertyByName(const WCHAR* pszName, WMT_ATTR_DATATYPE* pType, BYTE* pValue,
                                            DWORD* pdwSize)
{
    if (!pszName)
        return E_POINTER;
    const CProperty* pProperty = FindProperty(pszName);
    if (!pProperty)
        return NS_E_UNSUPPORTED_PROPERTY;
    return CopyValue(*pProperty, pType, pValue, pdwSize);
}

HRESULT CWmfStreamConfig::SetProperty(const WCHAR* pszName, WMT_ATTR_DATATYPE type, BYTE* pValue, DWORD dwSize)
{
    if (!pszName || !*pszName || (dwSize && !pValue))
        return E_INVALIDARG;
    CProperty* pProperty = FindProperty(pszName);
    if (!pProperty) {
        m_properties.push_back(CProperty{pszName, type, {}});
        pProperty = &m_properties.back();
    }
    pProperty->type = type;
    pProperty->value.assign(pValue, pValue + dwSize);
    return S_OK;
}

HRESULT CWmfStreamConfig::GetPropertyByIndex(DWORD dwIndex, WCHAR* pszName, DWORD* pdwNameLength,
                                             WMT_ATTR_DATATYPE* pType, BYTE* pValue, DWORD* pdwSize)
{
    if (!pdwNameLength)
        return E_POINTER;
    if (dwIndex >= m_properties.size())
        return E_INVALIDARG;
    const CProperty& property = m_properties[dwIndex];
    const DWORD cchName = static_cast<DWORD>(property.name.size() + 1);
    if (pszName) {
        if (*pdwNameLength < cchName) {
            *pdwNameLength = cchName;
            return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        }
        memcpy(pszName, property.name.c_str(), cchName * sizeof(WCHAR));
    }
    *pdwNameLength = cchName;
    return CopyValue(property, pType, pValue, pdwSize);
}

HRESULT CWmfStreamConfig::CopyPropertiesFrom(IWMPropertyVault* pVault)
{
    if (!pVault)
        return E_POINTER;
    DWORD dwCount = 0;
    HRESULT hr = pVault->GetPropertyCount(&dwCount);
    for (DWORD i = 0; SUCCEEDED(hr) && i < dwCount; ++i) {
        DWORD cchName = 0, cbValue = 0;
        WMT_ATTR_DATATYPE type = WMT_TYPE_DWORD;
        hr = pVault->GetPropertyByIndex(i, nullptr, &cchName, &type, nullptr, &cbValue);
        if (FAILED(hr))
            break;
        std::vector<WCHAR> name(cchName + 1);
        std::vector<BYTE> value(cbValue + 1);
        hr = pVault->GetPropertyByIndex(i, name.data(), &cchName, &type, value.data(), &cbValue);
        if (SUCCEEDED(hr))
            hr = SetProperty(name.data(), type, value.data(), cbValue);
    }
    return hr;
}

HRESULT CWmfStreamConfig::Clear()
{
    m_properties.clear();
    return S_OK;
}
