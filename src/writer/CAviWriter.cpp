#include "writer/CAviWriter.h"

#include "writer/CAviStream.h"

namespace
{
const int kQueueCapacity = 1000;
const char kFormatName[] = "Audio Video Interleaved";
const char kExtension[] = "avi";
}

CAviWriter::CAviWriter() : CMediaWriter(kQueueCapacity), m_pFile(nullptr)
{
    SetMaxFileSize(kMaxFileSize);
    SetFormatName(kFormatName);
    SetExtension(kExtension);
    AVIFileInit();
}

CAviWriter::~CAviWriter()
{
    CAviWriter::Stop();
    AVIFileExit();
}

int CAviWriter::Initialize()
{
    return 1;
}

void CAviWriter::Uninitialize()
{
}

int CAviWriter::Start()
{
    // A writer still busy with an earlier file finishes it first; one whose last write never
    // came back keeps that file until it does.
    Stop();
    if (m_pFile || !OpenFile())
        return 0;
    if (StartStreams() && CMediaWriter::Start())
        return 1;
    StopStreams();
    CloseFile();
    return 0;
}

// Also closes a file whose writing thread already ended on its own after a failed write. A
// thread stuck in a write is not killed: the file is closed by a later call, once it is back.
void CAviWriter::Stop()
{
    if (!IsWriting() && !m_pFile)
        return;
    if (!StopThread())
        return;
    StopStreams();
    CloseFile();
}

int CAviWriter::OpenFile()
{
    if (!FileName() || IsReadOnlyFile())
        return 0;
    DeleteFileA(FileName());
    if (FAILED(AVIFileOpenA(&m_pFile, FileName(), OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE,
                            nullptr)))
    {
        m_pFile = nullptr;
        return 0;
    }
    m_guard.Begin(FileName());
    return 1;
}

// A file the user protected is never replaced, whatever rights the process has.
int CAviWriter::IsReadOnlyFile() const
{
    DWORD dwAttributes = GetFileAttributesA(FileName());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_READONLY);
}

int CAviWriter::StartStreams()
{
    for (int n = 0; n < GetStreamCount(); ++n)
    {
        CAviStream* pStream = AviStream(n);
        pStream->SetGuard(&m_guard);
        if (!pStream->CreateInFile(m_pFile) || !pStream->Start())
            return 0;
    }
    return 1;
}

void CAviWriter::StopStreams()
{
    for (int n = 0; n < GetStreamCount(); ++n)
        AviStream(n)->Stop();
}

// No end-of-record mark is written: the library's index handling cannot take one here.
void CAviWriter::CloseFile()
{
    if (m_pFile)
        AVIFileRelease(m_pFile);
    m_pFile = nullptr;
}

CAviStream* CAviWriter::AviStream(int nIndex) const
{
    return static_cast<CAviStream*>(GetStream(nIndex));
}
