#pragma once

#include <string>
#include <vector>

#include "base/ScopedWin.h"
#include "wmf/CAsfMuxer.h"

// Writer of the built-in runtime. Takes compressed samples only (every input is set to
// "no uncompressed input") and writes them into one ASF file named by SetOutputFilename.
class CWmfWriter : public IWMWriter, public IWMWriterAdvanced, public IWMHeaderInfo3
{
public:
    static CWmfWriter* Create();

    // Packets of files begun after this call have the given size (bytes).
    bool SetPacketSize(DWORD cbPacket);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IWMWriter
    HRESULT STDMETHODCALLTYPE SetProfileByID(REFGUID guidProfile) override;
    HRESULT STDMETHODCALLTYPE SetProfile(IWMProfile* pProfile) override;
    HRESULT STDMETHODCALLTYPE SetOutputFilename(const WCHAR* pwszFilename) override;
    HRESULT STDMETHODCALLTYPE GetInputCount(DWORD* pcInputs) override;
    HRESULT STDMETHODCALLTYPE GetInputProps(DWORD dwInputNum, IWMInputMediaProps** ppInput) override;
    HRESULT STDMETHODCALLTYPE SetInputProps(DWORD dwInputNum, IWMInputMediaProps* pInput) override;
    HRESULT STDMETHODCALLTYPE GetInputFormatCount(DWORD dwInputNumber, DWORD* pcFormats) override;
    HRESULT STDMETHODCALLTYPE GetInputFormat(DWORD dwInputNumber, DWORD dwFormatNumber,
                                             IWMInputMediaProps** ppProps) override;
    HRESULT STDMETHODCALLTYPE BeginWriting() override;
    HRESULT STDMETHODCALLTYPE EndWriting() override;
    HRESULT STDMETHODCALLTYPE AllocateSample(DWORD dwSampleSize, INSSBuffer** ppSample) override;
    HRESULT STDMETHODCALLTYPE WriteSample(DWORD dwInputNum, QWORD cnsSampleTime, DWORD dwFlags,
                                          INSSBuffer* pSample) override;
    HRESULT STDMETHODCALLTYPE Flush() override;

    // IWMWriterAdvanced
    HRESULT STDMETHODCALLTYPE GetSinkCount(DWORD* pcSinks) override;
    HRESULT STDMETHODCALLTYPE GetSink(DWORD dwSinkNum, IWMWriterSink** ppSink) override;
    HRESULT STDMETHODCALLTYPE AddSink(IWMWriterSink* pSink) override;
    HRESULT STDMETHODCALLTYPE RemoveSink(IWMWriterSink* pSink) override;
    HRESULT STDMETHODCALLTYPE WriteStreamSample(WORD wStreamNum, QWORD cnsSampleTime, DWORD msSampleSendTime,
                                                QWORD cnsSampleDuration, DWORD dwFlags, INSSBuffer* pSample) override;
    HRESULT STDMETHODCALLTYPE SetLiveSource(WINBOOL fIsLiveSource) override;
    HRESULT STDMETHODCALLTYPE IsRealTime(WINBOOL* pfRealTime) override;
    HRESULT STDMETHODCALLTYPE GetWriterTime(QWORD* pCurrentTime) override;
    HRESULT STDMETHODCALLTYPE GetStatistics(WORD wStreamNum, WM_WRITER_STATISTICS* pStats) override;
    HRESULT STDMETHODCALLTYPE SetSyncTolerance(DWORD msWindow) override;
    HRESULT STDMETHODCALLTYPE GetSyncTolerance(DWORD* pmsWindow) override;

    // IWMHeaderInfo
    HRESULT STDMETHODCALLTYPE GetAttributeCount(WORD wStreamNum, WORD* pcAttributes) override;
    HRESULT STDMETHODCALLTYPE GetAttributeByIndex(WORD wIndex, WORD* pwStreamNum, WCHAR* pwszName, WORD* pcchNameLen,
                                                  WMT_ATTR_DATATYPE* pType, BYTE* pValue, WORD* pcbLength) override;
    HRESULT STDMETHODCALLTYPE GetAttributeByName(WORD* pwStreamNum, LPCWSTR pszName, WMT_ATTR_DATATYPE* pType,
                                                 BYTE* pValue, WORD* pcbLength) override;
    HRESULT STDMETHODCALLTYPE SetAttribute(WORD wStreamNum, LPCWSTR pszName, WMT_ATTR_DATATYPE type, const BYTE* pValue,
                                           WORD cbLength) override;
    HRESULT STDMETHODCALLTYPE GetMarkerCount(WORD* pcMarkers) override;
    HRESULT STDMETHODCALLTYPE GetMarker(WORD wIndex, WCHAR* pwszMarkerName, WORD* pcchMarkerNameLen,
                                        QWORD* pcnsMarkerTime) override;
    HRESULT STDMETHODCALLTYPE AddMarker(LPCWSTR_WMSDK_TYPE_SAFE pwszMarkerName, QWORD cnsMarkerTime) override;
    HRESULT STDMETHODCALLTYPE RemoveMarker(WORD wIndex) override;
    HRESULT STDMETHODCALLTYPE GetScriptCount(WORD* pcScripts) override;
    HRESULT STDMETHODCALLTYPE GetScript(WORD wIndex, WCHAR* pwszType, WORD* pcchTypeLen, WCHAR* pwszCommand,
                                        WORD* pcchCommandLen, QWORD* pcnsScriptTime) override;
    HRESULT STDMETHODCALLTYPE AddScript(LPCWSTR_WMSDK_TYPE_SAFE pwszType, LPCWSTR_WMSDK_TYPE_SAFE pwszCommand,
                                        QWORD cnsScriptTime) override;
    HRESULT STDMETHODCALLTYPE RemoveScript(WORD wIndex) override;

