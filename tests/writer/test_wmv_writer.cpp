// The WMV writer and its streams: media types built from the encoders' formats, the times
// handed to the runtime, the profile built per file, and real files from the built-in runtime.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "wmf/WmfRuntime.h"
#include "writer/CWmvAudioStream.h"
#include "writer/CWmvVideoStream.h"
#include "writer/CWmvWriter.h"
#include "writer/WmvRuntimeDoubles.h"

namespace {

const GUID kStreamPropertiesObject = {0xb7dc0791, 0xa9b7, 0x11cf, {0x8e, 0xe6, 0x00, 0xc0, 0x0c, 0x20, 0x53, 0x65}};

BITMAPINFOHEADER OutputFormat(const char* pszFourCC)
{
    BITMAPINFOHEADER bmi = {};
    bmi.biSize = sizeof(bmi);
    bmi.biWidth = 320;
    bmi.biHeight = 240;
    bmi.biPlanes = 1;
    bmi.biBitCount = 24;
    std::memcpy(&bmi.biCompression, pszFourCC, 4);
    return bmi;
}

MPEGLAYER3WAVEFORMAT Mp3Format()
{
    MPEGLAYER3WAVEFORMAT wave = {};
    wave.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    wave.wfx.nChannels = 2;
    wave.wfx.nSamplesPerSec = 44100;
    wave.wfx.nAvgBytesPerSec = 16000;
    wave.wfx.nBlockAlign = 1;
    wave.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    wave.wID = MPEGLAYER3_ID_MPEG;
    wave.nBlockSize = 417;
    wave.nFramesPerBlock = 1;
    return wave;
}

std::string TempFile(const char* pszName)
{
    char szDir[MAX_PATH];
    GetTempPathA(MAX_PATH, szDir);
    return std::string(szDir) + pszName;
}

std::vector<BYTE> ReadFile(const std::string& path)
{
    std::vector<BYTE> bytes;
    HANDLE hFile = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return bytes;
    bytes.resize(GetFileSize(hFile, nullptr));
    DWORD cbRead = 0;
    ::ReadFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &cbRead, nullptr);
    CloseHandle(hFile);
    return bytes;
}

// Stream numbers of the stream-properties objects in the file's header.
std::vector<int> HeaderStreams(const std::vector<BYTE>& file)
{
    std::vector<int> numbers;
    if (file.size() < 30)
        return numbers;
    ULONGLONG cbHeader = 0;
    std::memcpy(&cbHeader, &file[16], 8);
    for (size_t pos = 30; pos + 24 <= cbHeader && pos + 24 <= file.size();) {
        ULONGLONG cbObject = 0;
        std::memcpy(&cbObject, &file[pos + 16], 8);
        if (cbObject < 24)
            break;
        if (std::memcmp(&file[pos], &kStreamPropertiesObject, 16) == 0)
            numbers.push_back(file[pos + 72] & 0x7f);
        pos += static_cast<size_t>(cbObject);
    }
    return numbers;
}

const WMVIDEOINFOHEADER* VideoInfo(CWmvVideoStream& stream)
{
    return reinterpret_cast<const WMVIDEOINFOHEADER*>(stream.MediaType()->pbFormat);
}

