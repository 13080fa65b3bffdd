#pragma once

#include <windows.h>

#include <mutex>
#include <vector>

// Keeps the memory of released sample buffers for the next ones: large blocks are slow to
// obtain and to touch for the first time, and a recording asks for one per sample.
class CWmfBufferPool
{
public:
    static CWmfBufferPool& Instance();

    // A block of at least cbSize bytes (its real capacity in *pcbCapacity), or null.
    BYTE* Take(DWORD cbSize, DWORD* pcbCapacity);
    // Keeps the block for later or frees it.
    void Give(BYTE* pBlock, DWORD cbCapacity);

    static const size_t MAX_BLOCKS = 16;
    static const size_t MAX_KEPT_BYTES = 32u << 20;

private:
    struct CBlock
    {
        BYTE* pData;
        DWORD cbCapacity;
    };

    CWmfBufferPool() = default;
    ~CWmfBufferPool();
    CWmfBufferPool(const CWmfBufferPool&) = delete;
    CWmfBufferPool& operator=(const CWmfBufferPool&) = delete;

    std::mutex m_lock;
    std::vector<CBlock> m_blocks;
    size_t m_cbKept = 0;
};
