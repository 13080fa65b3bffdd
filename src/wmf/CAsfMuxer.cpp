#include "wmf/CAsfMuxer.h"

#include <mmreg.h>

#include <algorithm>
#include <cstring>

#include "wmf/CAsfByteWriter.h"

namespace {

const GUID ASF_HEADER = {0x75b22630, 0x668e, 0x11cf, {0xa6, 0xd9, 0x00, 0xaa, 0x00, 0x62, 0xce, 0x6c}};
const GUID ASF_DATA = {0x75b22636, 0x668e, 0x11cf, {0xa6, 0xd9, 0x00, 0xaa, 0x00, 0x62, 0xce, 0x6c}};
const GUID ASF_SIMPLE_INDEX = {0x33000890, 0xe5b1, 0x11cf, {0x89, 0xf4, 0x00, 0xa0, 0xc9, 0x03, 0x49, 0xcb}};
const GUID ASF_FILE_PROPERTIES = {0x8cabdca1, 0xa947, 0x11cf, {0x8e, 0xe4, 0x00, 0xc0, 0x0c, 0x20, 0x53, 0x65}};
const GUID ASF_STREAM_PROPERTIES = {0xb7dc0791, 0xa9b7, 0x11cf, {0x8e, 0xe6, 0x00, 0xc0, 0x0c, 0x20, 0x53, 0x65}};
const GUID ASF_HEADER_EXTENSION = {0x5fbf03b5, 0xa92e, 0x11cf, {0x8e, 0xe3, 0x00, 0xc0, 0x0c, 0x20, 0x53, 0x65}};
const GUID ASF_HEADER_EXTENSION_RESERVED = {
    0xabd3d211, 0xa9ba, 0x11cf, {0x8e, 0xe6, 0x00, 0xc0, 0x0c, 0x20, 0x53, 0x65}};
const GUID ASF_CODEC_LIST = {0x86d15240, 0x311d, 0x11d0, {0xa3, 0xa4, 0x00, 0xa0, 0xc9, 0x03, 0x48, 0xf6}};
const GUID ASF_CODEC_LIST_RESERVED = {0x86d15241, 0x311d, 0x11d0, {0xa3, 0xa4, 0x00, 0xa0, 0xc9, 0x03, 0x48, 0xf6}};
const GUID ASF_STREAM_BITRATE_PROPERTIES = {
    0x7bf875ce, 0x468d, 0x11d1, {0x8d, 0x82, 0x00, 0x60, 0x97, 0xc9, 0xa2, 0xb2}};
const GUID ASF_EXTENDED_STREAM_PROPERTIES = {
    0x14e6a5cb, 0xc672, 0x4332, {0x83, 0x99, 0xa9, 0x69, 0x52, 0x06, 0x5b, 0x5a}};
const GUID ASF_AUDIO_MEDIA = {0xf8699e40, 0x5b4d, 0x11cf, {0xa8, 0xfd, 0x00, 0x80, 0x5f, 0x5c, 0x44, 0x2b}};
const GUID ASF_VIDEO_MEDIA = {0xbc19efc0, 0x5b4d, 0x11cf, {0xa8, 0xfd, 0x00, 0x80, 0x5f, 0x5c, 0x44, 0x2b}};
const GUID ASF_NO_ERROR_CORRECTION = {0x20fb5700, 0x5b55, 0x11cf, {0xa8, 0xfd, 0x00, 0x80, 0x5f, 0x5c, 0x44, 0x2b}};

// Payload: stream, object number, offset (32), replicated length, replicated data (object
// size and presentation time), payload length (16).
const DWORD PAYLOAD_HEADER_SIZE = 17;
const DWORD MAX_PAYLOADS = 63;
const BYTE LENGTH_FLAGS = 0x11;   // several payloads, 16-bit padding length, no packet length
const BYTE PROPERTY_FLAGS = 0x5d; // byte stream and object numbers, 32-bit offset, byte replicated length
const BYTE PAYLOAD_FLAGS = 0x80;  // 16-bit payload lengths
const BYTE KEY_FRAME_BIT = 0x80;
const DWORD FILE_FLAG_BROADCAST = 0x01;
const DWORD FILE_FLAG_SEEKABLE = 0x02;
const DWORD EXT_STREAM_FLAG_SEEKABLE = 0x02;
const ULONGLONG INDEX_INTERVAL = 10000000; // one second in 100-ns units
const size_t DATA_OBJECT_HEADER_SIZE = 50;
const size_t PENDING_FLUSH_SIZE = 1 << 20;
const ULONGLONG MS = 10000; // 100-ns units per millisecond

void PutWord(BYTE* p, WORD value)
{
    p[0] = static_cast<BYTE>(value);
    p[1] = static_cast<BYTE>(value >> 8);
}

void PutDword(BYTE* p, DWORD value)
{
    PutWord(p, static_cast<WORD>(value));
    PutWord(p + 2, static_cast<WORD>(value >> 16));
}

WORD CodecListType(WMT_CODEC_INFO_TYPE type)
{
    if (type == WMT_CODECINFO_VIDEO)
        return 1;
    if (type == WMT_CODECINFO_AUDIO)
        return 2;
    return 0xffff;
}

const WMVIDEOINFOHEADER* VideoInfo(const CWmfMediaType& type)
{
    return reinterpret_cast<const WMVIDEOINFOHEADER*>(type.Get()->pbFormat);
}

} // namespace

