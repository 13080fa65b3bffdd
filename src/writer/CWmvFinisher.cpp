#include "writer/CWmvFinisher.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

const GUID kHeaderObject = {0x75b22630, 0x668e, 0x11cf, {0xa6, 0xd9, 0x00, 0xaa, 0x00, 0x62, 0xce, 0x6c}};
const GUID kDataObject = {0x75b22636, 0x668e, 0x11cf, {0xa6, 0xd9, 0x00, 0xaa, 0x00, 0x62, 0xce, 0x6c}};
const GUID kSimpleIndex = {0x33000890, 0xe5b1, 0x11cf, {0x89, 0xf4, 0x00, 0xa0, 0xc9, 0x03, 0x49, 0xcb}};
const GUID kFileProperties = {0x8cabdca1, 0xa947, 0x11cf, {0x8e, 0xe4, 0x00, 0xc0, 0x0c, 0x20, 0x53, 0x65}};
const GUID kStreamProperties = {0xb7dc0791, 0xa9b7, 0x11cf, {0x8e, 0xe6, 0x00, 0xc0, 0x0c, 0x20, 0x53, 0x65}};
const GUID kHeaderExtension = {0x5fbf03b5, 0xa92e, 0x11cf, {0x8e, 0xe3, 0x00, 0xc0, 0x0c, 0x20, 0x53, 0x65}};
const GUID kExtendedStreamProperties = {0x14e6a5cb, 0xc672, 0x4332, {0x83, 0x99, 0xa9, 0x69, 0x52, 0x06, 0x5b, 0x5a}};
const GUID kBitrateProperties = {0x7bf875ce, 0x468d, 0x11d1, {0x8d, 0x82, 0x00, 0x60, 0x97, 0xc9, 0xa2, 0xb2}};
const GUID kVideoMedia = {0xbc19efc0, 0x5b4d, 0x11cf, {0xa8, 0xfd, 0x00, 0x80, 0x5f, 0x5c, 0x44, 0x2b}};
const GUID kAudioMedia = {0xf8699e40, 0x5b4d, 0x11cf, {0xa8, 0xfd, 0x00, 0x80, 0x5f, 0x5c, 0x44, 0x2b}};

const size_t kObjectHeader = 24; // GUID and 64-bit size
const size_t kHeaderObjectStart = 30;
const size_t kDataObjectHeader = 50;
const size_t kMaxHeaderSize = 16 * 1024 * 1024;
const DWORD kMinPacketSize = 32;
const DWORD kFlagBroadcast = 0x01;
const DWORD kFlagSeekable = 0x02;
const ULONGLONG kMs = 10000;               // 100-ns units per millisecond
const ULONGLONG kIndexInterval = 10000000; // one second
const size_t kReadBlock = 4 * 1024 * 1024;

// Field offsets inside the objects, from the object's start.
const size_t kFileSize = 40, kFilePackets = 56, kPlayDuration = 64, kSendDuration = 72, kPreroll = 80, kFileFlags = 88,
             kMinPacket = 92, kMaxPacket = 96, kMaxBitrate = 100, kFilePropertiesSize = 104;
const size_t kStreamType = 24, kTypeSpecificLength = 64, kStreamFlags = 72, kTypeSpecific = 78;
const size_t kExtensionDataSize = 42, kExtensionData = 46;
const size_t kExtEndTime = 32, kExtBitrate = 40, kExtAltBitrate = 52, kExtMaxObject = 64, kExtStreamNumber = 72,
             kExtFrameTime = 76, kExtMinimumSize = 88;
const size_t kDataSize = 16, kDataPackets = 40;

bool IsGuid(const std::vector<BYTE>& data, size_t nAt, const GUID& guid)
{
    return nAt + sizeof(GUID) <= data.size() && memcmp(data.data() + nAt, &guid, sizeof(GUID)) == 0;
}

ULONGLONG Get(const std::vector<BYTE>& data, size_t nAt, size_t cbField)
{
    ULONGLONG nValue = 0;
    for (size_t i = 0; i < cbField; ++i)
        nValue |= static_cast<ULONGLONG>(data[nAt + i]) << (8 * i);
    return nValue;
}