TEST(CWmvVideoStream, Wmv3OutputFormatGivesTheFourCCSubtype)
{
    CWmvVideoStream stream;
    const BITMAPINFOHEADER bmi = OutputFormat("WMV3");
    ASSERT_TRUE(stream.SetFormat(&bmi, sizeof(bmi), 1, 20, 125000));
    const WM_MEDIA_TYPE* pType = stream.MediaType();
    const GUID wmv3 = {0x33564d57, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
    EXPECT_TRUE(pType->subtype == wmv3);
    EXPECT_TRUE(pType->majortype == WMMEDIATYPE_Video);
    EXPECT_TRUE(pType->formattype == WMFORMAT_VideoInfo);
    EXPECT_FALSE(pType->bFixedSizeSamples);
    EXPECT_TRUE(pType->bTemporalCompression);
    EXPECT_EQ(0u, pType->lSampleSize);
    EXPECT_EQ(nullptr, pType->pUnk);
}

TEST(CWmvVideoStream, FormatBlockCarriesFrameIntervalRateAndTheWholeOutputFormat)
{
    CWmvVideoStream stream;
    std::vector<BYTE> output(sizeof(BITMAPINFOHEADER) + 8, 0xab); // a format with extra bytes
    const BITMAPINFOHEADER bmi = OutputFormat("XVID");
    std::memcpy(output.data(), &bmi, sizeof(bmi));
    ASSERT_TRUE(stream.SetFormat(reinterpret_cast<BITMAPINFOHEADER*>(output.data()), static_cast<int>(output.size()), 1,
                                 20, 125000));
    EXPECT_EQ(48u + output.size(), stream.MediaType()->cbFormat);
    const WMVIDEOINFOHEADER* pInfo = VideoInfo(stream);
    EXPECT_EQ(500000, pInfo->AvgTimePerFrame);
    EXPECT_EQ(125000u, pInfo->dwBitRate);
    EXPECT_EQ(0u, pInfo->dwBitErrorRate);
    EXPECT_TRUE(IsRectEmpty(&pInfo->rcSource) && IsRectEmpty(&pInfo->rcTarget));
    EXPECT_EQ(0, std::memcmp(&pInfo->bmiHeader, output.data(), output.size()));

    ASSERT_TRUE(stream.SetFormat(&bmi, sizeof(bmi), 1001, 30000, 0));
    EXPECT_EQ(333666, VideoInfo(stream)->AvgTimePerFrame) << "NTSC rate in 64-bit arithmetic";
    ASSERT_TRUE(stream.SetFormat(&bmi, sizeof(bmi), 1, 0, 0));
    EXPECT_EQ(0, VideoInfo(stream)->AvgTimePerFrame) << "no rate, no interval (and no division by zero)";
}

TEST(CWmvVideoStream, NeedsAtLeastABitmapHeader)
{
    CWmvVideoStream stream;
    const BITMAPINFOHEADER bmi = OutputFormat("WMV3");
    EXPECT_FALSE(stream.SetFormat(&bmi, 39, 1, 20, 0));
    EXPECT_FALSE(stream.SetFormat(nullptr, 40, 1, 20, 0));
    EXPECT_FALSE(stream.SetEncoder(nullptr, 0));
    EXPECT_EQ(nullptr, stream.MediaType());
}

TEST(CWmvStreams, AnswerTheirProfileEntries)
{
    CWmvVideoStream video;
    CWmvAudioStream audio;
    EXPECT_EQ(1, video.StreamNumber());
    EXPECT_EQ(2, audio.StreamNumber());
    EXPECT_TRUE(video.MediaTypeGuid() == WMMEDIATYPE_Video);
    EXPECT_TRUE(audio.MediaTypeGuid() == WMMEDIATYPE_Audio);
    EXPECT_TRUE(video.IsVariableBitRate() && audio.IsVariableBitRate());
    EXPECT_EQ(0u, video.Bitrate());
    EXPECT_EQ(3000u, video.BufferWindow());
    EXPECT_EQ(3000u, audio.BufferWindow());
    EXPECT_EQ(1000u, CWmvStream::BufferWindowFor(1001));
    EXPECT_EQ(3000u, CWmvStream::BufferWindowFor(1000));
    EXPECT_EQ(1, video.CodecType());
    EXPECT_EQ(0u, video.CodecInfoSize());
    EXPECT_STREQ(L"", video.CodecName());
    EXPECT_EQ(0, audio.CodecType());
    EXPECT_STREQ(L"MPEG Audio Layer-3", audio.CodecName());
    EXPECT_STREQ(L"", audio.CodecDescription());
    ASSERT_EQ(4u, audio.CodecInfoSize());
    const BYTE expected[4] = {0x55, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(expected, audio.CodecInfo(), 4));
}

TEST(CWmvAudioStream, MediaTypeIsACopyOfTheMp3WaveFormat)
{
    CWmvAudioStream stream;
    EXPECT_FALSE(stream.SetEncoder(nullptr, 0));
    MPEGLAYER3WAVEFORMAT wave = Mp3Format();
    stream.SetWaveFormat(wave);
    wave.wfx.nChannels = 1;
    const WM_MEDIA_TYPE* pType = stream.MediaType();
    ASSERT_NE(nullptr, pType);
    EXPECT_TRUE(pType->subtype == WMMEDIASUBTYPE_MP3);
    EXPECT_TRUE(pType->formattype == WMFORMAT_WaveFormatEx);
    EXPECT_FALSE(pType->bFixedSizeSamples);
    EXPECT_TRUE(pType->bTemporalCompression);
    ASSERT_EQ(30u, pType->cbFormat);
    EXPECT_EQ(2, reinterpret_cast<const WAVEFORMATEX*>(pType->pbFormat)->nChannels);
}

class CWmvStreamSamples : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, OrvWMCreateWriter(nullptr, &m_pWriter));
        const BITMAPINFOHEADER bmi = OutputFormat("WMV3");
        m_stream.SetFormat(&bmi, sizeof(bmi), 1, 20, 0);
    }
    void TearDown() override
    {
        m_stream.Stop();
        m_pWriter->Release();
    }

    CMediaSample Sample(DWORD dwTime, DWORD dwDuration, DWORD dwFlags, const char* pszData)
    {
        SAMPLEBUFFER hBuffer = m_stream.AllocSample(static_cast<DWORD>(std::strlen(pszData)));
        m_stream.FillSample(hBuffer, pszData, static_cast<DWORD>(std::strlen(pszData)));
        return CMediaSample{&m_stream, hBuffer, dwTime, dwDuration, dwFlags};
    }

    IWMWriter* m_pWriter = nullptr;
    CRecordingAdvanced m_advanced;
    CWmvVideoStream m_stream;
};

