#include "wmf/CWmfBufferPool.h"

#include <new>

CWmfBufferPool& CWmfBufferPool::Instance()
{
    // Never destroyed: buffers may still be released while the process exits.
    static CWmfBufferPool* pPool = new CWmfBufferPool();
    return *pPool;
}

CWmfBufferPool::~CWmfBufferPool()
{
    for (const CBlock& block : m_blocks)
        delete[] block.pData;
}

BYTE* CWmfBufferPool::Take(DWORD cbSize, DWORD* pcbCapacity)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        // The smallest kept block that fits, so that small samples leave the big blocks.
        size_t nBest = m_blocks.size();
        for (size_t i = 0; i < m_blocks.size(); ++i) {
            if (m_blocks[i].cbCapacity >= cbSize &&
                (nBest == m_blocks.size() || m_blocks[i].cbCapacity < m_blocks[nBest].cbCapacity))
                nBest = i;
        }
        if (nBest < m_blocks.size()) {
            const CBlock block = m_blocks[nBest];
            m_blocks.erase(m_blocks.begin() + nBest);
            m_cbKept -= block.cbCapacity;
            *pcbCapacity = block.cbCapacity;
            return block.pData;
        }
    }
    BYTE* pData = new (std::nothrow) BYTE[cbSize ? cbSize : 1];
    *pcbCapacity = pData ? cbSize : 0;
    return pData;
}

void CWmfBufferPool::Give(BYTE* pBlock, DWORD cbCapacity)
{
    if (!pBlock)
        return;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_blocks.size() < MAX_BLOCKS && m_cbKept + cbCapacity <= MAX_KEPT_BYTES) {
            m_blocks.push_back(CBlock{pBlock, cbCapacity});
            m_cbKept += cbCapacity;
            return;
        }
    }
    delete[] pBlock;
}
