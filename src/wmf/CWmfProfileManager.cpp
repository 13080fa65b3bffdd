#include "wmf/CWmfProfileManager.h"

#include <new>

#include "wmf/CWmfProfile.h"

namespace {

bool IsKnownVersion(WMT_VERSION version)
{
    return version == WMT_VER_4_0 || version == WMT_VER_7_0 || version == WMT_VER_8_0 || version == WMT_VER_9_0;
}

} // namespace

CWmfProfileManager* CWmfProfileManager::Create()
{
    return new (std::nothrow) CWmfProfileManager();
}

CWmfProfileManager::CWmfProfileManager() : m_nRefs(1)
{
}

HRESULT CWmfProfileManager::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IWMProfileManager)
        *ppv = static_cast<IWMProfileManager*>(this);
    else if (riid == IID_IWMCodecInfo)
        *ppv = static_cast<IWMCodecInfo*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CWmfProfileManager::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_nRefs));
}

ULONG CWmfProfileManager::Release()
{
    const LONG nRefs = InterlockedDecrement(&m_nRefs);
    if (nRefs == 0)
        delete this;
    return static_cast<ULONG>(nRefs);
}

HRESULT CWmfProfileManager::CreateEmptyProfile(WMT_VERSION dwVersion, IWMProfile** ppProfile)
{
    if (!ppProfile)
        return E_POINTER;
    *ppProfile = nullptr;
    if (!IsKnownVersion(dwVersion))
        return E_INVALIDARG;
    CWmfProfile* pProfile = CWmfProfile::Create(dwVersion);
    if (!pProfile)
        return E_OUTOFMEMORY;
    *ppProfile = pProfile;
    return S_OK;
}

HRESULT CWmfProfileManager::LoadProfileByID(REFGUID, IWMProfile** ppProfile)
{
    if (ppProfile)
        *ppProfile = nullptr;
    return E_NOTIMPL;
}

HRESULT CWmfProfileManager::LoadProfileByData(const WCHAR*, IWMProfile** ppProfile)
{
    if (ppProfile)
        *ppProfile = nullptr;
    return E_NOTIMPL;
}

HRESULT CWmfProfileManager::SaveProfile(IWMProfile*, WCHAR*, DWORD*)
{
    return E_NOTIMPL;
}

HRESULT CWmfProfileManager::GetSystemProfileCount(DWORD* pcProfiles)
{
    if (!pcProfiles)
        return E_POINTER;
    *pcProfiles = 0;
    return S_OK;
}

HRESULT CWmfProfileManager::LoadSystemProfile(DWORD, IWMProfile** ppProfile)
{
    if (ppProfile)
        *ppProfile = nullptr;
    return E_INVALIDARG;
}

HRESULT CWmfProfileManager::GetCodecInfoCount(REFGUID, DWORD* pcCodecs)
{
    if (!pcCodecs)
        return E_POINTER;
    *pcCodecs = 0;
    return S_OK;
}

HRESULT CWmfProfileManager::GetCodecFormatCount(REFGUID, DWORD, DWORD* pcFormat)
{
    if (pcFormat)
        *pcFormat = 0;
    return E_INVALIDARG;
}

HRESULT CWmfProfileManager::GetCodecFormat(REFGUID, DWORD, DWORD, IWMStreamConfig** ppConfig)
{
    if (ppConfig)
        *ppConfig = nullptr;
    return E_INVALIDARG;
}
