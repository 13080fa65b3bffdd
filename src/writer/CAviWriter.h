#pragma once

#include <windows.h>
#include <vfw.h>

#include "pipeline/CMediaWriter.h"
#include "writer/CDiskSpaceGuard.h"

class CAviStream;

// Writes one recording into an AVI file through the system's AVIFile library. Its streams
// must be CAviStream objects. The library writes the file's headers and index only when the
// file is closed, so beside the file lies its recovery record from the start until then: what
// a repair needs should the program never get that far.
class CAviWriter : public CMediaWriter
{
public:
    CAviWriter();
    ~CAviWriter() override;

    int Initialize() override;
    void Uninitialize() override;
    int Start() override;
    void Stop() override;

    static const DWORD kMaxFileSize = 0x7D000000;

private:
    int OpenFile();
    int IsReadOnlyFile() const;
    int StartStreams();
    void StopStreams();
    void CloseFile();
    void WriteRecoveryRecord() const;
    void RemoveRecoveryRecord() const;
    CAviStream* AviStream(int nIndex) const;

    PAVIFILE m_pFile;
    CDiskSpaceGuard m_guard;
};
