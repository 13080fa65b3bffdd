#pragma once

#include <windows.h>

#include "base/ScopedWin.h"
#include "pipeline/CRelayStream.h"

// The relay between a source and the stream of the recording's current file. A recording
// that reaches the size limit goes on in a new file whose time starts at zero, so the relay
// times every sample from the first sample of its file; while the files are switched the
// switch holds the relay's lock and the source waits in Deliver, so no sample lands in the
// closing file or is lost. A relay of frames also turns them away, before they are
// compressed, while the writer cannot take them.
class CFileTimeLine : public CRelayStream
{
public:
    explicit CFileTimeLine(bool bDropWhenFull) : m_bDropWhenFull(bDropWhenFull) {}

    // A new recording: the next sample is the first of the file. False while a source
    // that had to be left running is still inside.
    bool Begin(CMediaStream* pTarget);
    // Held (with CScopedLock) while the files are switched: the source waits in Deliver.
    CCriticalSection& Switching() { return m_cs; }
    // The next sample is the first of a file.
    void NewFile() { m_bNewFile = true; }

    int Deliver(const void* pData, DWORD cbSize, DWORD dwTime, DWORD dwDuration, DWORD dwFlags) override;

private:
    CCriticalSection m_cs;
    CMediaStream* m_pTarget = nullptr;
    const bool m_bDropWhenFull;
    bool m_bNewFile = true;
    DWORD m_dwOrigin = 0;
};
