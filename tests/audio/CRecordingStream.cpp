#include "CRecordingStream.h"

#include <cstring>

SAMPLEBUFFER CRecordingStream::AllocSample(DWORD cbSize)
{
    return SAMPLEBUFFER(new char[cbSize ? cbSize : 1]);
}

void CRecordingStream::FreeSample(SAMPLEBUFFER hBuffer)
{
    delete[] reinterpret_cast<char*>(hBuffer);
}

int CRecordingStream::FillSample(SAMPLEBUFFER hBuffer, const void* pData, DWORD cbSize)
{
    memcpy(reinterpret_cast<char*>(hBuffer), pData, cbSize);
    return 1;
}

int CRecordingStream::Deliver(const void* pData, DWORD cbSize, DWORD dwTime, DWORD dwDuration, DWORD dwFlags)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        const char* pBytes = static_cast<const char*>(pData);
        m_deliveries.push_back(Delivery{cbSize, dwTime, dwDuration, dwFlags,
                                        pBytes ? std::string(pBytes, cbSize) : std::string(), GetTickCount()});
    }
    return m_bQueue ? CMediaStream::Deliver(pData, cbSize, dwTime, dwDuration, dwFlags) : 1;
}

std::vector<CRecordingStream::Delivery> CRecordingStream::Deliveries()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_deliveries;
}

size_t CRecordingStream::DeliveryCount()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_deliveries.size();
}

bool CStartedWriter::StartAndWait()
{
    if (!Start())
        return false;
    for (int i = 0; i < 500 && !IsWriting(); ++i)
        Sleep(2);
    return IsWriting() != 0;
}
