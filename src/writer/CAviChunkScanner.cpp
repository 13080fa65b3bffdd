#include "writer/CAviChunkScanner.h"

#include <vfw.h>

#include <algorithm>
#include <cstring>

#include "writer/CRiffBuilder.h"

namespace {

const DWORD kReadBlock = 4 * 1024 * 1024;
const DWORD kRiff = mmioFOURCC('R', 'I', 'F', 'F');
const DWORD kAvi = mmioFOURCC('A', 'V', 'I', ' ');
const DWORD kList = mmioFOURCC('L', 'I', 'S', 'T');
const DWORD kMovie = mmioFOURCC('m', 'o', 'v', 'i');
const DWORD kRecord = mmioFOURCC('r', 'e', 'c', ' ');
const DWORD kJunk = mmioFOURCC('J', 'U', 'N', 'K');

int HexDigit(BYTE c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool TypeFits(DWORD dwStreamType, BYTE c0, BYTE c1)
{
    if (dwStreamType == streamtypeVIDEO)
        return c0 == 'd' && (c1 == 'b' || c1 == 'c');
    if (dwStreamType == streamtypeAUDIO)
        return c0 == 'w' && c1 == 'b';
    return false;
}

} // namespace

bool CAviChunkScanner::Open(const char* pszPath, const std::vector<DWORD>& streamTypes)
{
    Close();
    if (!m_file.OpenRead(pszPath))
        return false;
    m_cbFile = m_file.Size();
    m_streamTypes = streamTypes;
    return true;
}

void CAviChunkScanner::Close()
{
    m_file.Close();
    m_cbFile = 0;
    m_buffer.clear();
    m_nBufferStart = 0;
    m_cbBuffered = 0;
    m_nPosition = 0;
    m_nUsableEnd = 0;
    m_bInData = false;
    m_bEnded = false;
    m_bBlank = false;
}

bool CAviChunkScanner::Fetch(ULONGLONG nOffset, DWORD nBytes)
{
    if (!m_file.IsOpen() || nOffset > m_cbFile || nBytes > m_cbFile - nOffset)
        return false;
    if (nOffset >= m_nBufferStart && nOffset + nBytes <= m_nBufferStart + m_cbBuffered)
        return true;
    // The walk only goes forward: what is kept moves to the front, the rest is read after it.
    if (nOffset >= m_nBufferStart && nOffset < m_nBufferStart + m_cbBuffered) {
        const size_t nKeep = static_cast<size_t>(m_nBufferStart + m_cbBuffered - nOffset);
        memmove(m_buffer.data(), At(nOffset), nKeep);
        m_cbBuffered = nKeep;
    } else {
        if (!m_file.Seek(nOffset))
            return false;
        m_cbBuffered = 0;
    }
    m_nBufferStart = nOffset;
    const size_t cbWanted = std::max<size_t>(nBytes, kReadBlock);
    if (m_buffer.size() < cbWanted)
        m_buffer.resize(cbWanted);
    while (m_cbBuffered < nBytes) {
        DWORD cbRead = 0;
        const DWORD cbRoom = static_cast<DWORD>(m_buffer.size() - m_cbBuffered);
        if (!m_file.Read(m_buffer.data() + m_cbBuffered, cbRoom, cbRead) || cbRead == 0)
            return false;
        m_cbBuffered += cbRead;
    }
    return true;
}

// Past the file's own headers, when they were written, or the zeros the AVI library leaves in
// their place until the file is closed.
bool CAviChunkScanner::FindData()
{
    ULONGLONG nPosition = 0;
    if (Fetch(0, 12) && RiffDword(At(0)) == kRiff && RiffDword(At(8)) == kAvi) {
        for (nPosition = 12; Fetch(nPosition, 12);) {
            const DWORD dwId = RiffDword(At(nPosition));
            const DWORD cbData = RiffDword(At(nPosition + 4));
            if (dwId == kList && RiffDword(At(nPosition + 8)) == kMovie) {
                m_nPosition = nPosition + 12;
                return true;
            }
            if (dwId != kList && dwId != kJunk)
                break;
            if (cbData > m_cbFile - nPosition - 8)
                return false;
            nPosition += 8 + RiffPadded(cbData);
        }
    }
    m_nPosition = nPosition;
    return SkipZeros();
}

bool CAviChunkScanner::SkipZeros()
{
    for (;;) {
        if (m_nPosition >= m_cbFile) {
            m_bBlank = m_nPosition == m_cbFile;
            return false;
        }
        const DWORD nBytes = static_cast<DWORD>(std::min<ULONGLONG>(kReadBlock, m_cbFile - m_nPosition));
        if (!Fetch(m_nPosition, nBytes))
            return false;
        const BYTE* p = At(m_nPosition);
        const BYTE* pFound = std::find_if(p, p + nBytes, [](BYTE b) { return b != 0; });
        m_nPosition += static_cast<ULONGLONG>(pFound - p);
        if (pFound != p + nBytes)
            break;
    }
    // Chunks start at even offsets, and no chunk's name begins with a zero.
    if (m_nPosition & 1)
        return false;
    if (Fetch(m_nPosition, 12) && RiffDword(At(m_nPosition)) == kList && RiffDword(At(m_nPosition + 8)) == kMovie)
        m_nPosition += 12;
    return true;
}

int CAviChunkScanner::StreamOf(DWORD dwId) const
{
    const BYTE* p = reinterpret_cast<const BYTE*>(&dwId);
    const int nHigh = HexDigit(p[0]);
    const int nLow = HexDigit(p[1]);
    if (nHigh < 0 || nLow < 0)
        return -1;
    const size_t nStream = static_cast<size_t>(nHigh * 16 + nLow);
    if (nStream >= m_streamTypes.size() || !TypeFits(m_streamTypes[nStream], p[2], p[3]))
        return -1;
    return static_cast<int>(nStream);
}

CAviChunkScanner::Kind CAviChunkScanner::Classify(DWORD dwId, DWORD cbData, int& nStream) const
{
    nStream = StreamOf(dwId);
    if (nStream >= 0)
        return cbData <= kMaxChunkSize ? DATA : END;
    const BYTE* p = reinterpret_cast<const BYTE*>(&dwId);
    if (dwId == kJunk || (p[0] == 'i' && p[1] == 'x'))
        return SKIP;
    if (dwId == kList)
        return ENTER;
    return END;
}

bool CAviChunkScanner::Next(CChunk& chunk)
{
    if (!m_bEnded && !m_bInData)
        m_bEnded = !FindData();
    m_bInData = true;
    while (!m_bEnded && Fetch(m_nPosition, 8)) {
        const DWORD dwId = RiffDword(At(m_nPosition));
        const DWORD cbData = RiffDword(At(m_nPosition + 4));
        int nStream = -1;
        const Kind kind = Classify(dwId, cbData, nStream);
        const bool bWhole = cbData <= m_cbFile - m_nPosition - 8;
        if (kind == ENTER) {
            // The records a file may group its chunks in; the movie list of a written header.
            if (!Fetch(m_nPosition, 12) ||
                (RiffDword(At(m_nPosition + 8)) != kRecord && RiffDword(At(m_nPosition + 8)) != kMovie))
                break;
            m_nPosition += 12;
        } else if (kind == SKIP && bWhole) {
            m_nPosition += 8 + RiffPadded(cbData);
        } else if (kind == DATA && bWhole && Fetch(m_nPosition, 8 + cbData)) {
            chunk.dwId = dwId;
            chunk.nStream = nStream;
            chunk.cbData = cbData;
            chunk.nOffset = m_nPosition;
            chunk.pData = At(m_nPosition + 8);
            m_nUsableEnd = m_nPosition + 8 + cbData;
            m_nPosition += 8 + RiffPadded(cbData);
            return true;
        } else {
            break;
        }
    }
    m_bEnded = true;
    return false;
}
