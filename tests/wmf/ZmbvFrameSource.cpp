#include "wmf/ZmbvFrameSource.h"

namespace {

const int BLOCK = 16;

} // namespace

ZmbvFrameSource::ZmbvFrameSource(int nWidth, int nHeight, int nLevel)
    : m_nWidth(nWidth), m_nHeight(nHeight), m_nFrame(0), m_bReady(false), m_zs(),
      m_pixels(static_cast<size_t>(nWidth) * nHeight * 4)
{
    m_bReady = deflateInit(&m_zs, nLevel) == Z_OK;
}

ZmbvFrameSource::~ZmbvFrameSource()
{
    if (m_bReady)
        deflateEnd(&m_zs);
}

BITMAPINFOHEADER ZmbvFrameSource::Format() const
{
    BITMAPINFOHEADER bmi = {};
    bmi.biSize = sizeof(bmi);
    bmi.biWidth = m_nWidth;
    bmi.biHeight = m_nHeight;
    bmi.biPlanes = 1;
    bmi.biBitCount = 32;
    bmi.biCompression = FOURCC;
    bmi.biSizeImage = static_cast<DWORD>(m_pixels.size());
    return bmi;
}

void ZmbvFrameSource::Paint()
{
    for (int y = 0; y < m_nHeight; ++y) {
        for (int x = 0; x < m_nWidth; ++x) {
            BYTE* p = &m_pixels[(static_cast<size_t>(y) * m_nWidth + x) * 4];
            p[0] = static_cast<BYTE>(x + m_nFrame * 4);
            p[1] = static_cast<BYTE>(y * 2);
            p[2] = static_cast<BYTE>((x ^ y) + m_nFrame);
            p[3] = 0;
        }
    }
}

bool ZmbvFrameSource::Deflate(const BYTE* pData, size_t cbData, std::vector<BYTE>& out)
{
    m_zs.next_in = const_cast<Bytef*>(pData);
    m_zs.avail_in = static_cast<uInt>(cbData);
    BYTE chunk[65536];
    do {
        m_zs.next_out = chunk;
        m_zs.avail_out = sizeof(chunk);
        if (deflate(&m_zs, Z_SYNC_FLUSH) == Z_STREAM_ERROR)
            return false;
        out.insert(out.end(), chunk, chunk + (sizeof(chunk) - m_zs.avail_out));
    } while (m_zs.avail_out == 0);
    return true;
}

bool ZmbvFrameSource::Next(bool bKeyFrame, std::vector<BYTE>& out)
{
    if (!m_bReady)
        return false;
    out.clear();
    ++m_nFrame;
    if (bKeyFrame) {
        deflateReset(&m_zs);
        Paint();
        const BYTE header[7] = {1, 0, 1, 1, 8, BLOCK, BLOCK}; // key, version 0.1, zlib, 32 bpp, 16x16 blocks
        out.assign(header, header + sizeof(header));
        return Deflate(m_pixels.data(), m_pixels.size(), out);
    }
    const int nBlocksX = (m_nWidth + BLOCK - 1) / BLOCK;
    const int nBlocksY = (m_nHeight + BLOCK - 1) / BLOCK;
    std::vector<BYTE> vectors((nBlocksX * nBlocksY * 2 + 3) & ~3, 0);
    out.push_back(0);
    return Deflate(vectors.data(), vectors.size(), out);
}
