#pragma once

#include <windows.h>
#include <vfw.h>

#include <vector>

#include "base/ScopedWin.h"
#include "pipeline/CMediaStream.h"

class CDiskSpaceGuard;

// A stream of an AVI file. Its sample buffers are heap records holding a copy of the
// payload; a few written ones are kept for reuse, since fresh memory for every large frame
// costs more than copying the frame. The stream is created anew in every file and released
// at every stop.
class CAviStream : public CMediaStream
{
public:
    CAviStream();
    ~CAviStream() override;

    int IsVariableBitRate() override;
    int Start() override;
    void Stop() override;
    SAMPLEBUFFER AllocSample(DWORD cbSize) override;
    void FreeSample(SAMPLEBUFFER hBuffer) override;
    int FillSample(SAMPLEBUFFER hBuffer, const void* pData, DWORD cbSize) override;
    // Remembers the file and creates the stream in it.
    virtual int CreateInFile(PAVIFILE pFile);

    // A sample buffer of cbSize bytes for the producer to fill in place; the next AllocSample
    // of at most that size hands it out, and FillSample from its own bytes copies nothing.
    // Null when memory runs out. Producer thread only.
    BYTE* PrepareSample(DWORD cbSize);

    // The writer's watch over its file's disk space; every chunk passes it.
    void SetGuard(CDiskSpaceGuard* pGuard) { m_pGuard = pGuard; }
    void SetName(const char* pszName);
    const AVISTREAMINFOA& GetInfo() const { return m_info; }

protected:
    struct SampleData
    {
        BYTE* pData;
        DWORD cbData;
        DWORD cbCapacity; // what was asked for
        DWORD cbAllocated;
    };

    static const SampleData* DataOf(const CMediaSample* pSample);
    // Zeroes the stream header and fills in the fields every stream shares.
    void ResetInfo(DWORD fccType, DWORD fccHandler);
    int CreateStream(const void* pFormat, LONG cbFormat);
    AVISTREAMINFOA& Info() { return m_info; }
    // Writes one chunk through the guard; 0 when it was refused or failed. bLast marks a
    // stream's final chunk, written while the file is closed.
    int WriteChunk(LONG lStart, LONG lSamples, const void* pData, LONG cbData, DWORD dwFlags, int bLast = 0);
    PAVISTREAM AviStream() const { return m_pStream; }

private:
    static const size_t kMaxSpares = 4;

    int Admitted(DWORD cbChunk, int bLast);
    SampleData* NewSample(DWORD cbSize);
    SampleData* TakeSpare(DWORD cbSize);
    bool KeepSpare(SampleData* pSample);
    void FreeSpares();
    static void DeleteSample(SampleData* pSample);

    CAviStream(const CAviStream&) = delete;
    CAviStream& operator=(const CAviStream&) = delete;

    char m_szName[64];
    PAVIFILE m_pFile;
    PAVISTREAM m_pStream;
    CDiskSpaceGuard* m_pGuard;
    AVISTREAMINFOA m_info;
    CCriticalSection m_csSpares;
    std::vector<SampleData*> m_spares;
    // Kept across files: Stop may run while the producer goes on into the next file.
    SampleData* m_pPrepared = nullptr;
};
