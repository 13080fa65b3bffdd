#include "writer/CRiffBuilder.h"

void CRiffBuilder::Dword(DWORD dwValue)
{
    for (int i = 0; i < 4; ++i, dwValue >>= 8)
        m_out.push_back(static_cast<BYTE>(dwValue));
}

void CRiffBuilder::Chunk(DWORD dwId, const void* pData, DWORD cbData)
{
    Dword(dwId);
    Dword(cbData);
    const BYTE* pBytes = static_cast<const BYTE*>(pData);
    if (cbData)
        m_out.insert(m_out.end(), pBytes, pBytes + cbData);
    if (cbData & 1)
        m_out.push_back(0);
}

size_t CRiffBuilder::BeginList(DWORD dwList, DWORD dwType)
{
    const size_t nStart = m_out.size();
    Dword(dwList);
    Dword(0);
    Dword(dwType);
    return nStart;
}

void CRiffBuilder::EndList(size_t nStart)
{
    DWORD cbList = static_cast<DWORD>(m_out.size() - nStart - 8);
    for (int i = 0; i < 4; ++i, cbList >>= 8)
        m_out[nStart + 4 + i] = static_cast<BYTE>(cbList);
}
