#pragma once

#include <windows.h>

// Decides when a writer has to read its file's size from the disk to see whether the file
// reached its size limit. Between readings it adds up what the streams report having written;
// the disk is read again once that sum could have brought the file near the limit, and
// otherwise about once a second (a stream that reports nothing is still watched).
class CFileSizeTracker
{
public:
    // How close to the limit, besides twice the largest write, every write is followed by a
    // reading: the library's write buffer and the chunk headers it adds are well inside it.
    static const ULONGLONG kMargin = 1024 * 1024;
    static const DWORD kCheckIntervalMs = 1000;

    CFileSizeTracker();

    // A new file, created at dwNow (GetTickCount milliseconds).
    void Begin(DWORD dwNow);
    // A stream put cbBytes into the file.
    void Count(DWORD cbBytes);
    bool IsCheckDue(ULONGLONG ullLimit, DWORD dwNow) const;
    // The size the disk reported at dwNow.
    void Checked(ULONGLONG ullSize, DWORD dwNow);

    ULONGLONG Estimate() const { return m_ullSizeAtCheck + m_ullSinceCheck; }

private:
    ULONGLONG m_ullSizeAtCheck = 0;
    ULONGLONG m_ullSinceCheck = 0;
    DWORD m_cbLargest = 0;
    DWORD m_dwCheckTime = 0;
};
