#include <gtest/gtest.h>

#include <string>

#include "codec/CVideoCompressor.h"
#include "codec/CMp3Encoder.h"
#include "writer/AviTestFiles.h"
#include "writer/CAviAudioStream.h"
#include "writer/CAviVideoStream.h"
#include "writer/CAviWriter.h"
#include "writer/CDiskSpaceGuard.h"

using namespace avitest;

namespace {
const UINT kWriterEvent = 2027;
const DWORD kFps = 25;

class AviWriterTest : public ::testing::Test
{
protected:
    AviWriterTest() : m_folder("orvane_avi_writer"), m_format(RgbFormat(64, 48)) {}

    void TearDown() override { m_writer.Stop(); }

    void UseVideo()
    {
        ASSERT_EQ(1, m_video.SetFormat(&m_format, sizeof m_format, 1, kFps, m_format.biSizeImage));
        m_video.SetWriter(&m_writer);
        m_writer.AddStream(&m_video);
    }
    void UseAudio()
    {
        m_audio.SetWaveFormat(Mp3Format());
        m_audio.SetWriter(&m_writer);
        m_writer.AddStream(&m_audio);
    }
    int StartInto(const char* pszName)
    {
        m_path = m_folder.File(pszName);
        m_writer.SetFileName(m_path.c_str());
        return m_writer.Start();
    }
    // Queues an already compressed frame, as the video stream does after compressing.
    int QueueFrame(DWORD dwTime, BYTE nFill, DWORD dwFlags = AVIIF_KEYFRAME)
    {
        std::vector<BYTE> frame = Frame(m_format, nFill);
        return m_video.CMediaStream::Deliver(frame.data(), static_cast<DWORD>(frame.size()), dwTime, 1000 / kFps,
                                             dwFlags);
    }
    int QueueMp3(DWORD dwTime)
    {
        std::vector<BYTE> chunk = SilentMp3Frame();
        return m_audio.CMediaStream::Deliver(chunk.data(), static_cast<DWORD>(chunk.size()), dwTime, 26, 0);
    }
    std::vector<std::vector<BYTE>> VideoSamples()
    {
        std::vector<std::vector<BYTE>> samples;
        ReadStream(m_path, streamtypeVIDEO, &samples);
        return samples;
    }

    TempFolder m_folder;
    BITMAPINFOHEADER m_format;
    CAviWriter m_writer;
    CAviVideoStream m_video;
    CAviAudioStream m_audio;
    std::string m_path;
};

std::vector<DWORD> AudioGroupSizes(const std::string& path)
{
    std::vector<DWORD> sizes;
    for (const IndexEntry& entry : ReadIndex(path))
        if (entry.id == "01wb" || entry.id == "00wb")
            sizes.push_back(entry.cbSize);
    return sizes;
}
} // namespace

TEST(AviWriter, DescribesItselfAndLimitsFileSize)
{
    CAviWriter writer;
    EXPECT_EQ(1, writer.Initialize());
    EXPECT_STREQ("Audio Video Interleaved", writer.GetFormatName());
    char szExtension[8];
    ASSERT_EQ(1, writer.GetExtension(szExtension, sizeof szExtension));
    EXPECT_STREQ("avi", szExtension);
    EXPECT_EQ(0x7D000000u, writer.GetMaxFileSize());
    writer.Stop(); // idle: nothing to do
}

TEST_F(AviWriterTest, VideoPositionsFollowTimeStampsLeavingGapsEmpty)
{
    UseVideo();
    ASSERT_EQ(1, StartInto("positions.avi"));
    const DWORD adwTimes[] = {0, 40, 80, 200};
    for (int n = 0; n < 4; ++n)
        ASSERT_EQ(1, QueueFrame(adwTimes[n], static_cast<BYTE>(0x10 + n)));
    m_writer.Stop();

    std::vector<std::vector<BYTE>> samples = VideoSamples();
    ASSERT_EQ(6u, samples.size());
    const int anFilled[] = {0, 1, 2, 5};
    for (int n = 0; n < 4; ++n) {
        ASSERT_EQ(m_format.biSizeImage, samples[anFilled[n]].size()) << "position " << anFilled[n];
        EXPECT_EQ(0x10 + n, samples[anFilled[n]][0]);
    }
    EXPECT_TRUE(samples[3].empty());
    EXPECT_TRUE(samples[4].empty());
}

