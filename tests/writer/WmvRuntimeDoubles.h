#pragma once

// Test doubles around the built-in Windows Media runtime: a profile manager whose profiles
// refuse the media type of one stream type, and a writer-advanced interface that records
// what it is asked to write.
#include <windows.h>

#include <vector>

#include "wmf/WmfTypes.h"

// Creates profile managers that refuse SetMediaType for streams of the given type.
void SetRefusedStreamType(const GUID& guidType);
HRESULT WINAPI CreateRefusingProfileManager(IWMProfileManager** ppManager);

struct WrittenSample
{
    WORD wStream;
    QWORD cnsTime;
    DWORD msSendTime;
    QWORD cnsDuration;
    DWORD dwFlags;
    INSSBuffer* pBuffer;
};

class CRecordingAdvanced : public IWMWriterAdvanced
{
public:
    CRecordingAdvanced() = default;
    virtual ~CRecordingAdvanced() = default;

    std::vector<WrittenSample> samples;
    HRESULT hrResult = S_OK;
    LONG nRefs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&nRefs); }
    ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&nRefs); }
    HRESULT STDMETHODCALLTYPE GetSinkCount(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSink(DWORD, IWMWriterSink**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddSink(IWMWriterSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveSink(IWMWriterSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE WriteStreamSample(WORD wStreamNum, QWORD cnsSampleTime, DWORD msSampleSendTime,
                                                QWORD cnsSampleDuration, DWORD dwFlags, INSSBuffer* pSample) override;
    HRESULT STDMETHODCALLTYPE SetLiveSource(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsRealTime(WINBOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetWriterTime(QWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStatistics(WORD, WM_WRITER_STATISTICS*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSyncTolerance(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSyncTolerance(DWORD*) override { return E_NOTIMPL; }
};