void Put(std::vector<BYTE>& data, size_t nAt, size_t cbField, ULONGLONG nValue)
{
    for (size_t i = 0; i < cbField; ++i, nValue >>= 8)
        data[nAt + i] = static_cast<BYTE>(nValue);
}

void Append(std::vector<BYTE>& out, ULONGLONG nValue, size_t cbField)
{
    for (size_t i = 0; i < cbField; ++i, nValue >>= 8)
        out.push_back(static_cast<BYTE>(nValue));
}

std::string WorkPathFor(const char* pszPath)
{
    return std::string(pszPath) + ".repair";
}

} // namespace

bool CWmvFinisher::IsAsf(const char* pszPath)
{
    CWmvFinisher finisher;
    CFileHandle file;
    return file.OpenRead(pszPath) && finisher.ReadHeader(file);
}

bool CWmvFinisher::IsUnfinished(const char* pszPath)
{
    CWmvFinisher finisher;
    CFileHandle file;
    return file.OpenRead(pszPath) && finisher.ReadHeader(file) && (finisher.m_dwFlags & kFlagBroadcast);
}

CWmvFinisher::Result CWmvFinisher::Finish(const char* pszPath)
{
    {
        CFileHandle file;
        if (!file.OpenRead(pszPath) || !ReadHeader(file))
            return FAILED;
        if (!(m_dwFlags & kFlagBroadcast))
            return ALREADY_COMPLETE;
    }
    const std::string workPath = WorkPathFor(pszPath);
    bool bBuilt = false;
    try {
        bBuilt = Rebuild(pszPath, workPath.c_str());
    } catch (const std::bad_alloc&) {
        bBuilt = false; // the old file stays for another try
    }
    if (!bBuilt || !MoveFileExA(workPath.c_str(), pszPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(workPath.c_str());
        return FAILED;
    }
    return FINISHED;
}

bool CWmvFinisher::Rebuild(const char* pszPath, const char* pszNewPath)
{
    CFileHandle in, out;
    if (!in.OpenRead(pszPath) || !ReadHeader(in) || !out.Create(pszNewPath))
        return false;
    // The header is written again at the end with the final values; its size stays. Without
    // a single whole packet the file is finished only when nothing at all followed its header.
    if (!out.Write(m_header.data(), m_header.size()) || !CopyPackets(in, out) ||
        (m_nPackets == 0 && in.Size() > m_header.size()))
        return false;
    std::vector<BYTE> index;
    BuildIndex(index);
    CompleteHeader(index.size());
    return out.Write(index.data(), index.size()) && out.Seek(0) && out.Write(m_header.data(), m_header.size()) &&
           out.Flush();
}

// The header object and the data object's header that follows it; false for anything else.
bool CWmvFinisher::ReadHeader(CFileHandle& file)
{
    m_header.assign(kHeaderObjectStart, 0);
    if (!file.ReadAll(m_header.data(), kHeaderObjectStart) || !IsGuid(m_header, 0, kHeaderObject))
        return false;
    const ULONGLONG cbHeader = Get(m_header, 16, 8);
    if (cbHeader < kHeaderObjectStart || cbHeader > kMaxHeaderSize || cbHeader + kDataObjectHeader > file.Size())
        return false;
    m_cbHeaderObject = static_cast<size_t>(cbHeader);
    m_header.resize(m_cbHeaderObject + kDataObjectHeader);
    const DWORD cbRest = static_cast<DWORD>(m_header.size() - kHeaderObjectStart);
    return file.ReadAll(m_header.data() + kHeaderObjectStart, cbRest) &&
           IsGuid(m_header, m_cbHeaderObject, kDataObject) && ParseHeader();
}

bool CWmvFinisher::ParseHeader()
{
    m_streams.clear();
    m_nFileProperties = m_nBitrates = 0;
    for (size_t nAt = kHeaderObjectStart; nAt + kObjectHeader <= m_cbHeaderObject;) {
        const ULONGLONG cbObject = Get(m_header, nAt + 16, 8);
        if (cbObject < kObjectHeader || cbObject > m_cbHeaderObject - nAt)
            return false;
        const size_t cb = static_cast<size_t>(cbObject);
        if (IsGuid(m_header, nAt, kFileProperties) && cb >= kFilePropertiesSize)
            m_nFileProperties = nAt;
        else if (IsGuid(m_header, nAt, kStreamProperties) && !ParseStream(nAt, cb))
            return false;
        else if (IsGuid(m_header, nAt, kHeaderExtension) && !ParseExtension(nAt, cb))
            return false;
        else if (IsGuid(m_header, nAt, kBitrateProperties) && cb >= kObjectHeader + 2 &&
                 kObjectHeader + 2 + 6 * Get(m_header, nAt + kObjectHeader, 2) <= cb)
            m_nBitrates = nAt;
        nAt += cb;
    }
    if (!m_nFileProperties || m_streams.empty())
        return false;
    m_msPreroll = Get(m_header, m_nFileProperties + kPreroll, 8);
    m_dwFlags = static_cast<DWORD>(Get(m_header, m_nFileProperties + kFileFlags, 4));
    m_cbPacket = static_cast<DWORD>(Get(m_header, m_nFileProperties + kMinPacket, 4));
    if (m_cbPacket < kMinPacketSize || m_cbPacket != Get(m_header, m_nFileProperties + kMaxPacket, 4))
        return false;
    m_nIndexStream = m_streams.front().nNumber;
    for (const CStream& stream : m_streams) {
        if (stream.bVideo) {
            m_nIndexStream = stream.nNumber;
            break;
        }
    }
    return true;
}

bool CWmvFinisher::ParseStream(size_t nAt, size_t cbObject)
{
    if (cbObject < kTypeSpecific)
        return false;
    CStream stream;
    stream.nNumber = static_cast<BYTE>(Get(m_header, nAt + kStreamFlags, 2) & 0x7f);
    stream.bVideo = IsGuid(m_header, nAt + kStreamType, kVideoMedia);
    const size_t cbSpecific = static_cast<size_t>(Get(m_header, nAt + kTypeSpecificLength, 4));
    // Sound: a wave format, whose average byte rate times the last object.
    if (IsGuid(m_header, nAt + kStreamType, kAudioMedia) && cbSpecific >= 12 && kTypeSpecific + cbSpecific <= cbObject)
        stream.nBytesPerSecond = static_cast<DWORD>(Get(m_header, nAt + kTypeSpecific + 8, 4));
    if (!FindStream(stream.nNumber))
        m_streams.push_back(stream);
    return true;
}

bool CWmvFinisher::ParseExtension(size_t nAt, size_t cbObject)
{
    if (cbObject < kExtensionData || kExtensionData + Get(m_header, nAt + kExtensionDataSize, 4) > cbObject)
        return false;
    const size_t nEnd = nAt + cbObject;
    for (size_t n = nAt + kExtensionData; n + kObjectHeader <= nEnd;) {
        const ULONGLONG cbInner = Get(m_header, n + 16, 8);
        if (cbInner < kObjectHeader || cbInner > nEnd - n)
            return false;
        if (IsGuid(m_header, n, kExtendedStreamProperties) && cbInner >= kExtMinimumSize) {
            // Stream properties come first in the header: the extension refers to them.
            if (CStream* pStream = FindStream(static_cast<BYTE>(Get(m_header, n + kExtStreamNumber, 2) & 0x7f))) {
                pStream->nExtended = n;
                pStream->cnsFrame = Get(m_header, n + kExtFrameTime, 8);
            }
        }
        n += static_cast<size_t>(cbInner);
    }
    return true;
}

CWmvFinisher::CStream* CWmvFinisher::FindStream(BYTE nNumber)
{
    for (CStream& stream : m_streams) {
        if (stream.nNumber == nNumber)
            return &stream;
    }
    return nullptr;
}

// Whole packets up to the first that is torn, cut short or not a packet at all.
bool CWmvFinisher::CopyPackets(CFileHandle& in, CFileHandle& out)
{
    m_nPackets = 0;
    m_msLastSend = 0;
    m_keys.clear();
    const size_t cbBlock = std::max<size_t>(kReadBlock / m_cbPacket, 1) * m_cbPacket;
    std::vector<BYTE> block(cbBlock);
    bool bGood = true;
    while (bGood) {
        DWORD cbRead = 0;
        size_t cbHave = 0;
        while (cbHave < cbBlock && in.Read(block.data() + cbHave, static_cast<DWORD>(cbBlock - cbHave), cbRead) &&
               cbRead)
            cbHave += cbRead;
        size_t cbTaken = 0;
        for (; bGood && cbTaken + m_cbPacket <= cbHave; cbTaken += m_cbPacket)
            bGood = TakePacket(block.data() + cbTaken);
        if (!bGood)
            cbTaken -= m_cbPacket;
        if (cbTaken && !out.Write(block.data(), cbTaken))
            return false;
        bGood = bGood && cbHave == cbBlock;
    }
    return true;
}

bool CWmvFinisher::TakePacket(const BYTE* pPacket)
{
    if (!m_parser.Parse(pPacket, m_cbPacket, m_payloads))
        return false;
    for (const CAsfPacketParser::CPayload& payload : m_payloads) {
        if (!FindStream(payload.nStream))
            return false;
    }
    for (const CAsfPacketParser::CPayload& payload : m_payloads) {
        CStream& stream = *FindStream(payload.nStream);
        stream.cbBytes += payload.cbData;
        if (payload.bObjectStart) {
            stream.cbLargest = std::max(stream.cbLargest, payload.cbObject);
            if (!stream.bSeen || payload.msPresentation >= stream.msLast) {
                stream.msLast = payload.msPresentation;
                stream.cbLast = payload.cbObject;
            }
            stream.bSeen = true;
        }
        if (payload.nStream != m_nIndexStream)
            continue;
        if (payload.bObjectStart && payload.bKey)
            m_keys.push_back(CKeyObject{payload.msPresentation * kMs, m_nPackets, m_nPackets, payload.nObject});
        else if (!payload.bObjectStart && !m_keys.empty() && m_keys.back().nObject == payload.nObject &&
                 m_keys.back().nLastPacket + 1 >= m_nPackets)
            m_keys.back().nLastPacket = m_nPackets; // the key frame goes on in this packet
    }
    m_msLastSend = std::max(m_msLastSend, m_parser.LastSendTime());
    m_nPackets++;
    return true;
}

// Where the stream's last object ends: its presentation time and its own length (a frame, or
// as much sound as its bytes hold).
ULONGLONG CWmvFinisher::StreamEnd(const CStream& stream) const
{
    if (!stream.bSeen)
        return 0;
    ULONGLONG cnsLast = stream.cnsFrame;
    if (!stream.bVideo && stream.nBytesPerSecond)
        cnsLast = static_cast<ULONGLONG>(stream.cbLast) * 10000000 / stream.nBytesPerSecond;
    const ULONGLONG cnsStart = stream.msLast * kMs;
    const ULONGLONG cnsPreroll = m_msPreroll * kMs;
    return cnsStart + cnsLast > cnsPreroll ? cnsStart + cnsLast - cnsPreroll : 0;
}

ULONGLONG CWmvFinisher::PlayDuration() const
{
    ULONGLONG cnsEnd = 0;
    for (const CStream& stream : m_streams)
        cnsEnd = std::max(cnsEnd, StreamEnd(stream));
    return cnsEnd + m_msPreroll * kMs;
}

DWORD CWmvFinisher::AverageBitrate(const CStream& stream) const
{
    const ULONGLONG cnsEnd = StreamEnd(stream);
    if (!cnsEnd)
        return 0;
    return static_cast<DWORD>(std::min<ULONGLONG>(stream.cbBytes * 8 * 10000000 / cnsEnd, 0xffffffff));
}

// One entry a second of presentation time (preroll included): the packets of the last clean
// point of the video at or before that time.
void CWmvFinisher::BuildIndex(std::vector<BYTE>& out) const
{
    if (m_keys.empty())
        return;
    std::vector<CKeyObject> keys(m_keys);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const CKeyObject& a, const CKeyObject& b) { return a.cnsPresentation < b.cnsPresentation; });
    const ULONGLONG nEntries = PlayDuration() / kIndexInterval + 1;
    std::vector<BYTE> entries;
    DWORD nMaxPackets = 0;
    size_t nKey = 0;
    for (ULONGLONG i = 0; i < nEntries; ++i) {
        while (nKey + 1 < keys.size() && keys[nKey + 1].cnsPresentation <= i * kIndexInterval)
            ++nKey;
        const DWORD nCount = std::min<DWORD>(keys[nKey].nLastPacket - keys[nKey].nFirstPacket + 1, 0xffff);
        nMaxPackets = std::max(nMaxPackets, nCount);
        Append(entries, keys[nKey].nFirstPacket, 4);
        Append(entries, nCount, 2);
    }
    const BYTE* pGuid = reinterpret_cast<const BYTE*>(&kSimpleIndex);
    out.assign(pGuid, pGuid + sizeof(GUID));
    Append(out, kObjectHeader + 16 + 8 + 4 + 4 + entries.size(), 8);
    out.insert(out.end(), m_header.begin() + static_cast<std::ptrdiff_t>(m_nFileProperties + kObjectHeader),
               m_header.begin() + static_cast<std::ptrdiff_t>(m_nFileProperties + kObjectHeader + 16));
    Append(out, kIndexInterval, 8);
    Append(out, nMaxPackets, 4);
    Append(out, nEntries, 4);
    out.insert(out.end(), entries.begin(), entries.end());
}