CAsfMuxer::CAsfMuxer() = default;

CAsfMuxer::~CAsfMuxer()
{
    if (IsOpen())
        Close();
}

bool CAsfMuxer::SetPacketSize(DWORD cbPacket)
{
    if (IsOpen() || cbPacket < MIN_PACKET_SIZE || cbPacket > 0xffff)
        return false;
    m_cbPacket = cbPacket;
    return true;
}

HRESULT CAsfMuxer::Open(const wchar_t* pszPath, const std::vector<CStreamInfo>& streams,
                        const std::vector<CCodecEntry>& codecs)
{
    if (IsOpen())
        return NS_E_INVALID_REQUEST;
    if (!pszPath || !*pszPath)
        return NS_E_NOT_CONFIGURED;
    m_hFile.Reset(
        CreateFileW(pszPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_hFile)
        return NS_E_FILE_OPEN_FAILED;

    m_streams.clear();
    m_msPreroll = 0;
    m_wIndexStream = 0;
    for (const CStreamInfo& info : streams) {
        m_streams.push_back(CStreamState{info, 0, 0, 0, 0});
        m_msPreroll = std::max(m_msPreroll, info.dwBufferWindow);
        if (!m_wIndexStream && info.bVideo)
            m_wIndexStream = info.wNumber;
    }
    if (!m_wIndexStream && !m_streams.empty())
        m_wIndexStream = m_streams.front().info.wNumber;
    m_codecs = codecs;

    if (FAILED(CoCreateGuid(&m_fileId)))
        m_fileId = GUID();
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    m_nCreationTime = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;

    m_hrFailure = S_OK;
    m_bComplete = false;
    m_packet.assign(m_cbPacket, 0);
    m_cbPacketUsed = PACKET_HEADER_SIZE;
    m_nPacketPayloads = 0;
    m_msPacketSend = m_msPacketLastSend = m_msLastSend = 0;
    m_nPackets = 0;
    m_cbPayload = 0;
    m_keyObjects.clear();
    m_pending.clear();
    m_pending.reserve(PENDING_FLUSH_SIZE + m_cbPacket);

    BuildHeader(m_pending);
    m_cbHeader = m_pending.size();
    BuildDataObjectHeader(m_pending);
    HRESULT hr = WritePending();
    if (FAILED(hr))
        CloseFile();
    return hr;
}

CAsfMuxer::CStreamState* CAsfMuxer::FindStream(WORD wStream)
{
    for (CStreamState& stream : m_streams) {
        if (stream.info.wNumber == wStream)
            return &stream;
    }
    return nullptr;
}

HRESULT CAsfMuxer::WriteSample(WORD wStream, ULONGLONG cnsTime, DWORD msSendTime, ULONGLONG cnsDuration,
                               bool bCleanPoint, const BYTE* pData, DWORD cbData)
{
    if (!IsOpen())
        return NS_E_INVALID_REQUEST;
    if (FAILED(m_hrFailure))
        return m_hrFailure;
    CStreamState* pStream = FindStream(wStream);
    if (!pStream)
        return NS_E_INVALID_STREAM;
    if (!cbData)
        return S_OK;
    if (!pData)
        return E_POINTER;

    // Every compressed audio frame can start playback.
    if (!pStream->info.bVideo)
        bCleanPoint = true;
    const ULONGLONG cnsPresentation = cnsTime + m_msPreroll * MS;
    const DWORD dwPresentation = static_cast<DWORD>(cnsPresentation / MS);
    pStream->cbBytes += cbData;
    pStream->cbMaxObject = std::max(pStream->cbMaxObject, cbData);
    pStream->cnsEnd = std::max(pStream->cnsEnd, cnsTime + cnsDuration);
    m_cbPayload += cbData;

    DWORD nFirstPacket = 0;
    for (DWORD dwOffset = 0; dwOffset < cbData;) {
        if (m_nPacketPayloads == MAX_PAYLOADS || m_cbPacket - m_cbPacketUsed <= PAYLOAD_HEADER_SIZE) {
            HRESULT hr = FlushPacket();
            if (FAILED(hr))
                return hr;
        }
        if (dwOffset == 0)
            nFirstPacket = static_cast<DWORD>(m_nPackets);
        StartPacketIfEmpty(msSendTime);
        const DWORD cbRoom = m_cbPacket - m_cbPacketUsed - PAYLOAD_HEADER_SIZE;
        const DWORD cbChunk = std::min(cbRoom, cbData - dwOffset);
        AddPayload(*pStream, bCleanPoint, dwPresentation, cbData, dwOffset, pData + dwOffset, cbChunk);
        dwOffset += cbChunk;
    }
    pStream->nObjectNumber++;
    if (bCleanPoint && wStream == m_wIndexStream)
        m_keyObjects.push_back(CKeyObject{cnsPresentation, nFirstPacket, static_cast<DWORD>(m_nPackets)});
    m_msLastSend = std::max(m_msLastSend, msSendTime);
    return WriteIfDue();
}

void CAsfMuxer::StartPacketIfEmpty(DWORD msSendTime)
{
    // Send times never go back from one packet to the next.
    if (m_nPacketPayloads == 0) {
        m_dwPacketOpened = GetTickCount();
        m_msPacketSend = std::max(msSendTime, m_msPacketLastSend);
        m_msPacketLastSend = m_msPacketSend;
    } else {
        m_msPacketLastSend = std::max(m_msPacketLastSend, msSendTime);
    }
}

void CAsfMuxer::AddPayload(const CStreamState& stream, bool bCleanPoint, DWORD dwPresentation, DWORD dwObjectSize,
                           DWORD dwOffset, const BYTE* pData, DWORD cbData)
{
    BYTE* p = m_packet.data() + m_cbPacketUsed;
    p[0] = static_cast<BYTE>((stream.info.wNumber & 0x7f) | (bCleanPoint ? KEY_FRAME_BIT : 0));
    p[1] = stream.nObjectNumber;
    PutDword(p + 2, dwOffset);
    p[6] = 8;
    PutDword(p + 7, dwObjectSize);
    PutDword(p + 11, dwPresentation);
    PutWord(p + 15, static_cast<WORD>(cbData));
    memcpy(p + PAYLOAD_HEADER_SIZE, pData, cbData);
    m_cbPacketUsed += PAYLOAD_HEADER_SIZE + cbData;
    m_nPacketPayloads++;
}

HRESULT CAsfMuxer::FlushPacket()
{
    if (m_nPacketPayloads == 0)
        return S_OK;
    BYTE* p = m_packet.data();
    p[0] = 0x82; // error correction data of two bytes
    p[1] = 0;
    p[2] = 0;
    p[3] = LENGTH_FLAGS;
    p[4] = PROPERTY_FLAGS;
    PutWord(p + 5, static_cast<WORD>(m_cbPacket - m_cbPacketUsed));
    PutDword(p + 7, m_msPacketSend);
    PutWord(p + 11, static_cast<WORD>(std::min<DWORD>(m_msPacketLastSend - m_msPacketSend, 0xffff)));
    p[13] = static_cast<BYTE>(PAYLOAD_FLAGS | m_nPacketPayloads);
    memset(p + m_cbPacketUsed, 0, m_cbPacket - m_cbPacketUsed);
    m_pending.insert(m_pending.end(), m_packet.begin(), m_packet.end());
    m_nPackets++;
    m_cbPacketUsed = PACKET_HEADER_SIZE;
    m_nPacketPayloads = 0;
    return m_pending.size() >= PENDING_FLUSH_SIZE ? WritePending() : S_OK;
}

// Once the interval has passed, the packets made since the last write go to the file, and
// with them a packet still being filled whose first payload is that old (padded, as at the end).
HRESULT CAsfMuxer::WriteIfDue()
{
    const DWORD dwNow = GetTickCount();
    if (dwNow - m_dwLastWrite < WRITE_INTERVAL_MS)
        return S_OK;
    if (m_nPacketPayloads && dwNow - m_dwPacketOpened >= WRITE_INTERVAL_MS) {
        HRESULT hr = FlushPacket();
        if (FAILED(hr))
            return hr;
    }
    return m_pending.empty() ? S_OK : WritePending();
}

HRESULT CAsfMuxer::WritePending()
{
    const BYTE* p = m_pending.data();
    size_t cbLeft = m_pending.size();
    while (cbLeft) {
        DWORD cbWritten = 0;
        const DWORD cbChunk = static_cast<DWORD>(std::min<size_t>(cbLeft, 1 << 30));
        if (!WriteFile(m_hFile.Get(), p, cbChunk, &cbWritten, nullptr) || cbWritten != cbChunk) {
            m_hrFailure = NS_E_FILE_WRITE;
            return m_hrFailure;
        }
        p += cbChunk;
        cbLeft -= cbChunk;
    }
    m_pending.clear();
    m_dwLastWrite = GetTickCount();
    return S_OK;
}

HRESULT CAsfMuxer::WriteAt(ULONGLONG nOffset, const std::vector<BYTE>& bytes)
{
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(nOffset);
    DWORD cbWritten = 0;
    if (!SetFilePointerEx(m_hFile.Get(), position, nullptr, FILE_BEGIN) ||
        !WriteFile(m_hFile.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &cbWritten, nullptr) ||
        cbWritten != bytes.size())
        return NS_E_FILE_WRITE;
    return S_OK;
}

HRESULT CAsfMuxer::Flush()
{
    if (!IsOpen())
        return NS_E_INVALID_REQUEST;
    HRESULT hr = m_hrFailure;
    if (SUCCEEDED(hr))
        hr = FlushPacket();
    if (SUCCEEDED(hr))
        hr = WritePending();
    if (SUCCEEDED(hr) && !FlushFileBuffers(m_hFile.Get()))
        hr = NS_E_FILE_WRITE;
    return hr;
}

HRESULT CAsfMuxer::Close()
{
    if (!IsOpen())
        return NS_E_INVALID_REQUEST;
    HRESULT hr = m_hrFailure;
    if (SUCCEEDED(hr))
        hr = FlushPacket();
    if (SUCCEEDED(hr)) {
        BuildSimpleIndex(m_pending);
        hr = WritePending();
    }
    if (SUCCEEDED(hr)) {
        // Only a file whose packets all reached the disk loses its broadcast mark.
        m_bComplete = true;
        std::vector<BYTE> header;
        BuildHeader(header);
        BuildDataObjectHeader(header);
        hr = WriteAt(0, header);
    }
    CloseFile();
    return hr;
}

void CAsfMuxer::CloseFile()
{
    m_hFile.Reset();
    m_pending.clear();
}

ULONGLONG CAsfMuxer::PlayDuration() const
{
    ULONGLONG cnsEnd = 0;
    for (const CStreamState& stream : m_streams)
        cnsEnd = std::max(cnsEnd, stream.cnsEnd);
    return cnsEnd + m_msPreroll * MS;
}

DWORD CAsfMuxer::AverageBitrate(const CStreamState& stream) const
{
    if (!stream.cnsEnd)
        return 0;
    const ULONGLONG nBitrate = stream.cbBytes * 8 * 10000000ull / stream.cnsEnd;
    return static_cast<DWORD>(std::min<ULONGLONG>(nBitrate, 0xffffffffull));
}

DWORD CAsfMuxer::MaxBitrate() const
{
    ULONGLONG nTotal = 0;
    for (const CStreamState& stream : m_streams)
        nTotal += AverageBitrate(stream);
    return static_cast<DWORD>(std::min<ULONGLONG>(nTotal, 0xffffffffull));
}

void CAsfMuxer::BuildHeader(std::vector<BYTE>& out) const
{
    CAsfByteWriter w(out);
    const size_t nStart = w.BeginObject(ASF_HEADER);
    w.Dword(static_cast<DWORD>(4 + m_streams.size()));
    w.Byte(0x01);
    w.Byte(0x02);
    BuildFileProperties(out);
    for (const CStreamState& stream : m_streams)
        BuildStreamProperties(out, stream);
    BuildHeaderExtension(out);
    BuildCodecList(out);
    BuildBitrateProperties(out);
    w.EndObject(nStart);
}

void CAsfMuxer::BuildFileProperties(std::vector<BYTE>& out) const
{
    std::vector<BYTE> index;
    BuildSimpleIndex(index);
    const ULONGLONG cbData = DATA_OBJECT_HEADER_SIZE + m_nPackets * m_cbPacket;
    CAsfByteWriter w(out);
    const size_t nStart = w.BeginObject(ASF_FILE_PROPERTIES);
    w.Guid(m_fileId);
    // Sizes, counts and durations are valid only in a completed file.
    w.Qword(m_bComplete ? m_cbHeader + cbData + index.size() : 0);
    w.Qword(m_nCreationTime);
    w.Qword(m_bComplete ? m_nPackets : 0);
    w.Qword(m_bComplete ? PlayDuration() : 0);
    w.Qword(m_bComplete ? m_msLastSend * MS : 0);
    w.Qword(m_msPreroll);
    w.Dword(m_bComplete ? FILE_FLAG_SEEKABLE : FILE_FLAG_BROADCAST);
    w.Dword(m_cbPacket);
    w.Dword(m_cbPacket);
    w.Dword(MaxBitrate());
    w.EndObject(nStart);
}

void CAsfMuxer::BuildStreamProperties(std::vector<BYTE>& out, const CStreamState& stream) const
{
    std::vector<BYTE> specific;
    CAsfByteWriter s(specific);
    const WM_MEDIA_TYPE* pType = stream.info.type.Get();
    if (stream.info.bVideo) {
        const BITMAPINFOHEADER& bmi = VideoInfo(stream.info.type)->bmiHeader;
        const DWORD cbBitmap = pType->cbFormat - offsetof(WMVIDEOINFOHEADER, bmiHeader);
        s.Dword(static_cast<DWORD>(bmi.biWidth));
        s.Dword(static_cast<DWORD>(bmi.biHeight < 0 ? -bmi.biHeight : bmi.biHeight));
        s.Byte(0x02);
        s.Word(static_cast<WORD>(cbBitmap));
        s.Bytes(&bmi, cbBitmap);
    } else {
        const WAVEFORMATEX* pWave = reinterpret_cast<const WAVEFORMATEX*>(pType->pbFormat);
        s.Bytes(pWave, sizeof(WAVEFORMATEX) + pWave->cbSize);
    }

    CAsfByteWriter w(out);
    const size_t nStart = w.BeginObject(ASF_STREAM_PROPERTIES);
    w.Guid(stream.info.bVideo ? ASF_VIDEO_MEDIA : ASF_AUDIO_MEDIA);
    w.Guid(ASF_NO_ERROR_CORRECTION);
    w.Qword(0); // time offset
    w.Dword(static_cast<DWORD>(specific.size()));
    w.Dword(0); // error correction data length
    w.Word(static_cast<WORD>(stream.info.wNumber & 0x7f));
    w.Dword(0);
    w.Bytes(specific.data(), specific.size());
    w.EndObject(nStart);
}

void CAsfMuxer::BuildHeaderExtension(std::vector<BYTE>& out) const
{
    std::vector<BYTE> body;
    for (const CStreamState& stream : m_streams) {
        CAsfByteWriter e(body);
        const size_t nStart = e.BeginObject(ASF_EXTENDED_STREAM_PROPERTIES);
        const DWORD dwBitrate = AverageBitrate(stream);
        e.Qword(0);                  // start time, ms
        e.Qword(stream.cnsEnd / MS); // end time, ms
        e.Dword(dwBitrate);
        e.Dword(stream.info.dwBufferWindow);
        e.Dword(0);
        e.Dword(dwBitrate);
        e.Dword(stream.info.dwBufferWindow);
        e.Dword(0);
        e.Dword(stream.cbMaxObject);
        e.Dword(EXT_STREAM_FLAG_SEEKABLE);
        e.Word(stream.info.wNumber);
        e.Word(0); // language index
        e.Qword(stream.info.bVideo ? static_cast<ULONGLONG>(VideoInfo(stream.info.type)->AvgTimePerFrame) : 0);
        e.Word(0); // stream names
        e.Word(0); // payload extension systems
        e.EndObject(nStart);
    }
    CAsfByteWriter w(out);
    const size_t nStart = w.BeginObject(ASF_HEADER_EXTENSION);
    w.Guid(ASF_HEADER_EXTENSION_RESERVED);
    w.Word(6);
    w.Dword(static_cast<DWORD>(body.size()));
    w.Bytes(body.data(), body.size());
    w.EndObject(nStart);
}

void CAsfMuxer::BuildCodecList(std::vector<BYTE>& out) const
{
    CAsfByteWriter w(out);
    const size_t nStart = w.BeginObject(ASF_CODEC_LIST);
    w.Guid(ASF_CODEC_LIST_RESERVED);
    w.Dword(static_cast<DWORD>(m_codecs.size()));
    for (const CCodecEntry& codec : m_codecs) {
        w.Word(CodecListType(codec.type));
        w.CountedText(codec.name);
        w.CountedText(codec.description);
        w.Word(static_cast<WORD>(codec.info.size()));
        w.Bytes(codec.info.data(), codec.info.size());
    }
    w.EndObject(nStart);
}

void CAsfMuxer::BuildBitrateProperties(std::vector<BYTE>& out) const
{
    CAsfByteWriter w(out);
    const size_t nStart = w.BeginObject(ASF_STREAM_BITRATE_PROPERTIES);
    w.Word(static_cast<WORD>(m_streams.size()));
    for (const CStreamState& stream : m_streams) {
        w.Word(static_cast<WORD>(stream.info.wNumber & 0x7f));
        w.Dword(AverageBitrate(stream));
    }
    w.EndObject(nStart);
}

void CAsfMuxer::BuildDataObjectHeader(std::vector<BYTE>& out) const
{
    CAsfByteWriter w(out);
    w.Guid(ASF_DATA);
    w.Qword(m_bComplete ? DATA_OBJECT_HEADER_SIZE + m_nPackets * m_cbPacket : 0);
    w.Guid(m_fileId);
    w.Qword(m_bComplete ? m_nPackets : 0);
    w.Word(0x0101);
}

// One entry per second of presentation time (preroll included): the packets of the last
// clean point at or before that time.
void CAsfMuxer::BuildSimpleIndex(std::vector<BYTE>& out) const
{
    if (m_keyObjects.empty())
        return;
    std::vector<CKeyObject> keys(m_keyObjects);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const CKeyObject& a, const CKeyObject& b) { return a.cnsPresentation < b.cnsPresentation; });
    const ULONGLONG nEntries = PlayDuration() / INDEX_INTERVAL + 1;
    std::vector<BYTE> entries;
    CAsfByteWriter e(entries);
    DWORD nMaxPackets = 0;
    size_t nKey = 0;
    for (ULONGLONG i = 0; i < nEntries; ++i) {
        while (nKey + 1 < keys.size() && keys[nKey + 1].cnsPresentation <= i * INDEX_INTERVAL)
            ++nKey;
        const CKeyObject& key = keys[nKey];
        const DWORD nCount = std::min<DWORD>(key.nLastPacket - key.nFirstPacket + 1, 0xffff);
        nMaxPackets = std::max(nMaxPackets, nCount);
        e.Dword(key.nFirstPacket);
        e.Word(static_cast<WORD>(nCount));
    }
    CAsfByteWriter w(out);
    const size_t nStart = w.BeginObject(ASF_SIMPLE_INDEX);
    w.Guid(m_fileId);
    w.Qword(INDEX_INTERVAL);
    w.Dword(nMaxPackets);
    w.Dword(static_cast<DWORD>(nEntries));
    w.Bytes(entries.data(), entries.size());
    w.EndObject(nStart);
}
