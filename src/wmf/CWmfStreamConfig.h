#pragma once

#include <string>
#include <vector>

#include "wmf/CWmfMediaType.h"

// One stream of a built-in profile: number, name, rates, the compressed media type and a
// property vault (video streams also key-frame spacing and quality). A profile keeps its own
// copies (see Clone).
class CWmfStreamConfig : public IWMStreamConfig, public IWMVideoMediaProps, public IWMPropertyVault
{
public:
    // Returns a configuration with one reference, or null. Only audio and video are supported.
    static CWmfStreamConfig* Create(REFGUID guidStreamType);
    CWmfStreamConfig* Clone() const;
    // The built-in object behind an interface pointer, or null for anyone else's object.
    // No reference is added.
    static CWmfStreamConfig* FromInterface(IUnknown* pUnknown);

    static bool IsSupportedStreamType(REFGUID guidStreamType);
    // Checks that a media type fits the stream type and carries a well-formed format block.
    static bool IsValidMediaType(REFGUID guidStreamType, const WM_MEDIA_TYPE& type);

    WORD StreamNumber() const { return m_wStreamNumber; }
    const GUID& StreamType() const { return m_guidStreamType; }
    DWORD Bitrate() const { return m_dwBitrate; }
    DWORD BufferWindow() const { return m_dwBufferWindow; }
    const CWmfMediaType& MediaType() const { return m_mediaType; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IWMStreamConfig
    HRESULT STDMETHODCALLTYPE GetStreamType(GUID* pguidStreamType) override;
    HRESULT STDMETHODCALLTYPE GetStreamNumber(WORD* pwStreamNum) override;
    HRESULT STDMETHODCALLTYPE SetStreamNumber(WORD wStreamNum) override;
    HRESULT STDMETHODCALLTYPE GetStreamName(WCHAR* pwszStreamName, WORD* pcchStreamName) override;
    HRESULT STDMETHODCALLTYPE SetStreamName(LPCWSTR_WMSDK_TYPE_SAFE pwszStreamName) override;
    HRESULT STDMETHODCALLTYPE GetConnectionName(WCHAR* pwszInputName, WORD* pcchInputName) override;
    HRESULT STDMETHODCALLTYPE SetConnectionName(LPCWSTR_WMSDK_TYPE_SAFE pwszInputName) override;
    HRESULT STDMETHODCALLTYPE GetBitrate(DWORD* pdwBitrate) override;
    HRESULT STDMETHODCALLTYPE SetBitrate(DWORD dwBitrate) override;
    HRESULT STDMETHODCALLTYPE GetBufferWindow(DWORD* pmsBufferWindow) override;
    HRESULT STDMETHODCALLTYPE SetBufferWindow(DWORD msBufferWindow) override;

    // IWMMediaProps
    HRESULT STDMETHODCALLTYPE GetType(GUID* pguidType) override;
    HRESULT STDMETHODCALLTYPE GetMediaType(WM_MEDIA_TYPE* pType, DWORD* pcbType) override;
    HRESULT STDMETHODCALLTYPE SetMediaType(WM_MEDIA_TYPE* pType) override;

    // IWMVideoMediaProps (answered for video streams only)
    HRESULT STDMETHODCALLTYPE GetMaxKeyFrameSpacing(LONGLONG* pllTime) override;
    HRESULT STDMETHODCALLTYPE SetMaxKeyFrameSpacing(LONGLONG llTime) override;
    HRESULT STDMETHODCALLTYPE GetQuality(DWORD* pdwQuality) override;
    HRESULT STDMETHODCALLTYPE SetQuality(DWORD dwQuality) override;

    // IWMPropertyVault
    HRESULT STDMETHODCALLTYPE GetPropertyCount(DWORD* pdwCount) override;
    HRESULT STDMETHODCALLTYPE GetPropertyByName(const WCHAR* pszName, WMT_ATTR_DATATYPE* pType, BYTE* pValue,
                                                DWORD* pdwSize) override;
    HRESULT STDMETHODCALLTYPE SetProperty(const WCHAR* pszName, WMT_ATTR_DATATYPE type, BYTE* pValue,
                                          DWORD dwSize) override;
    HRESULT STDMETHODCALLTYPE GetPropertyByIndex(DWORD dwIndex, WCHAR* pszName, DWORD* pdwNameLength,
                                                 WMT_ATTR_DATATYPE* pType, BYTE* pValue, DWORD* pdwSize) override;
    HRESULT STDMETHODCALLTYPE CopyPropertiesFrom(IWMPropertyVault* pVault) override;
    HRESULT STDMETHODCALLTYPE Clear() override;

private:
    struct CProperty
    {
        std::wstring name;
        WMT_ATTR_DATATYPE type;
        std::vector<BYTE> value;
    };

    explicit CWmfStreamConfig(REFGUID guidStreamType);
    virtual ~CWmfStreamConfig() = default;

    static HRESULT CopyName(const std::wstring& name, WCHAR* pszBuffer, WORD* pcchBuffer);
    static HRESULT CopyValue(const CProperty& property, WMT_ATTR_DATATYPE* pType, BYTE* pValue, DWORD* pdwSize);
    CProperty* FindProperty(const WCHAR* pszName);

    LONG m_nRefs;
    GUID m_guidStreamType;
    WORD m_wStreamNumber;
    DWORD m_dwBitrate;
    DWORD m_dwBufferWindow;
    std::wstring m_name;
    std::wstring m_connection;
    CWmfMediaType m_mediaType;
    LONGLONG m_llMaxKeyFrameSpacing; // 100-ns units
    DWORD m_dwQuality;
    std::vector<CProperty> m_properties;
};
