#include "pipeline/CTestStream.h"

#include <cstring>
#include <new>

#include "pipeline/CMediaWriter.h"

CTestStream::CTestStream()
{
    m_hGate = CreateEventA(nullptr, TRUE, TRUE, nullptr);
}

CTestStream::~CTestStream()
{
    CloseFile();
    CloseHandle(m_hGate);
}

int CTestStream::SetEncoder(void*, int)
{
    return 1;
}

SAMPLEBUFFER CTestStream::AllocSample(DWORD cbSize)
{
    if (m_bFailAlloc)
        return SAMPLEBUFFER_FAILED;
    Buffer* pBuffer = new (std::nothrow) Buffer{0, new (std::nothrow) char[cbSize]};
    if (!pBuffer)
        return SAMPLEBUFFER_FAILED;
    ++m_nLiveBuffers;
    ++m_nAllocs;
    return reinterpret_cast<SAMPLEBUFFER>(pBuffer);
}

void CTestStream::FreeSample(SAMPLEBUFFER hBuffer)
{
    Buffer* pBuffer = reinterpret_cast<Buffer*>(hBuffer);
    delete[] pBuffer->pData;
    delete pBuffer;
    --m_nLiveBuffers;
}

int CTestStream::FillSample(SAMPLEBUFFER hBuffer, const void* pData, DWORD cbSize)
{
    Buffer* pBuffer = reinterpret_cast<Buffer*>(hBuffer);
    if (!pBuffer || !pBuffer->pData || !pData || !cbSize)
        return 0;
    std::memcpy(pBuffer->pData, pData, cbSize);
    pBuffer->cbSize = cbSize;
    return 1;
}

int CTestStream::WriteSample(CMediaSample* pSample)
{
    WaitForSingleObject(m_hGate, INFINITE);
    int nCall = ++m_nWriteCalls;
    if (nCall == m_nFailAt || pSample->buffer == SAMPLEBUFFER_FAILED)
        return 0;

    Written written{pSample->time, pSample->duration,   pSample->flags, pSample->buffer == SAMPLEBUFFER_EMPTY,
                    std::string(), GetCurrentThreadId()};
    if (!written.bEmpty) {
        Buffer* pBuffer = reinterpret_cast<Buffer*>(pSample->buffer);
        written.payload.assign(pBuffer->pData, pBuffer->cbSize);
        if (m_hFile != INVALID_HANDLE_VALUE) {
            DWORD cbWritten = 0;
            if (!WriteFile(m_hFile, pBuffer->pData, pBuffer->cbSize, &cbWritten, nullptr))
                return 0;
            GetWriter()->CountWritten(cbWritten);
        }
    }
    m_writes.push_back(written);
    return 1;
}

int CTestStream::DeliverText(const std::string& text, DWORD dwTime, DWORD dwDuration)
{
    return Deliver(text.data(), static_cast<DWORD>(text.size()), dwTime, dwDuration, 0);
}

bool CTestStream::AppendToFile(const char* pszPath)
{
    CloseFile();
    m_hFile = CreateFileA(pszPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    return m_hFile != INVALID_HANDLE_VALUE;
}

void CTestStream::CloseFile()
{
    if (m_hFile != INVALID_HANDLE_VALUE)
        CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
}

void CTestStream::HoldWrites()
{
    ResetEvent(m_hGate);
}

void CTestStream::ReleaseWrites()
{
    SetEvent(m_hGate);
}
