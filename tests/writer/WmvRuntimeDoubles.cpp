#include "writer/WmvRuntimeDoubles.h"

#include <new>

#include "wmf/WmfRuntime.h"

namespace {

GUID g_refusedType = GUID_NULL;

// A stream configuration of the built-in runtime whose media props refuse every type.
class CRefusingConfig : public IWMStreamConfig, public IWMMediaProps
{
public:
    explicit CRefusingConfig(IWMStreamConfig* pInner) : m_nRefs(1), m_pInner(pInner) {}
    virtual ~CRefusingConfig() { m_pInner->Release(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IWMStreamConfig)
            *ppv = static_cast<IWMStreamConfig*>(this);
        else if (riid == IID_IWMMediaProps)
            *ppv = static_cast<IWMMediaProps*>(this);
        else
            return m_pInner->QueryInterface(riid, ppv);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_nRefs); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG n = InterlockedDecrement(&m_nRefs);
        if (!n)
            delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE GetStreamType(GUID* p) override { return m_pInner->GetStreamType(p); }
    HRESULT STDMETHODCALLTYPE GetStreamNumber(WORD* p) override { return m_pInner->GetStreamNumber(p); }
    HRESULT STDMETHODCALLTYPE SetStreamNumber(WORD w) override { return m_pInner->SetStreamNumber(w); }
    HRESULT STDMETHODCALLTYPE GetStreamName(WCHAR* p, WORD* c) override { return m_pInner->GetStreamName(p, c); }
    HRESULT STDMETHODCALLTYPE SetStreamName(LPCWSTR_WMSDK_TYPE_SAFE p) override { return m_pInner->SetStreamName(p); }
    HRESULT STDMETHODCALLTYPE GetConnectionName(WCHAR* p, WORD* c) override
    {
        return m_pInner->GetConnectionName(p, c);
    }
    HRESULT STDMETHODCALLTYPE SetConnectionName(LPCWSTR_WMSDK_TYPE_SAFE p) override
    {
        return m_pInner->SetConnectionName(p);
    }
    HRESULT STDMETHODCALLTYPE GetBitrate(DWORD* p) override { return m_pInner->GetBitrate(p); }
    HRESULT STDMETHODCALLTYPE SetBitrate(DWORD d) override { return m_pInner->SetBitrate(d); }
    HRESULT STDMETHODCALLTYPE GetBufferWindow(DWORD* p) override { return m_pInner->GetBufferWindow(p); }
    HRESULT STDMETHODCALLTYPE SetBufferWindow(DWORD d) override { return m_pInner->SetBufferWindow(d); }
    HRESULT STDMETHODCALLTYPE GetType(GUID* p) override { return m_pInner->GetStreamType(p); }
    HRESULT STDMETHODCALLTYPE GetMediaType(WM_MEDIA_TYPE*, DWORD*) override { return NS_E_INVALID_REQUEST; }
    HRESULT STDMETHODCALLTYPE SetMediaType(WM_MEDIA_TYPE*) override { return NS_E_INVALID_INPUT_FORMAT; }

private:
    LONG m_nRefs;
    IWMStreamConfig* m_pInner;
};

// A built-in profile whose new streams of the refused type refuse their media type.
class CRefusingProfile : public IWMProfile
{
public:
    explicit CRefusingProfile(IWMProfile* pInner) : m_nRefs(1), m_pInner(pInner) {}
    virtual ~CRefusingProfile() { m_pInner->Release(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IWMProfile) {
            *ppv = static_cast<IWMProfile*>(this);
            AddRef();
            return S_OK;
        }
        return m_pInner->QueryInterface(riid, ppv); // lets the built-in writer find its profile
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_nRefs); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG n = InterlockedDecrement(&m_nRefs);
        if (!n)
            delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE GetVersion(WMT_VERSION* p) override { return m_pInner->GetVersion(p); }
    HRESULT STDMETHODCALLTYPE GetName(WCHAR* p, DWORD* c) override { return m_pInner->GetName(p, c); }
    HRESULT STDMETHODCALLTYPE SetName(const WCHAR* p) override { return m_pInner->SetName(p); }
    HRESULT STDMETHODCALLTYPE GetDescription(WCHAR* p, DWORD* c) override { return m_pInner->GetDescription(p, c); }
    HRESULT STDMETHODCALLTYPE SetDescription(const WCHAR* p) override { return m_pInner->SetDescription(p); }
    HRESULT STDMETHODCALLTYPE GetStreamCount(DWORD* p) override { return m_pInner->GetStreamCount(p); }
    HRESULT STDMETHODCALLTYPE GetStream(DWORD i, IWMStreamConfig** pp) override { return m_pInner->GetStream(i, pp); }
    HRESULT STDMETHODCALLTYPE GetStreamByNumber(WORD w, IWMStreamConfig** pp) override
    {
        return m_pInner->GetStreamByNumber(w, pp);
    }
    HRESULT STDMETHODCALLTYPE RemoveStream(IWMStreamConfig* p) override { return m_pInner->RemoveStream(p); }
    HRESULT STDMETHODCALLTYPE RemoveStreamByNumber(WORD w) override { return m_pInner->RemoveStreamByNumber(w); }
    HRESULT STDMETHODCALLTYPE AddStream(IWMStreamConfig* p) override { return m_pInner->AddStream(p); }
    HRESULT STDMETHODCALLTYPE ReconfigStream(IWMStreamConfig* p) override { return m_pInner->ReconfigStream(p); }
    HRESULT STDMETHODCALLTYPE CreateNewStream(REFGUID guidType, IWMStreamConfig** ppConfig) override
    {
        HRESULT hr = m_pInner->CreateNewStream(guidType, ppConfig);
        if (SUCCEEDED(hr) && guidType == g_refusedType) {
            CRefusingConfig* pWrapper = new (std::nothrow) CRefusingConfig(*ppConfig);
            *ppConfig = pWrapper;
            hr = pWrapper ? S_OK : E_OUTOFMEMORY;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE GetMutualExclusionCount(DWORD* p) override
    {
        return m_pInner->GetMutualExclusionCount(p);
    }
    HRESULT STDMETHODCALLTYPE GetMutualExclusion(DWORD i, IWMMutualExclusion** pp) override
    {
        return m_pInner->GetMutualExclusion(i, pp);
    }
    HRESULT STDMETHODCALLTYPE RemoveMutualExclusion(IWMMutualExclusion* p) override
    {
        return m_pInner->RemoveMutualExclusion(p);
    }
    HRESULT STDMETHODCALLTYPE AddMutualExclusion(IWMMutualExclusion* p) override
    {
        return m_pInner->AddMutualExclusion(p);
    }
    HRESULT STDMETHODCALLTYPE CreateNewMutualExclusion(IWMMutualExclusion** pp) override
    {
        return m_pInner->CreateNewMutualExclusion(pp);
    }

private:
    LONG m_nRefs;
    IWMProfile* m_pInner;
};

class CRefusingManager : public IWMProfileManager
{
public:
    explicit CRefusingManager(IWMProfileManager* pInner) : m_nRefs(1), m_pInner(pInner) {}
    virtual ~CRefusingManager() { m_pInner->Release(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IWMProfileManager) {
            *ppv = static_cast<IWMProfileManager*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_nRefs); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG n = InterlockedDecrement(&m_nRefs);
        if (!n)
            delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE CreateEmptyProfile(WMT_VERSION version, IWMProfile** ppProfile) override
    {
        IWMProfile* pInner = nullptr;
        HRESULT hr = m_pInner->CreateEmptyProfile(version, &pInner);
        if (FAILED(hr))
            return hr;
        *ppProfile = new (std::nothrow) CRefusingProfile(pInner);
        return *ppProfile ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE LoadProfileByID(REFGUID, IWMProfile**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LoadProfileByData(const WCHAR*, IWMProfile**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SaveProfile(IWMProfile*, WCHAR*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSystemProfileCount(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LoadSystemProfile(DWORD, IWMProfile**) override { return E_NOTIMPL; }

private:
    LONG m_nRefs;
    IWMProfileManager* m_pInner;
};

} // namespace

void SetRefusedStreamType(const GUID& guidType)
{
    g_refusedType = guidType;
}

HRESULT WINAPI CreateRefusingProfileManager(IWMProfileManager** ppManager)
{
    IWMProfileManager* pInner = nullptr;
    HRESULT hr = OrvWMCreateProfileManager(&pInner);
    if (FAILED(hr))
        return hr;
    *ppManager = new (std::nothrow) CRefusingManager(pInner);
    return *ppManager ? S_OK : E_OUTOFMEMORY;
}

HRESULT CRecordingAdvanced::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IWMWriterAdvanced) {
        *ppv = static_cast<IWMWriterAdvanced*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT CRecordingAdvanced::WriteStreamSample(WORD wStreamNum, QWORD cnsSampleTime, DWORD msSampleSendTime,
                                              QWORD cnsSampleDuration, DWORD dwFlags, INSSBuffer* pSample)
{
    samples.push_back(WrittenSample{wStreamNum, cnsSampleTime, msSampleSendTime, cnsSampleDuration, dwFlags, pSample});
    return hrResult;
}
