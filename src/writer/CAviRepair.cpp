#include "writer/CAviRepair.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "writer/CRiffBuilder.h"

namespace {

const DWORD kRiff = mmioFOURCC('R', 'I', 'F', 'F');
const DWORD kAvi = mmioFOURCC('A', 'V', 'I', ' ');
const DWORD kList = mmioFOURCC('L', 'I', 'S', 'T');
const DWORD kHeaderList = mmioFOURCC('h', 'd', 'r', 'l');
const DWORD kMainHeader = mmioFOURCC('a', 'v', 'i', 'h');
const DWORD kStreamList = mmioFOURCC('s', 't', 'r', 'l');
const DWORD kStreamFormat = mmioFOURCC('s', 't', 'r', 'f');
const DWORD kJunk = mmioFOURCC('J', 'U', 'N', 'K');
const DWORD kMovie = mmioFOURCC('m', 'o', 'v', 'i');
const DWORD kIndex = mmioFOURCC('i', 'd', 'x', '1');
// The movie list's chunks begin on a boundary of this size, as in files the AVI library closes.
const DWORD kHeaderArea = 2048;
const size_t kOutputBlock = 4 * 1024 * 1024;

bool IsKeyChunk(DWORD dwId)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(&dwId);
    return !(p[2] == 'd' && p[3] == 'c');
}

} // namespace

std::string CAviRepair::WorkPathFor(const char* pszAviPath)
{
    return std::string(pszAviPath ? pszAviPath : "") + ".repair";
}

bool CAviRepair::IsComplete(const char* pszAviPath)
{
    CFileHandle file;
    BYTE header[12];
    if (!file.OpenRead(pszAviPath) || !file.ReadAll(header, sizeof header))
        return false;
    const DWORD cbRiff = RiffDword(header + 4);
    return RiffDword(header) == kRiff && RiffDword(header + 8) == kAvi && cbRiff > 4 && cbRiff + 8ull <= file.Size();
}

