#pragma once

#include <windows.h>
#include <mmsystem.h>
#include <aviriff.h>

#include <string>
#include <vector>

// What a repair needs to rebuild an AVI file whose headers never reached the disk: the file's
// name and, for every stream, its header and format as the file was started with. It lives
// beside the AVI file ("20071207.avi.recovery") from the file's start until it is closed
// normally. On disk it is a small RIFF file laid out like the header of the AVI file itself:
//   RIFF 'ORVR' { 'name' file name, LIST 'strl' { 'strh' stream header, 'strf' format } ... }
class CAviRecoveryRecord
{
public:
    struct CStream
    {
        AVISTREAMHEADER header = {}; // fcc and cb hold 'strh' and its size
        std::vector<BYTE> format;
    };

    // The record of an AVI file: its path with the record's extension added.
    static std::string PathFor(const char* pszAviPath);
    static const char* Extension() { return ".recovery"; }

    void SetFileName(const std::string& name) { m_fileName = name; }
    const std::string& FileName() const { return m_fileName; }
    void AddStream(const AVISTREAMHEADER& header, const void* pFormat, DWORD cbFormat);
    const std::vector<CStream>& Streams() const { return m_streams; }

    bool Write(const char* pszPath) const;
    // False when the file is missing, is no record or is damaged.
    bool Read(const char* pszPath);

private:
    void Build(std::vector<BYTE>& out) const;
    bool Parse(const std::vector<BYTE>& data);
    bool ParseStream(const BYTE* p, DWORD cb);

    std::string m_fileName;
    std::vector<CStream> m_streams;
};
