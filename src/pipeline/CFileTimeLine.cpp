#include "pipeline/CFileTimeLine.h"

#include "pipeline/CMediaWriter.h"

bool CFileTimeLine::Begin(CMediaStream* pTarget)
{
    CScopedTryLock lock(m_cs);
    if (!lock.Owns())
        return false;
    m_pTarget = pTarget;
    SetWriter(pTarget ? pTarget->GetWriter() : nullptr);
    m_bNewFile = true;
    return true;
}

int CFileTimeLine::Deliver(const void* pData, DWORD cbSize, DWORD dwTime, DWORD dwDuration, DWORD dwFlags)
{
    CScopedLock lock(m_cs);
    CMediaWriter* pWriter = m_pTarget ? m_pTarget->GetWriter() : nullptr;
    if (m_bDropWhenFull && pWriter && !pWriter->MayQueueFrame(cbSize))
        return 1; // dropped, and counted by the writer
    if (!m_pTarget)
        return 0;
    if (m_bNewFile) {
        m_dwOrigin = dwTime;
        m_bNewFile = false;
    }
    return m_pTarget->Deliver(pData, cbSize, dwTime - m_dwOrigin, dwDuration, dwFlags);
}