// The values a writer that closes its file puts in: sizes, counts, duration, bit rates; and
// the file is no longer a broadcast but seekable.
void CWmvFinisher::CompleteHeader(ULONGLONG cbIndex)
{
    const ULONGLONG cbData = kDataObjectHeader + static_cast<ULONGLONG>(m_nPackets) * m_cbPacket;
    const size_t nFile = m_nFileProperties;
    DWORD dwMaxBitrate = 0;
    for (const CStream& stream : m_streams) {
        const DWORD dwBitrate = AverageBitrate(stream);
        dwMaxBitrate =
            static_cast<DWORD>(std::min<ULONGLONG>(static_cast<ULONGLONG>(dwMaxBitrate) + dwBitrate, 0xffffffff));
        if (stream.nExtended) {
            Put(m_header, stream.nExtended + kExtEndTime, 8, StreamEnd(stream) / kMs);
            Put(m_header, stream.nExtended + kExtBitrate, 4, dwBitrate);
            Put(m_header, stream.nExtended + kExtAltBitrate, 4, dwBitrate);
            Put(m_header, stream.nExtended + kExtMaxObject, 4, stream.cbLargest);
        }
    }
    Put(m_header, nFile + kFileSize, 8, m_cbHeaderObject + cbData + cbIndex);
    Put(m_header, nFile + kFilePackets, 8, m_nPackets);
    Put(m_header, nFile + kPlayDuration, 8, PlayDuration());
    Put(m_header, nFile + kSendDuration, 8, m_msLastSend * kMs);
    Put(m_header, nFile + kFileFlags, 4, (m_dwFlags & ~kFlagBroadcast) | kFlagSeekable);
    Put(m_header, nFile + kMaxBitrate, 4, dwMaxBitrate);
    if (m_nBitrates) {
        const size_t nRecords = static_cast<size_t>(Get(m_header, m_nBitrates + kObjectHeader, 2));
        for (size_t i = 0; i < nRecords; ++i) {
            const size_t nRecord = m_nBitrates + kObjectHeader + 2 + 6 * i;
            if (const CStream* pStream = FindStream(static_cast<BYTE>(Get(m_header, nRecord, 2) & 0x7f)))
                Put(m_header, nRecord + 2, 4, AverageBitrate(*pStream));
        }
    }
    Put(m_header, m_cbHeaderObject + kDataSize, 8, cbData);
    Put(m_header, m_cbHeaderObject + kDataPackets, 8, m_nPackets);
}
