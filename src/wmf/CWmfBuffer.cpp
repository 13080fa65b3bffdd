#include "wmf/CWmfBuffer.h"

#include <new>

#include "wmf/CWmfBufferPool.h"

CWmfBuffer* CWmfBuffer::Create(DWORD cbMaxLength)
{
    CWmfBuffer* pBuffer = new (std::nothrow) CWmfBuffer(cbMaxLength);
    if (pBuffer && !pBuffer->m_pData) {
        pBuffer->Release();
        return nullptr;
    }
    return pBuffer;
}

CWmfBuffer::CWmfBuffer(DWORD cbMaxLength)
    : m_nRefs(1), m_pData(nullptr), m_cbMaxLength(cbMaxLength), m_cbCapacity(0), m_cbLength(0)
{
    m_pData = CWmfBufferPool::Instance().Take(cbMaxLength, &m_cbCapacity);
}

CWmfBuffer::~CWmfBuffer()
{
    CWmfBufferPool::Instance().Give(m_pData, m_cbCapacity);
}

HRESULT CWmfBuffer::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_INSSBuffer) {
        *ppv = static_cast<INSSBuffer*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CWmfBuffer::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_nRefs));
}

ULONG CWmfBuffer::Release()
{
    const LONG nRefs = InterlockedDecrement(&m_nRefs);
    if (nRefs == 0)
        delete this;
    return static_cast<ULONG>(nRefs);
}

HRESULT CWmfBuffer::GetLength(DWORD* pdwLength)
{
    if (!pdwLength)
        return E_POINTER;
    *pdwLength = m_cbLength;
    return S_OK;
}

HRESULT CWmfBuffer::SetLength(DWORD dwLength)
{
    if (dwLength > m_cbMaxLength)
        return E_INVALIDARG;
    m_cbLength = dwLength;
    return S_OK;
}

HRESULT CWmfBuffer::GetMaxLength(DWORD* pdwLength)
{
    if (!pdwLength)
        return E_POINTER;
    *pdwLength = m_cbMaxLength;
    return S_OK;
}

HRESULT CWmfBuffer::GetBuffer(BYTE** ppBuffer)
{
    if (!ppBuffer)
        return E_POINTER;
    *ppBuffer = m_pData;
    return S_OK;
}

HRESULT CWmfBuffer::GetBufferAndLength(BYTE** ppBuffer, DWORD* pdwLength)
{
    if (!ppBuffer || !pdwLength)
        return E_POINTER;
    *ppBuffer = m_pData;
    *pdwLength = m_cbLength;
    return S_OK;
}
