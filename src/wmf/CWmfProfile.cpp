#include "wmf/CWmfProfile.h"

#include <cstring>
#include <new>

#include "wmf/CWmfStreamConfig.h"

namespace {

const IID IID_BuiltInProfile = {0xfb5cd29a, 0x2eab, 0x4aa6, {0xbd, 0x3a, 0xe7, 0x02, 0xbe, 0x5d, 0xc0, 0x0a}};

} // namespace

CWmfProfile* CWmfProfile::Create(WMT_VERSION version)
{
    return new (std::nothrow) CWmfProfile(version);
}

CWmfProfile* CWmfProfile::FromInterface(IUnknown* pUnknown)
{
    void* pObject = nullptr;
    if (!pUnknown || FAILED(pUnknown->QueryInterface(IID_BuiltInProfile, &pObject)) || !pObject)
        return nullptr;
    CWmfProfile* pProfile = static_cast<CWmfProfile*>(static_cast<IWMProfile*>(pObject));
    pProfile->Release();
    return pProfile;
}

CWmfProfile::CWmfProfile(WMT_VERSION version) : m_nRefs(1), m_version(version)
{
}

CWmfProfile::~CWmfProfile()
{
    for (CWmfStreamConfig* pConfig : m_streams)
        pConfig->Release();
}

HRESULT CWmfProfile::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IWMProfile || riid == IID_BuiltInProfile) {
        *ppv = static_cast<IWMProfile*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CWmfProfile::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_nRefs));
}

ULONG CWmfProfile::Release()
{
    const LONG nRefs = InterlockedDecrement(&m_nRefs);
    if (nRefs == 0)
        delete this;
    return static_cast<ULONG>(nRefs);
}

HRESULT CWmfProfile::GetVersion(WMT_VERSION* pdwVersion)
{
    if (!pdwVersion)
        return E_POINTER;
    *pdwVersion = m_version;
    return S_OK;
}

