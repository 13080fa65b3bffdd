#include "writer/CAviStream.h"

#include <cstddef>
#include <cstring>
#include <new>

#include "pipeline/CMediaWriter.h"
#include "pipeline/CStageTimer.h"
#include "writer/CDiskSpaceGuard.h"

namespace {
const DWORD kChunkHeaderBytes = 8;
}

CAviStream::CAviStream() : m_pFile(nullptr), m_pStream(nullptr), m_pGuard(nullptr)
{
    m_szName[0] = '\0';
    std::memset(&m_info, 0, sizeof m_info);
}

CAviStream::~CAviStream()
{
    CAviStream::Stop();
    FreeSpares();
    if (m_pPrepared)
        DeleteSample(m_pPrepared);
}

int CAviStream::IsVariableBitRate()
{
    return 0;
}

int CAviStream::Start()
{
    if (!m_pFile || !m_pStream)
        return 0;
    return CMediaStream::Start();
}

void CAviStream::Stop()
{
    if (m_pStream)
        AVIStreamRelease(m_pStream);
    m_pStream = nullptr;
    m_pFile = nullptr;
    m_pGuard = nullptr;
    FreeSpares();
}

SAMPLEBUFFER CAviStream::AllocSample(DWORD cbSize)
{
    SampleData* pSample = nullptr;
    if (m_pPrepared && m_pPrepared->cbAllocated >= cbSize) {
        pSample = m_pPrepared;
        m_pPrepared = nullptr;
    } else {
        pSample = NewSample(cbSize);
    }
    if (!pSample)
        return SAMPLEBUFFER_FAILED;
    pSample->cbCapacity = cbSize;
    return reinterpret_cast<SAMPLEBUFFER>(pSample);
}

BYTE* CAviStream::PrepareSample(DWORD cbSize)
{
    if (m_pPrepared && m_pPrepared->cbAllocated < cbSize) {
        DeleteSample(m_pPrepared);
        m_pPrepared = nullptr;
    }
    if (!m_pPrepared)
        m_pPrepared = NewSample(cbSize);
    return m_pPrepared ? m_pPrepared->pData : nullptr;
}

// A kept buffer that holds cbSize bytes, or a new one.
CAviStream::SampleData* CAviStream::NewSample(DWORD cbSize)
{
    SampleData* pSample = TakeSpare(cbSize);
    if (pSample) {
        pSample->cbData = 0;
        return pSample;
    }
    DWORD cbAllocated = cbSize ? cbSize : 1;
    pSample = new (std::nothrow) SampleData{nullptr, 0, cbSize, cbAllocated};
    if (!pSample)
        return nullptr;
    pSample->pData = new (std::nothrow) BYTE[cbAllocated];
    if (!pSample->pData) {
        delete pSample;
        return nullptr;
    }
    return pSample;
}

void CAviStream::FreeSample(SAMPLEBUFFER hBuffer)
{
    if (!HasSampleBuffer(hBuffer))
        return;
    SampleData* pSample = reinterpret_cast<SampleData*>(hBuffer);
    if (!KeepSpare(pSample))
        DeleteSample(pSample);
}

// The smallest kept buffer that holds cbSize bytes.
CAviStream::SampleData* CAviStream::TakeSpare(DWORD cbSize)
{
    CScopedLock lock(m_csSpares);
    size_t nBest = m_spares.size();
    for (size_t n = 0; n < m_spares.size(); ++n) {
        if (m_spares[n]->cbAllocated >= cbSize &&
            (nBest == m_spares.size() || m_spares[n]->cbAllocated < m_spares[nBest]->cbAllocated))
            nBest = n;
    }
    SampleData* pSample = nullptr;
    if (nBest < m_spares.size()) {
        pSample = m_spares[nBest];
        m_spares.erase(m_spares.begin() + static_cast<std::ptrdiff_t>(nBest));
    }
    return pSample;
}

