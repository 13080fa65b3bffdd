#pragma once

#include <windows.h>

#include <vector>

// Reads the payloads of one data packet of an ASF file, checking that every field stays
// inside the packet: zeros, torn bytes or foreign data are no packet.
class CAsfPacketParser
{
public:
    struct CPayload
    {
        BYTE nStream = 0;
        bool bKey = false;
        BYTE nObject = 0;
        bool bObjectStart = false; // the payload begins its media object
        DWORD cbObject = 0;        // size of the whole media object
        DWORD msPresentation = 0;  // preroll included
        DWORD cbData = 0;
    };

    // False when the bytes are no well-formed packet.
    bool Parse(const BYTE* pPacket, DWORD cbPacket, std::vector<CPayload>& payloads);
    DWORD SendTime() const { return m_msSend; }
    // The send time of the packet's last payload.
    DWORD LastSendTime() const { return m_msSend + m_msDuration; }

private:
    // A field of 0, 1, 2 or 4 bytes, by its two-bit length type.
    bool Field(int nType, DWORD& dwValue);
    bool Byte(BYTE& value);
    bool ParsePayload(BYTE bPropertyFlags, bool bMultiple, int nLengthType, std::vector<CPayload>& payloads);
    bool ParseCompressed(const CPayload& first, DWORD dwDelta, DWORD cbData, std::vector<CPayload>& payloads);

    const BYTE* m_p = nullptr;
    DWORD m_nPos = 0;
    DWORD m_nEnd = 0; // where the payloads end (the padding follows)
    DWORD m_msSend = 0;
    DWORD m_msDuration = 0;
};