CAviRepair::Result CAviRepair::Repair(const char* pszAviPath)
{
    const std::string recordPath = CAviRecoveryRecord::PathFor(pszAviPath);
    if (GetFileAttributesA(recordPath.c_str()) == INVALID_FILE_ATTRIBUTES)
        return NO_RECORD;
    if (IsComplete(pszAviPath)) {
        // Closed after all; only the record's removal did not happen.
        DeleteFileA(recordPath.c_str());
        return ALREADY_COMPLETE;
    }
    const std::string workPath = WorkPathFor(pszAviPath);
    bool bBuilt = false;
    try {
        bBuilt = m_record.Read(recordPath.c_str()) && Rebuild(pszAviPath, workPath.c_str());
    } catch (const std::bad_alloc&) {
        bBuilt = false; // the old file and its record stay for another try
    }
    if (!bBuilt || !MoveFileExA(workPath.c_str(), pszAviPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(workPath.c_str());
        return FAILED;
    }
    DeleteFileA(recordPath.c_str());
    return REPAIRED;
}

bool CAviRepair::Rebuild(const char* pszAviPath, const char* pszNewPath)
{
    std::vector<DWORD> types;
    for (const CAviRecoveryRecord::CStream& stream : m_record.Streams())
        types.push_back(stream.header.fccType);
    m_tallies.assign(types.size(), CTally());
    m_index.clear();
    m_output.clear();

    CAviChunkScanner scanner;
    CFileHandle out;
    if (!scanner.Open(pszAviPath, types) || !out.Create(pszNewPath))
        return false;
    std::vector<BYTE> headers;
    BuildHeaders(headers);
    m_nWritten = headers.size();
    // The headers are written last, once the stream lengths are known. A file that no data
    // reached becomes a file without frames; one whose data cannot be recognised stays as it is.
    if (!out.Seek(m_nWritten) || !CopyChunks(scanner, out) || (m_index.empty() && !scanner.IsBlank()))
        return false;
    scanner.Close();
    return Finish(out);
}

bool CAviRepair::CopyChunks(CAviChunkScanner& scanner, CFileHandle& out)
{
    CAviChunkScanner::CChunk chunk;
    while (scanner.Next(chunk)) {
        Tally(chunk);
        const DWORD header[2] = {chunk.dwId, chunk.cbData};
        const BYTE pad = 0;
        if (!Emit(out, header, sizeof header) || !Emit(out, chunk.pData, chunk.cbData) ||
            ((chunk.cbData & 1) && !Emit(out, &pad, 1)))
            return false;
    }
    return FlushOutput(out);
}

// Key frames are the video chunks the AVI library names "db", and the first frame; every
// sound chunk can start playback.
void CAviRepair::Tally(const CAviChunkScanner::CChunk& chunk)
{
    CTally& tally = m_tallies[static_cast<size_t>(chunk.nStream)];
    const bool bKey = IsKeyChunk(chunk.dwId) || tally.nChunks == 0;
    AVIINDEXENTRY entry = {};
    entry.ckid = chunk.dwId;
    entry.dwFlags = bKey && chunk.cbData ? AVIIF_KEYFRAME : 0;
    entry.dwChunkOffset = static_cast<DWORD>(m_nWritten - (m_nMovieList + 8));
    entry.dwChunkLength = chunk.cbData;
    m_index.push_back(entry);
    tally.nChunks++;
    tally.cbData += chunk.cbData;
    tally.cbLargest = std::max(tally.cbLargest, chunk.cbData);
}

bool CAviRepair::Emit(CFileHandle& out, const void* pData, size_t cbData)
{
    const BYTE* p = static_cast<const BYTE*>(pData);
    m_output.insert(m_output.end(), p, p + cbData);
    m_nWritten += cbData;
    return m_output.size() < kOutputBlock || FlushOutput(out);
}

bool CAviRepair::FlushOutput(CFileHandle& out)
{
    const bool bOk = out.Write(m_output.data(), m_output.size());
    m_output.clear();
    return bOk;
}

// The index after the movie list, then the headers with the real lengths at the start.
bool CAviRepair::Finish(CFileHandle& out)
{
    std::vector<BYTE> index;
    CRiffBuilder(index).Chunk(kIndex, m_index.data(), static_cast<DWORD>(m_index.size() * sizeof(AVIINDEXENTRY)));
    const ULONGLONG nMovieEnd = m_nWritten;
    if (!out.Write(index.data(), index.size()))
        return false;
    m_nWritten += index.size();
    if (m_nWritten > 0xFFFFFFFFull)
        return false;

    std::vector<BYTE> headers;
    BuildHeaders(headers);
    const auto Patch = [&headers](size_t nAt, ULONGLONG nValue) {
        const DWORD dwValue = static_cast<DWORD>(nValue);
        memcpy(headers.data() + nAt, &dwValue, sizeof dwValue);
    };
    Patch(4, m_nWritten - 8);
    Patch(static_cast<size_t>(m_nMovieList + 4), nMovieEnd - m_nMovieList - 8);
    return out.Seek(0) && out.Write(headers.data(), headers.size()) && out.Flush();
}

void CAviRepair::BuildHeaders(std::vector<BYTE>& out)
{
    CRiffBuilder riff(out);
    riff.BeginList(kRiff, kAvi);
    const size_t nHeaderList = riff.BeginList(kList, kHeaderList);
    BuildMainHeader(out);
    const std::vector<CAviRecoveryRecord::CStream>& streams = m_record.Streams();
    for (size_t n = 0; n < streams.size(); ++n) {
        const size_t nStreamList = riff.BeginList(kList, kStreamList);
        const AVISTREAMHEADER header = StreamHeader(n);
        out.insert(out.end(), reinterpret_cast<const BYTE*>(&header), reinterpret_cast<const BYTE*>(&header + 1));
        riff.Chunk(kStreamFormat, streams[n].format.data(), static_cast<DWORD>(streams[n].format.size()));
        riff.EndList(nStreamList);
    }
    riff.EndList(nHeaderList);

    // Padding up to the movie list, whose chunks then begin on a boundary of the header area.
    const size_t nJunk = out.size();
    const size_t nMovieList = (nJunk + 8 + 12 + kHeaderArea - 1) / kHeaderArea * kHeaderArea - 12;
    const std::vector<BYTE> zeros(nMovieList - nJunk - 8, 0);
    riff.Chunk(kJunk, zeros.data(), static_cast<DWORD>(zeros.size()));
    m_nMovieList = out.size();
    riff.BeginList(kList, kMovie);
}

void CAviRepair::BuildMainHeader(std::vector<BYTE>& out) const
{
    AVIMAINHEADER main = {};
    main.fcc = kMainHeader;
    main.cb = sizeof(AVIMAINHEADER) - 8;
    main.dwFlags = AVIF_HASINDEX | AVIF_TRUSTCKTYPE;
    main.dwStreams = static_cast<DWORD>(m_record.Streams().size());
    ULONGLONG cbTotal = 0;
    for (size_t n = 0; n < m_tallies.size(); ++n) {
        cbTotal += m_tallies[n].cbData;
        main.dwSuggestedBufferSize = std::max(main.dwSuggestedBufferSize, m_tallies[n].cbLargest);
    }
    for (size_t n = 0; n < m_tallies.size(); ++n) {
        const AVISTREAMHEADER header = StreamHeader(n);
        if (header.fccType != streamtypeVIDEO)
            continue;
        main.dwMicroSecPerFrame =
            static_cast<DWORD>(MulDiv(static_cast<int>(header.dwScale), 1000000, static_cast<int>(header.dwRate)));
        main.dwTotalFrames = header.dwLength;
        main.dwWidth = static_cast<DWORD>(header.rcFrame.right - header.rcFrame.left);
        main.dwHeight = static_cast<DWORD>(header.rcFrame.bottom - header.rcFrame.top);
        const ULONGLONG nMicroseconds = static_cast<ULONGLONG>(main.dwMicroSecPerFrame) * main.dwTotalFrames;
        if (nMicroseconds)
            main.dwMaxBytesPerSec =
                static_cast<DWORD>(std::min<ULONGLONG>(cbTotal * 1000000 / nMicroseconds, 0xFFFFFFFF));
        break;
    }
    out.insert(out.end(), reinterpret_cast<const BYTE*>(&main), reinterpret_cast<const BYTE*>(&main + 1));
}

// The header the file was started with, with the length and the largest chunk of what was found.
AVISTREAMHEADER CAviRepair::StreamHeader(size_t nStream) const
{
    AVISTREAMHEADER header = m_record.Streams()[nStream].header;
    const CTally& tally = m_tallies[nStream];
    header.dwStart = 0;
    header.dwLength = header.dwSampleSize ? static_cast<DWORD>(tally.cbData / header.dwSampleSize) : tally.nChunks;
    header.dwSuggestedBufferSize = tally.cbLargest;
    return header;
}
