#pragma once

#include <vector>

#include "wmf/WmfTypes.h"

// A sample buffer of the built-in runtime: fixed capacity, adjustable length. Its memory
// comes from and goes back to the runtime's buffer pool.
class CWmfBuffer : public INSSBuffer
{
public:
    // Returns a buffer with one reference, or null when the memory is not there.
    static CWmfBuffer* Create(DWORD cbMaxLength);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // INSSBuffer
    HRESULT STDMETHODCALLTYPE GetLength(DWORD* pdwLength) override;
    HRESULT STDMETHODCALLTYPE SetLength(DWORD dwLength) override;
    HRESULT STDMETHODCALLTYPE GetMaxLength(DWORD* pdwLength) override;
    HRESULT STDMETHODCALLTYPE GetBuffer(BYTE** ppBuffer) override;
    HRESULT STDMETHODCALLTYPE GetBufferAndLength(BYTE** ppBuffer, DWORD* pdwLength) override;

private:
    explicit CWmfBuffer(DWORD cbMaxLength);
    virtual ~CWmfBuffer();

    LONG m_nRefs;
    BYTE* m_pData;
    DWORD m_cbMaxLength;
    DWORD m_cbCapacity; // of the memory block, which may come larger from the pool
    DWORD m_cbLength;
};
