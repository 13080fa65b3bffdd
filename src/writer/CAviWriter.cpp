#include "writer/CAviWriter.h"

#include <new>
#include <string>
#include <vector>

#include "writer/CAviRecoveryRecord.h"
#include "writer/CAviRepair.h"
#include "writer/CAviStream.h"

namespace {
const int kQueueCapacity = 1000;
const char kFormatName[] = "Audio Video Interleaved";
const char kExtension[] = "avi";

AVISTREAMHEADER HeaderOf(const AVISTREAMINFOA& info)
{
    AVISTREAMHEADER header = {};
    header.fccType = info.fccType;
    header.fccHandler = info.fccHandler;
    header.dwFlags = info.dwFlags;
    header.wPriority = info.wPriority;
    header.wLanguage = info.wLanguage;
    header.dwInitialFrames = info.dwInitialFrames;
    header.dwScale = info.dwScale;
    header.dwRate = info.dwRate;
    header.dwStart = info.dwStart;
    header.dwSuggestedBufferSize = info.dwSuggestedBufferSize;
    header.dwQuality = info.dwQuality;
    header.dwSampleSize = info.dwSampleSize;
    header.rcFrame.left = static_cast<short>(info.rcFrame.left);
    header.rcFrame.top = static_cast<short>(info.rcFrame.top);
    header.rcFrame.right = static_cast<short>(info.rcFrame.right);
    header.rcFrame.bottom = static_cast<short>(info.rcFrame.bottom);
    return header;
}

// The header and format of the file's nth stream as the library holds them.
bool ReadStream(PAVIFILE pFile, int nStream, AVISTREAMHEADER& header, std::vector<BYTE>& format)
{
    PAVISTREAM pStream = nullptr;
    if (FAILED(AVIFileGetStream(pFile, &pStream, 0, nStream)) || !pStream)
        return false;
    AVISTREAMINFOA info = {};
    LONG cbFormat = 0;
    bool bOk = SUCCEEDED(AVIStreamInfoA(pStream, &info, sizeof info)) &&
               SUCCEEDED(AVIStreamReadFormat(pStream, 0, nullptr, &cbFormat)) && cbFormat > 0;
    if (bOk) {
        format.resize(static_cast<size_t>(cbFormat));
        bOk = SUCCEEDED(AVIStreamReadFormat(pStream, 0, format.data(), &cbFormat));
    }
    AVIStreamRelease(pStream);
    header = HeaderOf(info);
    return bOk;
}
} // namespace

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
    if (StartStreams()) {
        WriteRecoveryRecord();
        if (CMediaWriter::Start())
            return 1;
    }
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
    if (FAILED(AVIFileOpenA(&m_pFile, FileName(), OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE, nullptr))) {
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
    for (int n = 0; n < GetStreamCount(); ++n) {
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
    if (m_pFile) {
        AVIFileRelease(m_pFile);
        RemoveRecoveryRecord();
    }
    m_pFile = nullptr;
}

// A recording without its record is no worse off than before records existed: a failure to
// write one does not stop the recording.
void CAviWriter::WriteRecoveryRecord() const
{
    try {
        const std::string path = FileName();
        CAviRecoveryRecord record;
        record.SetFileName(path.substr(path.find_last_of("\\/") + 1));
        for (int n = 0; n < GetStreamCount(); ++n) {
            AVISTREAMHEADER header;
            std::vector<BYTE> format;
            if (!ReadStream(m_pFile, n, header, format))
                return;
            record.AddStream(header, format.data(), static_cast<DWORD>(format.size()));
        }
        record.Write(CAviRecoveryRecord::PathFor(path.c_str()).c_str());
    } catch (const std::bad_alloc&) {
    }
}

// Only once the library has written the headers: a file it could not complete (a full disk)
// keeps its record, and the next start repairs it.
void CAviWriter::RemoveRecoveryRecord() const
{
    if (FileName() && CAviRepair::IsComplete(FileName()))
        DeleteFileA(CAviRecoveryRecord::PathFor(FileName()).c_str());
}

CAviStream* CAviWriter::AviStream(int nIndex) const
{
    return static_cast<CAviStream*>(GetStream(nIndex));
}
