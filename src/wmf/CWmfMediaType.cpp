#include "wmf/CWmfMediaType.h"

#include <cstring>

CWmfMediaType::CWmfMediaType() : m_type(), m_bSet(false)
{
}

CWmfMediaType::CWmfMediaType(const CWmfMediaType& other) : m_type(), m_bSet(false)
{
    *this = other;
}

CWmfMediaType& CWmfMediaType::operator=(const CWmfMediaType& other)
{
    if (this == &other)
        return *this;
    if (other.m_bSet)
        Assign(other.m_type);
    else
        Clear();
    return *this;
}

void CWmfMediaType::Assign(const WM_MEDIA_TYPE& type)
{
    m_type = type;
    m_type.pUnk = nullptr;
    if (type.pbFormat && type.cbFormat)
        m_format.assign(type.pbFormat, type.pbFormat + type.cbFormat);
    else
        m_format.clear();
    m_type.cbFormat = static_cast<ULONG>(m_format.size());
    m_type.pbFormat = m_format.empty() ? nullptr : m_format.data();
    m_bSet = true;
}

void CWmfMediaType::Clear()
{
    m_type = WM_MEDIA_TYPE();
    m_format.clear();
    m_bSet = false;
}

const WM_MEDIA_TYPE* CWmfMediaType::Get() const
{
    return m_bSet ? &m_type : nullptr;
}

HRESULT CWmfMediaType::CopyTo(WM_MEDIA_TYPE* pType, DWORD* pcbType) const
{
    if (!pcbType)
        return E_POINTER;
    if (!m_bSet)
        return NS_E_INVALID_REQUEST;
    const DWORD cbNeeded = static_cast<DWORD>(sizeof(WM_MEDIA_TYPE) + m_format.size());
    if (!pType) {
        *pcbType = cbNeeded;
        return S_OK;
    }
    if (*pcbType < cbNeeded)
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    *pType = m_type;
    pType->pbFormat = nullptr;
    if (!m_format.empty()) {
        BYTE* pFormat = reinterpret_cast<BYTE*>(pType + 1);
        memcpy(pFormat, m_format.data(), m_format.size());
        pType->pbFormat = pFormat;
    }
    *pcbType = cbNeeded;
    return S_OK;
}
