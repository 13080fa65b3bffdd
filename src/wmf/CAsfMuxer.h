#pragma once

#include <string>
#include <vector>

#include "base/ScopedWin.h"
#include "wmf/CWmfMediaType.h"

// Writes one ASF file: the header (completed when the file is closed), a data object of
// fixed-size packets carrying several payloads each, and a simple index for seeking.
// Media objects larger than a packet are split into fragments over several packets.
// Until it is closed the file is marked as a broadcast (sizes and durations unknown), so that
// what reached the disk stays readable if the recording never ends properly; and what was
// written reaches the disk within about a second, so that an interruption loses no more.
class CAsfMuxer
{
public:
    struct CStreamInfo
    {
        WORD wNumber;
        bool bVideo;
        DWORD dwBufferWindow; // ms
        CWmfMediaType type;
    };

    struct CCodecEntry
    {
        WMT_CODEC_INFO_TYPE type;
        std::wstring name;
        std::wstring description;
        std::vector<BYTE> info;
    };

    static const DWORD DEFAULT_PACKET_SIZE = 8192;
    static const DWORD MIN_PACKET_SIZE = 256;
    // Written packets wait in memory at most this long (or until a megabyte has gathered).
    static const DWORD WRITE_INTERVAL_MS = 500;

    CAsfMuxer();
    ~CAsfMuxer();

    // Creates the file and writes the provisional header; the packet size must be set first.
    HRESULT Open(const wchar_t* pszPath, const std::vector<CStreamInfo>& streams,
                 const std::vector<CCodecEntry>& codecs);
    HRESULT WriteSample(WORD wStream, ULONGLONG cnsTime, DWORD msSendTime, ULONGLONG cnsDuration, bool bCleanPoint,
                        const BYTE* pData, DWORD cbData);
    // Completes the packet being filled and puts everything written so far on the disk.
    HRESULT Flush();
    // Writes the last packet and the index, completes the header and closes the file.
    HRESULT Close();
    bool IsOpen() const { return m_hFile.IsValid(); }

    bool SetPacketSize(DWORD cbPacket);
    DWORD PacketSize() const { return m_cbPacket; }
    ULONGLONG PacketCount() const { return m_nPackets; }
    ULONGLONG PayloadBytes() const { return m_cbPayload; }

private:
    struct CStreamState
    {
        CStreamInfo info;
        BYTE nObjectNumber;
        ULONGLONG cbBytes;
        DWORD cbMaxObject;
        ULONGLONG cnsEnd;
    };

    struct CKeyObject
    {
        ULONGLONG cnsPresentation; // including the preroll
        DWORD nFirstPacket;
        DWORD nLastPacket;
    };

    // Packet: error correction (3), length type flags, property flags, padding length (16 bits),
    // send time (32), duration (16), payload flags.
    static constexpr DWORD PACKET_HEADER_SIZE = 14;

    CAsfMuxer(const CAsfMuxer&) = delete;
    CAsfMuxer& operator=(const CAsfMuxer&) = delete;

    void BuildHeader(std::vector<BYTE>& out) const;
    void BuildFileProperties(std::vector<BYTE>& out) const;
    void BuildStreamProperties(std::vector<BYTE>& out, const CStreamState& stream) const;
    void BuildHeaderExtension(std::vector<BYTE>& out) const;
    void BuildCodecList(std::vector<BYTE>& out) const;
    void BuildBitrateProperties(std::vector<BYTE>& out) const;
    void BuildDataObjectHeader(std::vector<BYTE>& out) const;
    void BuildSimpleIndex(std::vector<BYTE>& out) const;

    CStreamState* FindStream(WORD wStream);
    ULONGLONG PlayDuration() const;
    DWORD AverageBitrate(const CStreamState& stream) const;
    DWORD MaxBitrate() const;

    void StartPacketIfEmpty(DWORD msSendTime);
    void AddPayload(const CStreamState& stream, bool bCleanPoint, DWORD dwPresentation, DWORD dwObjectSize,
                    DWORD dwOffset, const BYTE* pData, DWORD cbData);
    HRESULT FlushPacket();
    HRESULT WriteIfDue();
    HRESULT WritePending();
    HRESULT WriteAt(ULONGLONG nOffset, const std::vector<BYTE>& bytes);
    void CloseFile();

    CScopedFile m_hFile;
    HRESULT m_hrFailure = S_OK;
    bool m_bComplete = false;
    GUID m_fileId = {};
    ULONGLONG m_nCreationTime = 0;
    DWORD m_cbPacket = DEFAULT_PACKET_SIZE;
    DWORD m_msPreroll = 0;
    std::vector<CStreamState> m_streams;
    std::vector<CCodecEntry> m_codecs;
    size_t m_cbHeader = 0;

    std::vector<BYTE> m_packet;
    DWORD m_cbPacketUsed = PACKET_HEADER_SIZE;
    DWORD m_nPacketPayloads = 0;
    DWORD m_msPacketSend = 0;
    DWORD m_msPacketLastSend = 0;
    DWORD m_msLastSend = 0;
    DWORD m_dwPacketOpened = 0; // tick count of the packet's first payload
    DWORD m_dwLastWrite = 0;    // tick count of the last write to the file
    ULONGLONG m_nPackets = 0;
    ULONGLONG m_cbPayload = 0;
    std::vector<BYTE> m_pending;

    WORD m_wIndexStream = 0;
    std::vector<CKeyObject> m_keyObjects;
};
