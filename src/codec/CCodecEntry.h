// One entry of the video compressor catalogue: the compressor's information record as the
// compression manager reports it, and its state saved at the start of a compression sequence.
#pragma once

#include <windows.h>
#include <vfw.h>

#include <vector>

class CCodecEntry
{
public:
    CCodecEntry();
    explicit CCodecEntry(const ICINFO& info);

    // The built-in "<Uncompressed RGB>" pass-through.
    static CCodecEntry PassThrough();

    DWORD Handler() const { return m_info.fccHandler; }
    DWORD Type() const { return m_info.fccType; }
    DWORD Flags() const { return m_info.dwFlags; }
    bool IsPassThrough() const;

    ICINFO m_info;
    std::vector<BYTE> m_state;
};