TEST_F(CWmvStreamSamples, TimesGoToTheRuntimeIn100nsAndSendTimeInMs)
{
    m_stream.Attach(m_pWriter, &m_advanced);
    ASSERT_TRUE(m_stream.Start());
    CMediaSample sample = Sample(1234, 50, WM_SF_CLEANPOINT, "frame");
    ASSERT_TRUE(m_stream.WriteSample(&sample));
    CMediaSample late = Sample(0xFFFFFFF0u, 50, 0, "late");
    ASSERT_TRUE(m_stream.WriteSample(&late));
    ASSERT_EQ(2u, m_advanced.samples.size());
    const WrittenSample& written = m_advanced.samples[0];
    EXPECT_EQ(1, written.wStream);
    EXPECT_EQ(12340000u, written.cnsTime);
    EXPECT_EQ(1234u, written.msSendTime);
    EXPECT_EQ(500000u, written.cnsDuration);
    EXPECT_EQ(static_cast<DWORD>(WM_SF_CLEANPOINT), written.dwFlags);
    EXPECT_EQ(reinterpret_cast<INSSBuffer*>(sample.buffer), written.pBuffer);
    BYTE* pData = nullptr;
    DWORD cbData = 0;
    written.pBuffer->GetBufferAndLength(&pData, &cbData);
    EXPECT_EQ(std::string("frame"), std::string(reinterpret_cast<char*>(pData), cbData));
    EXPECT_EQ(0xFFFFFFF0ull * 10000, m_advanced.samples[1].cnsTime) << "widened before multiplying";
    m_stream.FreeSample(sample.buffer);
    m_stream.FreeSample(late.buffer);
}

TEST_F(CWmvStreamSamples, EmptyMarkerSucceedsUnwrittenAndFailuresReportZero)
{
    CMediaSample empty = {&m_stream, SAMPLEBUFFER_EMPTY, 10, 50, 0};
    EXPECT_TRUE(m_stream.WriteSample(&empty)) << "even without interfaces";
    EXPECT_FALSE(m_stream.Start()) << "no interfaces yet";
    EXPECT_EQ(SAMPLEBUFFER_FAILED, m_stream.AllocSample(10));

    m_stream.Attach(m_pWriter, &m_advanced);
    ASSERT_TRUE(m_stream.Start());
    EXPECT_TRUE(m_stream.WriteSample(&empty));
    EXPECT_TRUE(m_advanced.samples.empty());
    CMediaSample failed = {&m_stream, SAMPLEBUFFER_FAILED, 10, 50, 0};
    EXPECT_FALSE(m_stream.WriteSample(&failed));
    CMediaSample sample = Sample(10, 50, 0, "x");
    m_advanced.hrResult = NS_E_FILE_WRITE;
    EXPECT_FALSE(m_stream.WriteSample(&sample));
    m_stream.Stop();
    m_advanced.hrResult = S_OK;
    EXPECT_FALSE(m_stream.WriteSample(&sample)) << "Stop released the interfaces";
    m_stream.FreeSample(sample.buffer);
    EXPECT_EQ(1, m_advanced.nRefs) << "every reference taken was given back";
}

TEST_F(CWmvStreamSamples, FillSampleRefusesMissingDataAndOversizedCopies)
{
    m_stream.Attach(m_pWriter, &m_advanced);
    SAMPLEBUFFER hBuffer = m_stream.AllocSample(4);
    ASSERT_NE(SAMPLEBUFFER_FAILED, hBuffer);
    EXPECT_FALSE(m_stream.FillSample(hBuffer, nullptr, 4));
    EXPECT_FALSE(m_stream.FillSample(hBuffer, "abcd", 0));
    EXPECT_FALSE(m_stream.FillSample(SAMPLEBUFFER_FAILED, "abcd", 4));
    EXPECT_FALSE(m_stream.FillSample(hBuffer, "abcdefgh", 8));
    EXPECT_TRUE(m_stream.FillSample(hBuffer, "abcd", 4));
    m_stream.FreeSample(hBuffer);
}

class CWmvWriterFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const BITMAPINFOHEADER bmi = OutputFormat("ZMBV");
        m_video.SetFormat(&bmi, sizeof(bmi), 1, 10, 0);
        m_audio.SetWaveFormat(Mp3Format());
        m_path = TempFile("orv-wmv-writer.wmv");
        DeleteFileA(m_path.c_str());
    }
    void TearDown() override { DeleteFileA(m_path.c_str()); }

    void Wire(CWmvWriter& writer)
    {
        m_video.SetWriter(&writer);
        writer.AddStream(&m_video);
        m_audio.SetWriter(&writer);
        writer.AddStream(&m_audio);
        writer.SetFileName(m_path.c_str());
    }

    void DeliverSome()
    {
        const BYTE frame[64] = {1};
        const BYTE mp3[32] = {2};
        for (DWORD t = 0; t < 1000; t += 100) {
            ASSERT_TRUE(m_video.CMediaStream::Deliver(frame, sizeof(frame), t, 100, t ? 0 : WM_SF_CLEANPOINT));
            ASSERT_TRUE(m_audio.CMediaStream::Deliver(mp3, sizeof(mp3), t, 100, 0));
        }
    }

    CWmvVideoStream m_video;
    CWmvAudioStream m_audio;
    std::string m_path;
};

TEST_F(CWmvWriterFiles, NamesItselfAndNeedsInitializeBeforeStarting)
{
    CWmvWriter writer;
    char szExtension[8];
    ASSERT_TRUE(writer.GetExtension(szExtension, sizeof(szExtension)));
    EXPECT_STREQ("asf", szExtension);
    EXPECT_STREQ("Advanced System File", writer.GetFormatName());
    EXPECT_EQ(0u, writer.GetMaxFileSize());
    Wire(writer);
    EXPECT_FALSE(writer.Start());
    ASSERT_TRUE(writer.Initialize());
    EXPECT_TRUE(writer.Initialize()) << "a second call keeps the writer";
}

TEST_F(CWmvWriterFiles, RecordingWritesBothStreamsAsOneAndTwo)
{
    CWmvWriter writer;
    ASSERT_TRUE(writer.Initialize());
    Wire(writer);
    ASSERT_TRUE(writer.Start());
    for (int i = 0; i < 100 && !writer.IsWriting(); ++i)
        Sleep(10); // the writing thread raises the flag when it runs
    ASSERT_TRUE(writer.IsWriting());
    DeliverSome();
    writer.Stop();
    EXPECT_FALSE(writer.IsWriting());
    EXPECT_EQ((std::vector<int>{1, 2}), HeaderStreams(ReadFile(m_path)));
}

TEST_F(CWmvWriterFiles, StreamWhoseMediaTypeIsRefusedIsLeftOut)
{
    SetRefusedStreamType(WMMEDIATYPE_Audio);
    CWmvWriter writer(CreateRefusingProfileManager, OrvWMCreateWriter);
    ASSERT_TRUE(writer.Initialize());
    Wire(writer);
    ASSERT_TRUE(writer.Start());
    DeliverSome();
    Sleep(500); // the writing thread empties the queue
    EXPECT_TRUE(writer.IsWriting()) << "samples of the left-out stream are no write failure";
    EXPECT_TRUE(writer.HasWritten());
    writer.Stop();
    EXPECT_EQ(std::vector<int>{1}, HeaderStreams(ReadFile(m_path)));
    SetRefusedStreamType(GUID_NULL);
}

TEST_F(CWmvWriterFiles, FailedStartLeavesTheRuntimeReadyForTheNextFile)
{
    CWmvWriter writer;
    ASSERT_TRUE(writer.Initialize());
    Wire(writer);
    writer.SetFileName(TempFile("orv-no-such-folder\\x.wmv").c_str());
    EXPECT_FALSE(writer.Start()) << "folder missing";
    EXPECT_FALSE(writer.IsWriting());
    writer.SetFileName(m_path.c_str());
    ASSERT_TRUE(writer.Start());
    writer.Stop();
    EXPECT_EQ((std::vector<int>{1, 2}), HeaderStreams(ReadFile(m_path)));
}

TEST_F(CWmvWriterFiles, StopRightAfterStartCompletesTheFile)
{
    CWmvWriter writer;
    ASSERT_TRUE(writer.Initialize());
    Wire(writer);
    ASSERT_TRUE(writer.Start());
    writer.Stop();
    const std::vector<BYTE> file = ReadFile(m_path);
    ASSERT_GT(file.size(), 100u);
    ULONGLONG cbFileField = 0;
    std::memcpy(&cbFileField, &file[30 + 24 + 16], 8); // the file properties object comes first
    EXPECT_EQ(file.size(), cbFileField);
    // A second file with the same writer and streams.
    ASSERT_TRUE(writer.Start());
    DeliverSome();
    writer.Stop();
    EXPECT_EQ((std::vector<int>{1, 2}), HeaderStreams(ReadFile(m_path)));
}

} // namespace