TEST_F(AviWriterTest, FramesTimedToTheNearestMillisecondKeepTheirPositions)
{
    UseVideo();
    ASSERT_EQ(1, m_video.SetFormat(&m_format, sizeof m_format, 1, 30, m_format.biSizeImage));
    ASSERT_EQ(1, StartInto("grid.avi"));
    // Slots 0, 1, 2 and 4 at 30 fps; slot 3 was skipped by a late tick.
    const DWORD adwTimes[] = {0, 33, 67, 133};
    for (int n = 0; n < 4; ++n)
        ASSERT_EQ(1, QueueFrame(adwTimes[n], static_cast<BYTE>(0x10 + n)));
    m_writer.Stop();

    std::vector<std::vector<BYTE>> samples = VideoSamples();
    ASSERT_EQ(5u, samples.size());
    EXPECT_TRUE(samples[3].empty());
    ASSERT_FALSE(samples[4].empty());
    EXPECT_EQ(0x13, samples[4][0]);
}

TEST_F(AviWriterTest, PassThroughFramesAreWrittenWhole)
{
    // An odd width: the 24-bit rows end in padding.
    const LONG nWidth = 101, nHeight = 75;
    BITMAPINFOHEADER input = RgbFormat(nWidth, nHeight);
    input.biBitCount = 32;
    input.biSizeImage = nWidth * 4 * nHeight;
    CVideoCompressor compressor;
    ASSERT_TRUE(compressor.SetInputFormat(&input, sizeof input));
    std::vector<std::string> names;
    ASSERT_TRUE(compressor.BuildCatalogue(names));
    ASSERT_TRUE(compressor.Select(0)) << "the pass-through comes first";
    compressor.SetRate(kFps);
    ASSERT_TRUE(compressor.Begin());
    ASSERT_EQ(1, m_video.SetEncoder(&compressor, 0));
    m_video.SetWriter(&m_writer);
    m_writer.AddStream(&m_video);
    ASSERT_EQ(1, StartInto("passthrough.avi"));

    const DWORD dwOutStride = (nWidth * 3 + 3) & ~3;
    std::vector<std::vector<BYTE>> expected;
    for (DWORD n = 0; n < 3; ++n) {
        std::vector<BYTE> frame(input.biSizeImage);
        std::vector<BYTE> rows(dwOutStride * nHeight, 0);
        for (size_t i = 0; i < frame.size(); ++i)
            frame[i] = static_cast<BYTE>(i * 7 + n * 13);
        for (LONG y = 0; y < nHeight; ++y)
            for (LONG x = 0; x < nWidth; ++x)
                memcpy(&rows[y * dwOutStride + x * 3], &frame[(y * nWidth + x) * 4], 3);
        expected.push_back(rows);
        ASSERT_EQ(1, m_video.Deliver(frame.data(), input.biSizeImage, n * 40, 40, 0));
    }
    m_writer.Stop();
    compressor.End();

    std::vector<std::vector<BYTE>> samples = VideoSamples();
    ASSERT_EQ(3u, samples.size());
    for (size_t n = 0; n < 3; ++n)
        EXPECT_TRUE(expected[n] == samples[n]) << "frame " << n;
}

TEST_F(AviWriterTest, EarlyFrameTakesTheNextFreePosition)
{
    UseVideo();
    ASSERT_EQ(1, StartInto("early.avi"));
    // The first frame goes to 0 whatever its time; later early frames are not put back.
    ASSERT_EQ(1, QueueFrame(120, 1));
    ASSERT_EQ(1, QueueFrame(40, 2));
    ASSERT_EQ(1, QueueFrame(40, 3));
    ASSERT_EQ(1, QueueFrame(10, 4));
    ASSERT_EQ(1, QueueFrame(200, 5));
    m_writer.Stop();

    std::vector<std::vector<BYTE>> samples = VideoSamples();
    ASSERT_EQ(6u, samples.size());
    const BYTE anExpected[] = {1, 2, 3, 4, 0, 5};
    for (int n = 0; n < 6; ++n) {
        if (anExpected[n] == 0) {
            EXPECT_TRUE(samples[n].empty()) << "position " << n;
            continue;
        }
        ASSERT_FALSE(samples[n].empty()) << "position " << n;
        EXPECT_EQ(anExpected[n], samples[n][0]) << "position " << n;
    }
}

