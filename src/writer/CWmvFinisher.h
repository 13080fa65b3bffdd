#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "writer/CAsfPacketParser.h"
#include "writer/CFileHandle.h"

// Finishes a Windows Media file whose writer never closed it: the file still carries the
// streaming form of its header (sizes and durations unknown, marked as a broadcast), which
// players read from start to end but cannot seek in. The whole packets that reached the disk
// are copied into a new file next to it behind the final header (duration, sizes, bit rates,
// seekable) and followed by an index of one entry a second; the new file replaces the old one
// only once it is complete. The old file is read once.
class CWmvFinisher
{
public:
    enum Result { FINISHED, ALREADY_COMPLETE, FAILED };

    Result Finish(const char* pszPath);
    // True for an ASF file in streaming form: one to finish.
    static bool IsUnfinished(const char* pszPath);
    // True for an ASF file whose header can be read.
    static bool IsAsf(const char* pszPath);

private:
    struct CStream
    {
        BYTE nNumber = 0;
        bool bVideo = false;
        DWORD nBytesPerSecond = 0; // sound: the average byte rate
        ULONGLONG cnsFrame = 0;    // video: the time of one frame
        size_t nExtended = 0;      // its extended properties in the header, 0 when none
        ULONGLONG cbBytes = 0;
        DWORD cbLargest = 0;
        DWORD msLast = 0; // presentation time of its latest object
        DWORD cbLast = 0;
        bool bSeen = false;
    };

    struct CKeyObject
    {
        ULONGLONG cnsPresentation;
        DWORD nFirstPacket;
        DWORD nLastPacket;
        BYTE nObject;
    };

    bool ReadHeader(CFileHandle& file);
    bool ParseHeader();
    bool ParseStream(size_t nAt, size_t cbObject);
    bool ParseExtension(size_t nAt, size_t cbObject);
    bool CopyPackets(CFileHandle& in, CFileHandle& out);
    bool TakePacket(const BYTE* pPacket);
    void BuildIndex(std::vector<BYTE>& out) const;
    void CompleteHeader(ULONGLONG cbIndex);
    bool Rebuild(const char* pszPath, const char* pszNewPath);
    CStream* FindStream(BYTE nNumber);
    ULONGLONG StreamEnd(const CStream& stream) const; // 100-ns units, preroll excluded
    ULONGLONG PlayDuration() const;
    DWORD AverageBitrate(const CStream& stream) const;

    std::vector<BYTE> m_header; // the header object, then the data object's own header
    size_t m_cbHeaderObject = 0;
    size_t m_nFileProperties = 0;
    size_t m_nBitrates = 0;
    DWORD m_cbPacket = 0;
    ULONGLONG m_msPreroll = 0;
    DWORD m_dwFlags = 0;
    std::vector<CStream> m_streams;
    BYTE m_nIndexStream = 0;
    std::vector<CKeyObject> m_keys;
    CAsfPacketParser m_parser;
    std::vector<CAsfPacketParser::CPayload> m_payloads;
    DWORD m_nPackets = 0;
    DWORD m_msLastSend = 0;
};