bool CAviStream::KeepSpare(SampleData* pSample)
{
    bool bKept = false;
    CScopedLock lock(m_csSpares);
    if (m_spares.size() < kMaxSpares) {
        try {
            m_spares.push_back(pSample);
            bKept = true;
        } catch (const std::bad_alloc&) {
        }
    }
    return bKept;
}

void CAviStream::FreeSpares()
{
    CScopedLock lock(m_csSpares);
    for (SampleData* pSample : m_spares)
        DeleteSample(pSample);
    m_spares.clear();
}

void CAviStream::DeleteSample(SampleData* pSample)
{
    delete[] pSample->pData;
    delete pSample;
}

int CAviStream::FillSample(SAMPLEBUFFER hBuffer, const void* pData, DWORD cbSize)
{
    if (!HasSampleBuffer(hBuffer) || !pData || !cbSize)
        return 0;
    SampleData* pSample = reinterpret_cast<SampleData*>(hBuffer);
    if (cbSize > pSample->cbCapacity)
        return 0;
    // A prepared sample was filled in place.
    if (pData != pSample->pData)
        std::memcpy(pSample->pData, pData, cbSize);
    pSample->cbData = cbSize;
    return 1;
}

int CAviStream::CreateInFile(PAVIFILE pFile)
{
    m_pFile = pFile;
    return pFile != nullptr;
}

void CAviStream::SetName(const char* pszName)
{
    lstrcpynA(m_szName, pszName ? pszName : "", sizeof m_szName);
}

const CAviStream::SampleData* CAviStream::DataOf(const CMediaSample* pSample)
{
    if (!HasSampleBuffer(pSample->buffer))
        return nullptr;
    return reinterpret_cast<const SampleData*>(pSample->buffer);
}

void CAviStream::ResetInfo(DWORD fccType, DWORD fccHandler)
{
    std::memset(&m_info, 0, sizeof m_info);
    m_info.fccType = fccType;
    m_info.fccHandler = fccHandler;
    m_info.dwQuality = 0xFFFFFFFF;
    lstrcpynA(m_info.szName, m_szName, sizeof m_info.szName);
}

int CAviStream::CreateStream(const void* pFormat, LONG cbFormat)
{
    if (!m_pFile || !pFormat || cbFormat <= 0)
        return 0;
    if (m_pStream)
        AVIStreamRelease(m_pStream);
    m_pStream = nullptr;
    if (FAILED(AVIFileCreateStreamA(m_pFile, &m_pStream, &m_info))) {
        m_pStream = nullptr;
        return 0;
    }
    if (FAILED(AVIStreamSetFormat(m_pStream, 0, const_cast<void*>(pFormat), cbFormat))) {
        AVIStreamRelease(m_pStream);
        m_pStream = nullptr;
        return 0;
    }
    return 1;
}

int CAviStream::WriteChunk(LONG lStart, LONG lSamples, const void* pData, LONG cbData, DWORD dwFlags, int bLast)
{
    if (!m_pStream || cbData < 0)
        return 0;
    DWORD cbChunk = static_cast<DWORD>(cbData);
    if (m_pGuard && !Admitted(cbChunk, bLast))
        return 0;
    {
        CStageTimer timer(STAGE_WRITE);
        if (FAILED(AVIStreamWrite(m_pStream, lStart, lSamples, const_cast<void*>(pData), cbData, dwFlags, nullptr,
                                  nullptr)))
            return 0;
    }
    // The chunk and its header; the index entry comes when the file is closed.
    if (GetWriter())
        GetWriter()->CountWritten(cbChunk + kChunkHeaderBytes + (cbChunk & 1));
    CStageTimer timer(STAGE_SIZE_CHECK);
    return !m_pGuard || m_pGuard->Confirm(cbChunk);
}

int CAviStream::Admitted(DWORD cbChunk, int bLast)
{
    CStageTimer timer(STAGE_SIZE_CHECK);
    return bLast ? m_pGuard->AdmitLast(cbChunk) : m_pGuard->Admit(cbChunk);
}