TEST_F(AviWriterTest, DroppedFrameIsSkipped)
{
    UseVideo();
    ASSERT_EQ(1, StartInto("dropped.avi"));
    ASSERT_EQ(1, QueueFrame(0, 1));
    ASSERT_EQ(1, m_video.CMediaStream::Deliver(nullptr, 0, 40, 40, 0));
    ASSERT_EQ(1, QueueFrame(80, 3));
    m_writer.Stop();
    std::vector<std::vector<BYTE>> samples = VideoSamples();
    ASSERT_EQ(3u, samples.size());
    EXPECT_TRUE(samples[1].empty());
}

TEST_F(AviWriterTest, VideoHeaderAndFormatAreWritten)
{
    UseVideo();
    ASSERT_EQ(1, StartInto("header.avi"));
    ASSERT_EQ(1, QueueFrame(0, 1));
    m_writer.Stop();

    StreamReadBack back = ReadStream(m_path, streamtypeVIDEO);
    ASSERT_TRUE(back.bOpened);
    EXPECT_EQ(streamtypeVIDEO, back.info.fccType);
    EXPECT_EQ(1u, back.info.dwScale);
    EXPECT_EQ(kFps, back.info.dwRate);
    EXPECT_EQ(0u, back.info.dwSampleSize);
    EXPECT_EQ(64, back.info.rcFrame.right);
    EXPECT_EQ(48, back.info.rcFrame.bottom);
    ASSERT_EQ(sizeof(BITMAPINFOHEADER), back.format.size());
    EXPECT_EQ(0, memcmp(back.format.data(), &m_format, sizeof m_format));
    EXPECT_EQ(1, back.nLength);
}

TEST_F(AviWriterTest, AudioIsWrittenInGroupsOfAboutOneSecond)
{
    UseAudio();
    ASSERT_EQ(1, StartInto("groups.avi"));
    for (DWORD n = 0; n < 100; ++n)
        ASSERT_EQ(1, QueueMp3(n * 26));
    m_writer.Stop();

    // Chunks every 26 ms: a group is written with the chunk that lies 1000 ms or more after
    // the group's start (the start being reset by the zero-time first chunk to 26 ms), so
    // chunks 0..40 and 41..79 form groups, and the 20 chunks left are written at stop.
    std::vector<DWORD> groups = AudioGroupSizes(m_path);
    ASSERT_EQ(3u, groups.size());
    EXPECT_EQ(41 * kMp3FrameBytes, groups[0]);
    EXPECT_EQ(39 * kMp3FrameBytes, groups[1]);
    EXPECT_EQ(20 * kMp3FrameBytes, groups[2]);

    std::vector<AVIStreamHeader> headers = ReadStreamHeaders(m_path);
    ASSERT_EQ(1u, headers.size());
    EXPECT_EQ(streamtypeAUDIO, headers[0].fccType);
    EXPECT_EQ(static_cast<DWORD>(WAVE_FORMAT_MPEGLAYER3), headers[0].fccHandler);
    EXPECT_EQ(1u, headers[0].dwScale);
    EXPECT_EQ(16000u, headers[0].dwRate);
    EXPECT_EQ(1u, headers[0].dwSampleSize);
    EXPECT_EQ(0xFFFFFFFFu, headers[0].dwQuality);

    StreamReadBack back = ReadStream(m_path, streamtypeAUDIO);
    ASSERT_TRUE(back.bOpened);
    ASSERT_EQ(sizeof(MPEGLAYER3WAVEFORMAT), back.format.size());
    MPEGLAYER3WAVEFORMAT written = Mp3Format();
    EXPECT_EQ(0, memcmp(back.format.data(), &written, sizeof written));
}

