#pragma once

#include <string>
#include <vector>

#include "wmf/WmfTypes.h"

class CWmfStreamConfig;

// A built-in profile: its own copies of the stream configurations added to it.
class CWmfProfile : public IWMProfile
{
public:
    static CWmfProfile* Create(WMT_VERSION version);
    // The built-in object behind an interface pointer, or null; no reference is added.
    static CWmfProfile* FromInterface(IUnknown* pUnknown);

    size_t StreamCount() const { return m_streams.size(); }
    const CWmfStreamConfig* StreamAt(size_t nIndex) const { return m_streams[nIndex]; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IWMProfile
    HRESULT STDMETHODCALLTYPE GetVersion(WMT_VERSION* pdwVersion) override;
    HRESULT STDMETHODCALLTYPE GetName(WCHAR* pwszName, DWORD* pcchName) override;
    HRESULT STDMETHODCALLTYPE SetName(const WCHAR* pwszName) override;
    HRESULT STDMETHODCALLTYPE GetDescription(WCHAR* pwszDescription, DWORD* pcchDescription) override;
    HRESULT STDMETHODCALLTYPE SetDescription(const WCHAR* pwszDescription) override;
    HRESULT STDMETHODCALLTYPE GetStreamCount(DWORD* pcStreams) override;
    HRESULT STDMETHODCALLTYPE GetStream(DWORD dwStreamIndex, IWMStreamConfig** ppConfig) override;
    HRESULT STDMETHODCALLTYPE GetStreamByNumber(WORD wStreamNum, IWMStreamConfig** ppConfig) override;
    HRESULT STDMETHODCALLTYPE RemoveStream(IWMStreamConfig* pConfig) override;
    HRESULT STDMETHODCALLTYPE RemoveStreamByNumber(WORD wStreamNum) override;
    HRESULT STDMETHODCALLTYPE AddStream(IWMStreamConfig* pConfig) override;
    HRESULT STDMETHODCALLTYPE ReconfigStream(IWMStreamConfig* pConfig) override;
    HRESULT STDMETHODCALLTYPE CreateNewStream(REFGUID guidStreamType, IWMStreamConfig** ppConfig) override;
    HRESULT STDMETHODCALLTYPE GetMutualExclusionCount(DWORD* pcME) override;
    HRESULT STDMETHODCALLTYPE GetMutualExclusion(DWORD dwMEIndex, IWMMutualExclusion** ppME) override;
    HRESULT STDMETHODCALLTYPE RemoveMutualExclusion(IWMMutualExclusion* pME) override;
    HRESULT STDMETHODCALLTYPE AddMutualExclusion(IWMMutualExclusion* pME) override;
    HRESULT STDMETHODCALLTYPE CreateNewMutualExclusion(IWMMutualExclusion** ppME) override;

private:
    explicit CWmfProfile(WMT_VERSION version);
    virtual ~CWmfProfile();

    static HRESULT CopyText(const std::wstring& text, WCHAR* pszBuffer, DWORD* pcchBuffer);
    static CWmfStreamConfig* CompleteConfig(IWMStreamConfig* pConfig, HRESULT* phr);
    int FindStream(WORD wStreamNum) const;
    HRESULT ReturnCopy(size_t nIndex, IWMStreamConfig** ppConfig) const;

    LONG m_nRefs;
    WMT_VERSION m_version;
    std::wstring m_name;
    std::wstring m_description;
    std::vector<CWmfStreamConfig*> m_streams;
};
