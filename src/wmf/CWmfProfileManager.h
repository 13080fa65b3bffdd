#pragma once

#include "wmf/WmfTypes.h"

// Profile manager of the built-in runtime: empty profiles only (no system profiles and no
// installed codecs to enumerate).
class CWmfProfileManager : public IWMProfileManager, public IWMCodecInfo
{
public:
    static CWmfProfileManager* Create();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IWMProfileManager
    HRESULT STDMETHODCALLTYPE CreateEmptyProfile(WMT_VERSION dwVersion, IWMProfile** ppProfile) override;
    HRESULT STDMETHODCALLTYPE LoadProfileByID(REFGUID guidProfile, IWMProfile** ppProfile) override;
    HRESULT STDMETHODCALLTYPE LoadProfileByData(const WCHAR* pwszProfile, IWMProfile** ppProfile) override;
    HRESULT STDMETHODCALLTYPE SaveProfile(IWMProfile* pProfile, WCHAR* pwszProfile, DWORD* pdwLength) override;
    HRESULT STDMETHODCALLTYPE GetSystemProfileCount(DWORD* pcProfiles) override;
    HRESULT STDMETHODCALLTYPE LoadSystemProfile(DWORD dwProfileIndex, IWMProfile** ppProfile) override;

    // IWMCodecInfo
    HRESULT STDMETHODCALLTYPE GetCodecInfoCount(REFGUID guidType, DWORD* pcCodecs) override;
    HRESULT STDMETHODCALLTYPE GetCodecFormatCount(REFGUID guidType, DWORD dwCodecIndex, DWORD* pcFormat) override;
    HRESULT STDMETHODCALLTYPE GetCodecFormat(REFGUID guidType, DWORD dwCodecIndex, DWORD dwFormatIndex,
                                             IWMStreamConfig** ppConfig) override;

private:
    CWmfProfileManager();
    virtual ~CWmfProfileManager() = default;

    LONG m_nRefs;
};
