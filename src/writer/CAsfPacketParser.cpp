#include "writer/CAsfPacketParser.h"

namespace {

const BYTE kErrorCorrectionPresent = 0x80;
const BYTE kErrorCorrectionLengthMask = 0x0f;
const BYTE kErrorCorrectionOtherBits = 0x70;
const BYTE kMultiplePayloads = 0x01;
const BYTE kKeyFrame = 0x80;
const DWORD kCompressedPayload = 1; // replicated data length of a compressed payload

int TypeAt(BYTE flags, int nShift)
{
    return (flags >> nShift) & 3;
}

} // namespace

bool CAsfPacketParser::Byte(BYTE& value)
{
    if (m_nPos >= m_nEnd)
        return false;
    value = m_p[m_nPos++];
    return true;
}

bool CAsfPacketParser::Field(int nType, DWORD& dwValue)
{
    static const DWORD kSizes[4] = {0, 1, 2, 4};
    const DWORD cbField = kSizes[nType & 3];
    dwValue = 0;
    if (cbField > m_nEnd - m_nPos)
        return false;
    for (DWORD i = 0; i < cbField; ++i)
        dwValue |= static_cast<DWORD>(m_p[m_nPos + i]) << (8 * i);
    m_nPos += cbField;
    return true;
}

bool CAsfPacketParser::Parse(const BYTE* pPacket, DWORD cbPacket, std::vector<CPayload>& payloads)
{
    payloads.clear();
    m_p = pPacket;
    m_nPos = 0;
    m_nEnd = cbPacket;
    BYTE bFirst = 0;
    if (!Byte(bFirst))
        return false;
    BYTE bLengthFlags = bFirst;
    if (bFirst & kErrorCorrectionPresent) {
        if (bFirst & kErrorCorrectionOtherBits)
            return false;
        m_nPos += bFirst & kErrorCorrectionLengthMask;
        if (!Byte(bLengthFlags))
            return false;
    }
    BYTE bPropertyFlags = 0;
    DWORD dwPacketLength = 0, dwSequence = 0, dwPadding = 0, dwSend = 0, dwDuration = 0;
    // Stream numbers are always single bytes.
    if (!Byte(bPropertyFlags) || TypeAt(bPropertyFlags, 6) != 1 || !Field(TypeAt(bLengthFlags, 5), dwPacketLength) ||
        !Field(TypeAt(bLengthFlags, 1), dwSequence) || !Field(TypeAt(bLengthFlags, 3), dwPadding) ||
        !Field(3, dwSend) || !Field(2, dwDuration))
        return false;
    const DWORD cbUsed = dwPacketLength ? dwPacketLength : cbPacket;
    if (cbUsed > cbPacket || dwPadding > cbUsed || cbUsed - dwPadding < m_nPos)
        return false;
    m_nEnd = cbUsed - dwPadding;
    m_msSend = dwSend;
    m_msDuration = dwDuration;

    const bool bMultiple = (bLengthFlags & kMultiplePayloads) != 0;
    BYTE bPayloadFlags = 0;
    if (bMultiple && !Byte(bPayloadFlags))
        return false;
    const DWORD nPayloads = bMultiple ? (bPayloadFlags & 0x3f) : 1;
    const int nLengthType = TypeAt(bPayloadFlags, 6);
    if (nPayloads == 0 || (bMultiple && nLengthType == 0))
        return false;
    for (DWORD i = 0; i < nPayloads; ++i) {
        if (!ParsePayload(bPropertyFlags, bMultiple, nLengthType, payloads))
            return false;
    }
    return true;
}

bool CAsfPacketParser::ParsePayload(BYTE bPropertyFlags, bool bMultiple, int nLengthType,
                                    std::vector<CPayload>& payloads)
{
    CPayload payload;
    BYTE bStream = 0;
    DWORD dwObject = 0, dwOffset = 0, cbReplicated = 0;
    if (!Byte(bStream) || !Field(TypeAt(bPropertyFlags, 4), dwObject) || !Field(TypeAt(bPropertyFlags, 2), dwOffset) ||
        !Field(TypeAt(bPropertyFlags, 0), cbReplicated) || cbReplicated > m_nEnd - m_nPos)
        return false;
    payload.nStream = bStream & 0x7f;
    payload.bKey = (bStream & kKeyFrame) != 0;
    payload.nObject = static_cast<BYTE>(dwObject);
    const DWORD nReplicated = m_nPos;
    m_nPos += cbReplicated;
    DWORD cbData = m_nEnd - m_nPos;
    if (bMultiple && !Field(nLengthType, cbData))
        return false;
    if (cbData > m_nEnd - m_nPos)
        return false;

    if (cbReplicated == kCompressedPayload) {
        payload.msPresentation = dwOffset;
        return ParseCompressed(payload, m_p[nReplicated], cbData, payloads);
    }
    if (cbReplicated >= 8) {
        payload.cbObject = m_p[nReplicated] | (m_p[nReplicated + 1] << 8) | (m_p[nReplicated + 2] << 16) |
                           (static_cast<DWORD>(m_p[nReplicated + 3]) << 24);
        payload.msPresentation = m_p[nReplicated + 4] | (m_p[nReplicated + 5] << 8) | (m_p[nReplicated + 6] << 16) |
                                 (static_cast<DWORD>(m_p[nReplicated + 7]) << 24);
    }
    payload.bObjectStart = dwOffset == 0;
    payload.cbData = cbData;
    if (payload.cbObject && (dwOffset > payload.cbObject || cbData > payload.cbObject - dwOffset))
        return false;
    m_nPos += cbData;
    payloads.push_back(payload);
    return true;
}

// Small media objects of one stream packed together: each sub-payload is a whole object, the
// first at the payload's presentation time and each next one a delta later.
bool CAsfPacketParser::ParseCompressed(const CPayload& first, DWORD dwDelta, DWORD cbData,
                                       std::vector<CPayload>& payloads)
{
    const DWORD nEnd = m_nPos + cbData;
    CPayload payload = first;
    payload.bObjectStart = true;
    while (m_nPos < nEnd) {
        const DWORD cbObject = m_p[m_nPos++];
        if (cbObject > nEnd - m_nPos)
            return false;
        payload.cbObject = payload.cbData = cbObject;
        payloads.push_back(payload);
        payload.msPresentation += dwDelta;
        payload.nObject++;
        m_nPos += cbObject;
    }
    return true;
}