TEST_F(AviWriterTest, VideoAndSoundCloseCleanlyAndReadBackInFull)
{
    UseVideo();
    UseAudio();
    ASSERT_EQ(1, StartInto("both.avi"));
    DWORD dwNextAudio = 0;
    for (DWORD nFrame = 0; nFrame < 50; ++nFrame) {
        DWORD dwTime = nFrame * 40;
        for (; dwNextAudio <= dwTime; dwNextAudio += 26)
            ASSERT_EQ(1, QueueMp3(dwNextAudio));
        ASSERT_EQ(1, QueueFrame(dwTime, static_cast<BYTE>(nFrame)));
    }
    m_writer.Stop();
    DWORD nChunks = dwNextAudio / 26;

    std::vector<std::vector<BYTE>> samples;
    StreamReadBack video = ReadStream(m_path, streamtypeVIDEO, &samples);
    ASSERT_TRUE(video.bOpened);
    ASSERT_EQ(50u, samples.size());
    for (DWORD n = 0; n < 50; ++n)
        ASSERT_EQ(n, samples[n].empty() ? 0xFFu : samples[n][0]);
    StreamReadBack audio = ReadStream(m_path, streamtypeAUDIO);
    ASSERT_TRUE(audio.bOpened);
    EXPECT_EQ(nChunks * kMp3FrameBytes, IndexedBytes(m_path, "01wb"));
    std::vector<AVIStreamHeader> headers = ReadStreamHeaders(m_path);
    ASSERT_EQ(2u, headers.size());
    EXPECT_EQ(streamtypeVIDEO, headers[0].fccType) << "streams in the order they were added";
    EXPECT_EQ(50u, headers[0].dwLength);
    EXPECT_EQ(streamtypeAUDIO, headers[1].fccType);
}

TEST_F(AviWriterTest, ExistingFileIsReplaced)
{
    std::string path = m_folder.File("replace.avi");
    HANDLE hFile = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
    std::vector<BYTE> junk(1 << 20, 0xAB);
    DWORD cbWritten = 0;
    WriteFile(hFile, junk.data(), static_cast<DWORD>(junk.size()), &cbWritten, nullptr);
    CloseHandle(hFile);

    UseVideo();
    ASSERT_EQ(1, StartInto("replace.avi"));
    ASSERT_EQ(1, QueueFrame(0, 7));
    m_writer.Stop();

    std::vector<BYTE> bytes = ReadWholeFile(path);
    ASSERT_GE(bytes.size(), 12u);
    EXPECT_LT(bytes.size(), junk.size());
    EXPECT_EQ("RIFF", std::string(bytes.begin(), bytes.begin() + 4));
    EXPECT_EQ(1u, VideoSamples().size());
}

TEST_F(AviWriterTest, StreamThatCannotBeCreatedFailsStartAndReleasesTheFile)
{
    UseAudio();
    m_video.SetWriter(&m_writer);
    m_writer.AddStream(&m_video); // no format: cannot be created in the file
    EXPECT_EQ(0, StartInto("nostream.avi"));
    EXPECT_FALSE(m_writer.IsWriting());
    EXPECT_TRUE(DeleteFileA(m_path.c_str())) << "the file must have been released";
}

