#include "pipeline/CFileSizeTracker.h"

CFileSizeTracker::CFileSizeTracker()
{
    Begin(0);
}

void CFileSizeTracker::Begin(DWORD dwNow)
{
    m_ullSizeAtCheck = 0;
    m_ullSinceCheck = 0;
    m_cbLargest = 0;
    m_dwCheckTime = dwNow;
}

void CFileSizeTracker::Count(DWORD cbBytes)
{
    m_ullSinceCheck += cbBytes;
    if (cbBytes > m_cbLargest)
        m_cbLargest = cbBytes;
}

bool CFileSizeTracker::IsCheckDue(ULONGLONG ullLimit, DWORD dwNow) const
{
    if (dwNow - m_dwCheckTime >= kCheckIntervalMs)
        return true;
    return Estimate() + kMargin + 2ull * m_cbLargest >= ullLimit;
}

void CFileSizeTracker::Checked(ULONGLONG ullSize, DWORD dwNow)
{
    m_ullSizeAtCheck = ullSize;
    m_ullSinceCheck = 0;
    m_dwCheckTime = dwNow;
}