HRESULT CWmfProfile::CopyText(const std::wstring& text, WCHAR* pszBuffer, DWORD* pcchBuffer)
{
    if (!pcchBuffer)
        return E_POINTER;
    const DWORD cchNeeded = static_cast<DWORD>(text.size() + 1);
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

HRESULT CWmfProfile::GetName(WCHAR* pwszName, DWORD* pcchName)
{
    return CopyText(m_name, pwszName, pcchName);
}

HRESULT CWmfProfile::SetName(const WCHAR* pwszName)
{
    if (!pwszName)
        return E_POINTER;
    m_name = pwszName;
    return S_OK;
}

HRESULT CWmfProfile::GetDescription(WCHAR* pwszDescription, DWORD* pcchDescription)
{
    return CopyText(m_description, pwszDescription, pcchDescription);
}

HRESULT CWmfProfile::SetDescription(const WCHAR* pwszDescription)
{
    if (!pwszDescription)
        return E_POINTER;
    m_description = pwszDescription;
    return S_OK;
}

HRESULT CWmfProfile::GetStreamCount(DWORD* pcStreams)
{
    if (!pcStreams)
        return E_POINTER;
    *pcStreams = static_cast<DWORD>(m_streams.size());
    return S_OK;
}

// The caller gets a copy: changes reach the profile only through ReconfigStream.
HRESULT CWmfProfile::ReturnCopy(size_t nIndex, IWMStreamConfig** ppConfig) const
{
    CWmfStreamConfig* pCopy = m_streams[nIndex]->Clone();
    if (!pCopy)
        return E_OUTOFMEMORY;
    *ppConfig = pCopy;
    return S_OK;
}

HRESULT CWmfProfile::GetStream(DWORD dwStreamIndex, IWMStreamConfig** ppConfig)
{
    if (!ppConfig)
        return E_POINTER;
    *ppConfig = nullptr;
    if (dwStreamIndex >= m_streams.size())
        return E_INVALIDARG;
    return ReturnCopy(dwStreamIndex, ppConfig);
}

int CWmfProfile::FindStream(WORD wStreamNum) const
{
    for (size_t i = 0; i < m_streams.size(); ++i) {
        if (m_streams[i]->StreamNumber() == wStreamNum)
            return static_cast<int>(i);
    }
    return -1;
}

HRESULT CWmfProfile::GetStreamByNumber(WORD wStreamNum, IWMStreamConfig** ppConfig)
{
    if (!ppConfig)
        return E_POINTER;
    *ppConfig = nullptr;
    const int nIndex = FindStream(wStreamNum);
    if (nIndex < 0)
        return NS_E_NO_STREAM;
    return ReturnCopy(static_cast<size_t>(nIndex), ppConfig);
}

HRESULT CWmfProfile::RemoveStream(IWMStreamConfig* pConfig)
{
    if (!pConfig)
        return E_POINTER;
    WORD wStreamNum = 0;
    HRESULT hr = pConfig->GetStreamNumber(&wStreamNum);
    return FAILED(hr) ? hr : RemoveStreamByNumber(wStreamNum);
}

HRESULT CWmfProfile::RemoveStreamByNumber(WORD wStreamNum)
{
    const int nIndex = FindStream(wStreamNum);
    if (nIndex < 0)
        return NS_E_NO_STREAM;
    m_streams[nIndex]->Release();
    m_streams.erase(m_streams.begin() + nIndex);
    return S_OK;
}

// A configuration a profile can hold: ours, numbered, and with a media type.
CWmfStreamConfig* CWmfProfile::CompleteConfig(IWMStreamConfig* pConfig, HRESULT* phr)
{
    CWmfStreamConfig* pOwn = CWmfStreamConfig::FromInterface(pConfig);
    if (!pOwn) {
        *phr = pConfig ? E_INVALIDARG : E_POINTER;
        return nullptr;
    }
    if (pOwn->StreamNumber() == 0) {
        *phr = NS_E_INVALID_STREAM;
        return nullptr;
    }
    if (!pOwn->MediaType().IsSet()) {
        *phr = NS_E_INVALIDPROFILE;
        return nullptr;
    }
    *phr = S_OK;
    return pOwn;
}

HRESULT CWmfProfile::AddStream(IWMStreamConfig* pConfig)
{
    HRESULT hr = S_OK;
    CWmfStreamConfig* pOwn = CompleteConfig(pConfig, &hr);
    if (!pOwn)
        return hr;
    if (FindStream(pOwn->StreamNumber()) >= 0)
        return NS_E_INVALID_STREAM;
    CWmfStreamConfig* pCopy = pOwn->Clone();
    if (!pCopy)
        return E_OUTOFMEMORY;
    m_streams.push_back(pCopy);
    return S_OK;
}

HRESULT CWmfProfile::ReconfigStream(IWMStreamConfig* pConfig)
{
    HRESULT hr = S_OK;
    CWmfStreamConfig* pOwn = CompleteConfig(pConfig, &hr);
    if (!pOwn)
        return hr;
    const int nIndex = FindStream(pOwn->StreamNumber());
    if (nIndex < 0)
        return NS_E_NO_STREAM;
    CWmfStreamConfig* pCopy = pOwn->Clone();
    if (!pCopy)
        return E_OUTOFMEMORY;
    m_streams[nIndex]->Release();
    m_streams[nIndex] = pCopy;
    return S_OK;
}

HRESULT CWmfProfile::CreateNewStream(REFGUID guidStreamType, IWMStreamConfig** ppConfig)
{
    if (!ppConfig)
        return E_POINTER;
    *ppConfig = nullptr;
    if (!CWmfStreamConfig::IsSupportedStreamType(guidStreamType))
        return E_INVALIDARG;
    CWmfStreamConfig* pConfig = CWmfStreamConfig::Create(guidStreamType);
    if (!pConfig)
        return E_OUTOFMEMORY;
    *ppConfig = pConfig;
    return S_OK;
}

HRESULT CWmfProfile::GetMutualExclusionCount(DWORD* pcME)
{
    if (!pcME)
        return E_POINTER;
    *pcME = 0;
    return S_OK;
}

HRESULT CWmfProfile::GetMutualExclusion(DWORD, IWMMutualExclusion** ppME)
{
    if (ppME)
        *ppME = nullptr;
    return E_INVALIDARG;
}

HRESULT CWmfProfile::RemoveMutualExclusion(IWMMutualExclusion*)
{
    return E_NOTIMPL;
}

HRESULT CWmfProfile::AddMutualExclusion(IWMMutualExclusion*)
{
    return E_NOTIMPL;
}

HRESULT CWmfProfile::CreateNewMutualExclusion(IWMMutualExclusion** ppME)
{
    if (ppME)
        *ppME = nullptr;
    return E_NOTIMPL;
}