TEST_F(AviWriterTest, BadTargetsFailStartCleanly)
{
    UseVideo();
    EXPECT_EQ(0, m_writer.Start()) << "no file name";

    m_path = m_folder.Path() + "\\missing\\folder\\x.avi";
    m_writer.SetFileName(m_path.c_str());
    EXPECT_EQ(0, m_writer.Start());
    EXPECT_FALSE(m_writer.IsWriting());

    std::string readOnly = m_folder.File("readonly.avi");
    HANDLE hFile = CreateFileA(readOnly.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
    DWORD cbWritten = 0;
    WriteFile(hFile, "keep", 4, &cbWritten, nullptr);
    CloseHandle(hFile);
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    m_writer.SetFileName(readOnly.c_str());
    EXPECT_EQ(0, m_writer.Start());
    EXPECT_FALSE(m_writer.IsWriting());
    std::vector<BYTE> bytes = ReadWholeFile(readOnly);
    EXPECT_EQ("keep", std::string(bytes.begin(), bytes.end()));

    // The writer is still usable afterwards.
    ASSERT_EQ(1, StartInto("after.avi"));
    ASSERT_EQ(1, QueueFrame(0, 1));
    m_writer.Stop();
    EXPECT_EQ(1u, VideoSamples().size());
}

TEST_F(AviWriterTest, SizeLimitIsReportedAndTheNextFileStartsCleanly)
{
    HWND hWnd =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, hWnd);
    UseVideo();
    m_writer.SetNotify(hWnd, kWriterEvent);
    m_writer.SetMaxFileSize(100000);
    ASSERT_EQ(1, StartInto("limit1.avi"));
    for (DWORD n = 0; n < 40; ++n)
        ASSERT_EQ(1, QueueFrame(n * 40, static_cast<BYTE>(n)));

    LPARAM lParam = -1;
    DWORD dwStart = GetTickCount();
    MSG msg;
    while (GetTickCount() - dwStart < 10000 && lParam == -1) {
        if (PeekMessageA(&msg, hWnd, kWriterEvent, kWriterEvent, PM_REMOVE))
            lParam = msg.lParam;
        else
            Sleep(10);
    }
    EXPECT_EQ(1, lParam);
    EXPECT_TRUE(m_writer.IsWriting());
    std::string first = m_path;

    // What the main window does: stop, and go on in a new file.
    ASSERT_EQ(1, StartInto("limit2.avi"));
    ASSERT_EQ(1, QueueFrame(0, 0x55));
    m_writer.Stop();
    DestroyWindow(hWnd);

    std::vector<std::vector<BYTE>> firstSamples;
    ReadStream(first, streamtypeVIDEO, &firstSamples);
    // 9216-byte frames: the eleventh brings the file past 100000 bytes, and the frames queued
    // after it still go into that file when it is cut.
    EXPECT_EQ(40u, firstSamples.size());
    std::vector<std::vector<BYTE>> secondSamples = VideoSamples();
    ASSERT_EQ(1u, secondSamples.size());
    EXPECT_EQ(0x55, secondSamples[0][0]);
}

TEST_F(AviWriterTest, ABlockTheEncoderRefusesKeepsItsPlaceAsSilence)
{
    char szExe[MAX_PATH];
    std::string fake(szExe, GetModuleFileNameA(nullptr, szExe, sizeof szExe));
    fake = fake.substr(0, fake.find_last_of('\\') + 1) + "fake_lame_enc.dll";
    HMODULE hFake = LoadLibraryA(fake.c_str());
    ASSERT_NE(nullptr, hFake);
    auto pfnFailEncodes =
        reinterpret_cast<void (*)(LONG)>(reinterpret_cast<void*>(GetProcAddress(hFake, "fakeFailEncodes")));
    ASSERT_NE(nullptr, pfnFailEncodes);
    CMp3Encoder encoder;
    ASSERT_TRUE(encoder.Load(fake.c_str()));
    encoder.SetChannels(2);
    encoder.SetSampleRate(44100);
    ASSERT_TRUE(encoder.Open());
    ASSERT_EQ(1, m_audio.SetEncoder(&encoder, 0));
    m_audio.SetWriter(&m_writer);
    m_writer.AddStream(&m_audio);
    ASSERT_EQ(1, StartInto("refused.avi"));

    std::vector<BYTE> pcm(encoder.InputBlockBytes());
    for (DWORD n = 0; n < 5; ++n) {
        if (n == 2)
            pfnFailEncodes(1);
        ASSERT_EQ(1, m_audio.Deliver(pcm.data(), static_cast<DWORD>(pcm.size()), n * 26, 26, 0)) << n;
    }
    m_writer.Stop();
    encoder.End();
    encoder.Unload();
    FreeLibrary(hFake);

    // Five blocks' worth of sound: the refused one did not shorten the stream.
    const DWORD cbBlock = 100 * encoder.WaveFormat()->nFramesPerBlock;
    DWORD cbSound = 0;
    for (DWORD cbGroup : AudioGroupSizes(m_path))
        cbSound += cbGroup;
    EXPECT_EQ(5 * cbBlock, cbSound);
}