    // IWMHeaderInfo2
    HRESULT STDMETHODCALLTYPE GetCodecInfoCount(DWORD* pcCodecInfos) override;
    HRESULT STDMETHODCALLTYPE GetCodecInfo(DWORD wIndex, WORD* pcchName, WCHAR* pwszName, WORD* pcchDescription,
                                           WCHAR* pwszDescription, WMT_CODEC_INFO_TYPE* pCodecType, WORD* pcbCodecInfo,
                                           BYTE* pbCodecInfo) override;

    // IWMHeaderInfo3
    HRESULT STDMETHODCALLTYPE GetAttributeCountEx(WORD wStreamNum, WORD* pcAttributes) override;
    HRESULT STDMETHODCALLTYPE GetAttributeIndices(WORD wStreamNum, LPCWSTR pwszName, WORD* pwLangIndex, WORD* pwIndices,
                                                  WORD* pwCount) override;
    HRESULT STDMETHODCALLTYPE GetAttributeByIndexEx(WORD wStreamNum, WORD wIndex, LPWSTR pwszName, WORD* pwNameLen,
                                                    WMT_ATTR_DATATYPE* pType, WORD* pwLangIndex, BYTE* pValue,
                                                    DWORD* pdwDataLength) override;
    HRESULT STDMETHODCALLTYPE ModifyAttribute(WORD wStreamNum, WORD wIndex, WMT_ATTR_DATATYPE type, WORD wLangIndex,
                                              const BYTE* pValue, DWORD dwLength) override;
    HRESULT STDMETHODCALLTYPE AddAttribute(WORD wStreamNum, LPCWSTR pszName, WORD* pwIndex, WMT_ATTR_DATATYPE type,
                                           WORD wLangIndex, const BYTE* pValue, DWORD dwLength) override;
    HRESULT STDMETHODCALLTYPE DeleteAttribute(WORD wStreamNum, WORD wIndex) override;
    HRESULT STDMETHODCALLTYPE AddCodecInfo(LPCWSTR_WMSDK_TYPE_SAFE pwszName, LPCWSTR_WMSDK_TYPE_SAFE pwszDescription,
                                           WMT_CODEC_INFO_TYPE codecType, WORD cbCodecInfo, BYTE* pbCodecInfo) override;

private:
    struct CStreamStatistics
    {
        WORD wNumber;
        ULONGLONG nSamples;
        ULONGLONG cbBytes;
    };

    static constexpr DWORD kDefaultSyncToleranceMs = 3000;

    CWmfWriter();
    virtual ~CWmfWriter();

    HRESULT WriteLocked(WORD wStreamNum, QWORD cnsSampleTime, DWORD msSendTime, QWORD cnsDuration, DWORD dwFlags,
                        INSSBuffer* pSample);
    CStreamStatistics* FindStatistics(WORD wStreamNum);
    static HRESULT CopyCountedText(const std::wstring& text, WCHAR* pszBuffer, WORD* pcchBuffer);

    LONG m_nRefs = 1;
    CCriticalSection m_cs; // held for one call
    bool m_bHasProfile = false;
    std::vector<CAsfMuxer::CStreamInfo> m_streams;
    std::vector<CStreamStatistics> m_statistics;
    std::wstring m_fileName;
    std::vector<CAsfMuxer::CCodecEntry> m_codecs;
    CAsfMuxer m_muxer;
    bool m_bWriting = false;
    BOOL m_bLiveSource = FALSE;
    DWORD m_msSyncTolerance = kDefaultSyncToleranceMs;
    QWORD m_cnsWriterTime = 0;
};