TEST(DiskSpaceGuard, AFileThatCanNoLongerBeFoundTakesNothingMore)
{
    TempFolder folder("orvane_guard_gone");
    const std::string path = folder.File("gone.avi");
    HANDLE hFile = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
    CloseHandle(hFile);
    CDiskSpaceGuard guard;
    guard.Begin(path.c_str());
    ASSERT_EQ(1, guard.Admit(100000));
    ASSERT_EQ(1, guard.Confirm(100000));

    // Its folder deleted: the writes the library still takes end nowhere. The file is looked
    // at every few large chunks, so the guard refuses within a few of them.
    ASSERT_TRUE(DeleteFileA(path.c_str()));
    ASSERT_TRUE(RemoveDirectoryA(folder.Path().c_str()));
    int nConfirmed = 0;
    while (nConfirmed < 16 && guard.Confirm(100000))
        ++nConfirmed;
    EXPECT_LT(nConfirmed, 16) << "the vanished file was never noticed";
    EXPECT_TRUE(guard.HasFailed());
    EXPECT_EQ(0, guard.Admit(10));
    EXPECT_EQ(0, guard.AdmitLast(10)) << "not even the last chunk";
}

TEST(AviStream, SampleBuffersCopyTheirPayload)
{
    CAviVideoStream stream;
    SAMPLEBUFFER hBuffer = stream.AllocSample(4);
    ASSERT_TRUE(HasSampleBuffer(hBuffer));
    EXPECT_EQ(0, stream.FillSample(hBuffer, nullptr, 4));
    EXPECT_EQ(0, stream.FillSample(hBuffer, "abcd", 0));
    EXPECT_EQ(0, stream.FillSample(hBuffer, "abcdefgh", 8)) << "larger than allocated";
    EXPECT_EQ(0, stream.FillSample(SAMPLEBUFFER_FAILED, "abcd", 4));
    EXPECT_EQ(1, stream.FillSample(hBuffer, "abcd", 4));
    stream.FreeSample(hBuffer);
}

TEST(AviStream, WrittenBuffersServeLaterSamplesThatFitThem)
{
    CAviVideoStream stream;
    SAMPLEBUFFER hFirst = stream.AllocSample(16);
    ASSERT_TRUE(HasSampleBuffer(hFirst));
    ASSERT_EQ(1, stream.FillSample(hFirst, "0123456789abcdef", 16));
    stream.FreeSample(hFirst);

    SAMPLEBUFFER hSmaller = stream.AllocSample(8);
    EXPECT_EQ(hFirst, hSmaller) << "the kept buffer is taken again";
    EXPECT_EQ(0, stream.FillSample(hSmaller, "0123456789abcdef", 16)) << "larger than asked for";
    EXPECT_EQ(1, stream.FillSample(hSmaller, "01234567", 8));
    SAMPLEBUFFER hLarger = stream.AllocSample(32);
    ASSERT_TRUE(HasSampleBuffer(hLarger));
    EXPECT_NE(hSmaller, hLarger);
    EXPECT_EQ(1, stream.FillSample(hLarger, std::string(32, 'x').c_str(), 32));
    stream.FreeSample(hSmaller);
    stream.FreeSample(hLarger);
    SAMPLEBUFFER hAgain = stream.AllocSample(20);
    EXPECT_EQ(hLarger, hAgain) << "the smallest kept buffer that fits";
    stream.FreeSample(hAgain);
}

TEST(AviStream, RefusesMissingEncodersAndFormats)
{
    CAviVideoStream video;
    CAviAudioStream audio;
    EXPECT_EQ(0, video.SetEncoder(nullptr, 0));
    EXPECT_EQ(0, audio.SetEncoder(nullptr, 0));
    BITMAPINFOHEADER bmih = RgbFormat(8, 8);
    EXPECT_EQ(0, video.SetFormat(&bmih, 0, 1, 25, 0));
    EXPECT_EQ(0, video.Start()) << "not created in a file";
    EXPECT_EQ(0, video.CreateInFile(nullptr));
    EXPECT_EQ(1, video.IsVariableBitRate());
    EXPECT_EQ(0, audio.IsVariableBitRate());
    EXPECT_EQ(0, video.Deliver("x", 1, 0, 40, 0)) << "no compressor";
    EXPECT_EQ(0, audio.Deliver("x", 1, 0, 26, 0)) << "no encoder";
}
