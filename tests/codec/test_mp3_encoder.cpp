// CMp3Encoder through the real lame_enc.dll and through a stand-in that records its input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "codec/CMp3Encoder.h"

using namespace mp3api;

namespace {

std::string TestDirectory()
{
    char szPath[MAX_PATH];
    const DWORD nLength = GetModuleFileNameA(nullptr, szPath, sizeof(szPath));
    std::string path(szPath, nLength);
    return path.substr(0, path.find_last_of('\\') + 1);
}

std::string RealLibrary()
{
    return TestDirectory() + "..\\lame_enc.dll";
}

std::string FakeLibrary()
{
    return TestDirectory() + "fake_lame_enc.dll";
}

struct Expected
{
    DWORD dwConfigRate;
    DWORD dwBitrate;
    DWORD dwMaxBitrate;
    DWORD dwMpegVersion;
    DWORD dwAvgBytes;
    WORD nBlockSize;
};

void ExpectConfiguration(const CMp3Encoder& encoder, const Expected& expected)
{
    const LameConfig& lame = encoder.Config().format.LHV1;
    EXPECT_EQ(expected.dwConfigRate, lame.dwSampleRate);
    EXPECT_EQ(expected.dwBitrate, lame.dwBitrate);
    EXPECT_EQ(expected.dwMaxBitrate, lame.dwMaxBitrate);
    EXPECT_EQ(expected.dwMpegVersion, lame.dwMpegVersion);
    EXPECT_EQ(expected.dwAvgBytes, encoder.AvgBytesPerSec());
    EXPECT_EQ(expected.nBlockSize, encoder.WaveFormat()->nBlockSize);
}

// --- Through the real library ------------------------------------------------------------

class RealMp3EncoderTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_encoder.Load(RealLibrary().c_str())); }

    bool OpenWith(int nRate, int nQuality, bool bVbr, int nChannels = 2)
    {
        m_encoder.SetChannels(nChannels);
        m_encoder.SetSampleRate(nRate);
        m_encoder.SetQuality(nQuality);
        m_encoder.SetVbr(bVbr);
        return m_encoder.Open();
    }

    CMp3Encoder m_encoder;
};

TEST_F(RealMp3EncoderTest, CdRateStereoNormalQualityIsMpeg1JointStereoAt160)
{
    ASSERT_TRUE(OpenWith(44100, 5, false));
    ExpectConfiguration(m_encoder, {44100, 160, 160, kMpeg1, 20000, 522});
    const BE_CONFIG& config = m_encoder.Config();
    EXPECT_EQ(kConfigLame, config.dwConfig);
    EXPECT_EQ(1u, config.format.LHV1.dwStructVersion);
    EXPECT_EQ(331u, config.format.LHV1.dwStructSize);
    EXPECT_EQ(kModeJointStereo, config.format.LHV1.nMode);
    EXPECT_EQ(kNoPreset, config.format.LHV1.nPreset);
    EXPECT_FALSE(config.format.LHV1.bEnableVBR);
    EXPECT_TRUE(config.format.LHV1.bNoRes);
    EXPECT_EQ(0xFA05, config.format.LHV1.nQuality);

    const MPEGLAYER3WAVEFORMAT* pFormat = m_encoder.WaveFormat();
    EXPECT_EQ(30, m_encoder.WaveFormatSize());
    EXPECT_EQ(WAVE_FORMAT_MPEGLAYER3, pFormat->wfx.wFormatTag);
    EXPECT_EQ(2, pFormat->wfx.nChannels);
    EXPECT_EQ(44100u, pFormat->wfx.nSamplesPerSec);
    EXPECT_EQ(1, m_encoder.BlockAlign());
    EXPECT_EQ(0, pFormat->wfx.wBitsPerSample);
    EXPECT_EQ(12, pFormat->wfx.cbSize);
    EXPECT_EQ(MPEGLAYER3_ID_MPEG, pFormat->wID);
    EXPECT_EQ(static_cast<DWORD>(MPEGLAYER3_FLAG_PADDING_OFF), pFormat->fdwFlags);
    EXPECT_EQ(1, pFormat->nFramesPerBlock);
    EXPECT_EQ(1393, pFormat->nCodecDelay);
    // One MPEG-1 frame of stereo 16-bit samples.
    EXPECT_EQ(1152u * 2u * 2u, m_encoder.InputBlockBytes());
    EXPECT_TRUE(m_encoder.IsOpen());
}

TEST_F(RealMp3EncoderTest, VariableBitRateSpansRangeFloorToQualityDefault)
{
    ASSERT_TRUE(OpenWith(44100, 5, true));
    ExpectConfiguration(m_encoder, {44100, 96, 160, kMpeg1, 16000, 417});
    EXPECT_TRUE(m_encoder.Config().format.LHV1.bEnableVBR);
}

TEST_F(RealMp3EncoderTest, LowRatesUseMpeg2WithTheirOwnRange)
{
    ASSERT_TRUE(OpenWith(22050, 0, false));
    ExpectConfiguration(m_encoder, {22050, 160, 160, kMpeg2, 20000, 1044});
    ASSERT_TRUE(OpenWith(22050, 9, false));
    EXPECT_EQ(48u, m_encoder.Config().format.LHV1.dwBitrate); // 40 lies below this rate's range
    EXPECT_EQ(48u, m_encoder.Config().format.LHV1.dwMaxBitrate);
    EXPECT_EQ(kMpeg2, m_encoder.Config().format.LHV1.dwMpegVersion);
    // An MPEG-2 frame holds 576 samples per channel.
    EXPECT_EQ(576u * 2u * 2u, m_encoder.InputBlockBytes());
}

TEST_F(RealMp3EncoderTest, UnsupportedRateIsEncodedAtTheNearestSupportedOne)
{
    ASSERT_TRUE(OpenWith(11025, 5, false));
    EXPECT_EQ(16000u, m_encoder.Config().format.LHV1.dwSampleRate);
    EXPECT_EQ(11025u, m_encoder.WaveFormat()->wfx.nSamplesPerSec);
    // Ties go to the lower rate.
    ASSERT_TRUE(OpenWith(23025, 5, false));
    EXPECT_EQ(22050u, m_encoder.Config().format.LHV1.dwSampleRate);
    ASSERT_TRUE(OpenWith(96000, 5, false));
    EXPECT_EQ(48000u, m_encoder.Config().format.LHV1.dwSampleRate);
}

TEST_F(RealMp3EncoderTest, QualityAboveNineIsNineAndOneMatchesZeroAtHighRates)
{
    ASSERT_TRUE(OpenWith(44100, 12, false));
    ExpectConfiguration(m_encoder, {44100, 96, 96, kMpeg1, 12000, 313});
    EXPECT_EQ(0xF609, m_encoder.Config().format.LHV1.nQuality);
}

TEST_F(RealMp3EncoderTest, QualityTableAtCdRate)
{
    const DWORD expected[] = {320, 320, 256, 224, 192, 160, 128, 112, 96, 96};
    for (int q = 0; q < 10; ++q) {
        ASSERT_TRUE(OpenWith(44100, q, false));
        EXPECT_EQ(expected[q], m_encoder.Config().format.LHV1.dwBitrate) << "quality " << q;
    }
}

TEST_F(RealMp3EncoderTest, ExplicitBitRateIsClampedAndRoundedToTheTable)
{
    m_encoder.SetBitrate(100);
    ASSERT_TRUE(OpenWith(44100, 5, false));
    EXPECT_EQ(112u, m_encoder.Config().format.LHV1.dwBitrate);
    // Above the quality's default the two are swapped, and constant bit rate keeps the lower.
    m_encoder.SetBitrate(500);
    ASSERT_TRUE(OpenWith(44100, 5, false));
    EXPECT_EQ(160u, m_encoder.Config().format.LHV1.dwBitrate);
    m_encoder.SetBitrate(256);
    ASSERT_TRUE(OpenWith(44100, 5, true));
    EXPECT_EQ(160u, m_encoder.Config().format.LHV1.dwBitrate);
    EXPECT_EQ(256u, m_encoder.Config().format.LHV1.dwMaxBitrate);
}

TEST_F(RealMp3EncoderTest, MonoAndBadChannelCounts)
{
    ASSERT_TRUE(OpenWith(44100, 5, false, 1));
    EXPECT_EQ(kModeMono, m_encoder.Config().format.LHV1.nMode);
    EXPECT_EQ(1, m_encoder.WaveFormat()->wfx.nChannels);
    EXPECT_EQ(1152u * 2u, m_encoder.InputBlockBytes());
    EXPECT_FALSE(OpenWith(44100, 5, false, 3));
    EXPECT_FALSE(m_encoder.IsOpen());
    EXPECT_FALSE(OpenWith(44100, 5, false, 0));
    std::vector<short> silence(4096, 0);
    EXPECT_FALSE(m_encoder.EncodeBlock(silence.data()));
}

TEST_F(RealMp3EncoderTest, EncodesBlocksAndFlushesTheRestAtTheEnd)
{
    ASSERT_TRUE(OpenWith(44100, 5, false));
    const size_t nSamples = m_encoder.InputBlockBytes() / 2;
    std::vector<short> pcm(nSamples);
    size_t nTotal = 0;
    for (int nBlock = 0; nBlock < 50; ++nBlock) {
        for (size_t i = 0; i < nSamples; i += 2) {
            const double t = static_cast<double>(nBlock * nSamples / 2 + i / 2) / 44100.0;
            pcm[i] = pcm[i + 1] = static_cast<short>(8000 * std::sin(2 * 3.14159265 * 1000 * t));
        }
        ASSERT_TRUE(m_encoder.EncodeBlock(pcm.data()));
        nTotal += m_encoder.OutputSize();
        if (m_encoder.OutputSize() >= 4) {
            // Every frame starts with a sync word.
            EXPECT_EQ(0xFF, m_encoder.OutputBuffer()[0]);
            EXPECT_EQ(0xE0, m_encoder.OutputBuffer()[1] & 0xE0);
        }
    }
    m_encoder.End();
    EXPECT_FALSE(m_encoder.IsOpen());
    EXPECT_GT(m_encoder.OutputSize(), 0u);
    nTotal += m_encoder.OutputSize();
    // 50 frames of 522 or 523 bytes, give or take the encoder's delay.
    EXPECT_NEAR(50.0 * 522.45, static_cast<double>(nTotal), 3 * 523.0);
    m_encoder.End(); // a second End is harmless
    EXPECT_FALSE(m_encoder.EncodeBlock(pcm.data()));
}

TEST(Mp3Encoder, SupportedRatesInTableOrder)
{
    std::vector<int> rates{1, 2, 3};
    CMp3Encoder::SupportedRates(rates);
    EXPECT_EQ((std::vector<int>{16000, 22050, 24000, 32000, 44100, 48000}), rates);
}

// --- Bad libraries ---------------------------------------------------------------------------

// Runs this one test in a copy of this program inside a fresh folder without lame_enc.dll, from
// that folder; the copy's exit code.
DWORD RunInFolderWithoutLibrary(const char* pszTest)
{
    char szTemp[MAX_PATH], szFolder[MAX_PATH], szSelf[MAX_PATH];
    GetTempPathA(sizeof(szTemp), szTemp);
    GetTempFileNameA(szTemp, "nol", 0, szFolder); // a unique name, made a folder below
    DeleteFileA(szFolder);
    if (!CreateDirectoryA(szFolder, nullptr))
        return ~0u;
    GetModuleFileNameA(nullptr, szSelf, sizeof(szSelf));
    const std::string copy = std::string(szFolder) + "\\mp3_encoder_alone.exe";
    DWORD dwExit = ~0u;
    if (CopyFileA(szSelf, copy.c_str(), TRUE)) {
        std::string command = "\"" + copy + "\" --gtest_brief=1 --gtest_filter=" + pszTest;
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, szFolder, &si, &pi)) {
            WaitForSingleObject(pi.hProcess, 120000);
            GetExitCodeProcess(pi.hProcess, &dwExit);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
        DeleteFileA(copy.c_str());
    }
    RemoveDirectoryA(szFolder);
    return dwExit;
}

TEST(Mp3Encoder, WithoutALibraryLoadAndOpenFail)
{
    // The build puts lame_enc.dll beside the tests (and the tests' folder is the current one).
    const std::string beside = TestDirectory() + "lame_enc.dll";
    if (GetFileAttributesA(beside.c_str()) != INVALID_FILE_ATTRIBUTES) {
        EXPECT_EQ(0u, RunInFolderWithoutLibrary("Mp3Encoder.WithoutALibraryLoadAndOpenFail"))
            << "in a folder without lame_enc.dll";
        return;
    }
    CMp3Encoder encoder;
    EXPECT_FALSE(encoder.Load());
    EXPECT_FALSE(encoder.Load((TestDirectory() + "no_such_dir\\lame_enc.dll").c_str()));
    EXPECT_FALSE(encoder.IsLoaded());
    EXPECT_FALSE(encoder.Open());
    EXPECT_FALSE(encoder.IsOpen());
    std::vector<short> pcm(4608);
    EXPECT_FALSE(encoder.EncodeBlock(pcm.data()));
    encoder.End();
    EXPECT_EQ(0u, encoder.OutputSize());
}

TEST(Mp3Encoder, LibraryMissingOneFunctionIsRefused)
{
    CMp3Encoder encoder;
    EXPECT_FALSE(encoder.Load((TestDirectory() + "fake_lame_enc_incomplete.dll").c_str()));
    EXPECT_FALSE(encoder.IsLoaded());
    EXPECT_FALSE(encoder.Open());
}

// --- What the library is handed -------------------------------------------------------------

class FakeMp3EncoderTest : public ::testing::Test
{
protected:
    typedef const BE_CONFIG* (*LastConfigFn)();
    typedef void (*CountsFn)(LONG*, LONG*, LONG*, LONG*, LONG*, DWORD*);
    typedef void (*SetInitResultFn)(BE_ERR);

    void SetUp() override
    {
        // Held for the whole test so the stand-in's records outlive the encoder's Unload.
        m_hFake = LoadLibraryA(FakeLibrary().c_str());
        ASSERT_NE(nullptr, m_hFake);
        m_pfnLastConfig =
            reinterpret_cast<LastConfigFn>(reinterpret_cast<void*>(GetProcAddress(m_hFake, "fakeLastConfig")));
        m_pfnCounts = reinterpret_cast<CountsFn>(reinterpret_cast<void*>(GetProcAddress(m_hFake, "fakeCounts")));
        m_pfnSetInitResult =
            reinterpret_cast<SetInitResultFn>(reinterpret_cast<void*>(GetProcAddress(m_hFake, "fakeSetInitResult")));
        ASSERT_TRUE(m_pfnLastConfig && m_pfnCounts && m_pfnSetInitResult);
        m_pfnSetInitResult(kSuccess);
        ASSERT_TRUE(m_encoder.Load(FakeLibrary().c_str()));
    }

    void TearDown() override
    {
        m_encoder.Unload();
        if (m_hFake)
            FreeLibrary(m_hFake);
    }

    struct Counts
    {
        LONG nInit, nEncode, nDeinit, nClose, nInfoTag;
        DWORD dwLastSamples;
    };

    Counts ReadCounts() const
    {
        Counts counts{};
        m_pfnCounts(&counts.nInit, &counts.nEncode, &counts.nDeinit, &counts.nClose, &counts.nInfoTag,
                    &counts.dwLastSamples);
        return counts;
    }

    HMODULE m_hFake = nullptr;
    LastConfigFn m_pfnLastConfig = nullptr;
    CountsFn m_pfnCounts = nullptr;
    SetInitResultFn m_pfnSetInitResult = nullptr;
    CMp3Encoder m_encoder;
};

TEST_F(FakeMp3EncoderTest, LibraryReceivesTheByteExactConfiguration)
{
    m_encoder.SetSampleRate(44100);
    m_encoder.SetQuality(5);
    m_encoder.SetVbr(true);
    ASSERT_TRUE(m_encoder.Open());
    const BYTE* pReceived = reinterpret_cast<const BYTE*>(m_pfnLastConfig());
    // Field by field at the library's own offsets.
    DWORD dwValue = 0;
    std::memcpy(&dwValue, pReceived + 0, 4);
    EXPECT_EQ(256u, dwValue); // dwConfig
    std::memcpy(&dwValue, pReceived + 8, 4);
    EXPECT_EQ(331u, dwValue); // dwStructSize
    std::memcpy(&dwValue, pReceived + 12, 4);
    EXPECT_EQ(44100u, dwValue); // dwSampleRate
    std::memcpy(&dwValue, pReceived + 24, 4);
    EXPECT_EQ(96u, dwValue); // dwBitrate
    std::memcpy(&dwValue, pReceived + 28, 4);
    EXPECT_EQ(160u, dwValue); // dwMaxBitrate
    std::memcpy(&dwValue, pReceived + 32, 4);
    EXPECT_EQ(0xFFFFFFFFu, dwValue); // nPreset
    std::memcpy(&dwValue, pReceived + 36, 4);
    EXPECT_EQ(1u, dwValue); // dwMpegVersion
    std::memcpy(&dwValue, pReceived + 68, 4);
    EXPECT_EQ(1u, dwValue); // bEnableVBR
    std::memcpy(&dwValue, pReceived + 84, 4);
    EXPECT_EQ(1u, dwValue); // bNoRes
    WORD wQuality = 0;
    std::memcpy(&wQuality, pReceived + 92, 2);
    EXPECT_EQ(0xFA05, wQuality);
    EXPECT_EQ(0, std::memcmp(pReceived, &m_encoder.Config(), 331));
    for (int i = 94; i < 331; ++i)
        ASSERT_EQ(0, pReceived[i]) << "reserved byte " << i;
}

TEST_F(FakeMp3EncoderTest, EncodeEndAndCloseFollowTheLibrarysProtocol)
{
    const Counts before = ReadCounts();
    ASSERT_TRUE(m_encoder.Open());
    EXPECT_EQ(2304u * 2u, m_encoder.InputBlockBytes());
    std::vector<short> pcm(2304);
    ASSERT_TRUE(m_encoder.EncodeBlock(pcm.data()));
    EXPECT_EQ(100u, m_encoder.OutputSize());
    ASSERT_TRUE(m_encoder.EncodeBlock(pcm.data(), 2304 * 2));
    EXPECT_EQ(100u, m_encoder.OutputSize());                       // replaced, not appended
    EXPECT_FALSE(m_encoder.EncodeBlock(pcm.data(), 2304 * 2 - 1)); // short block: not read
    m_encoder.End();
    EXPECT_EQ(50u, m_encoder.OutputSize());
    EXPECT_EQ(0x5A, m_encoder.OutputBuffer()[0]);
    const Counts after = ReadCounts();
    EXPECT_EQ(1, after.nInit - before.nInit);
    EXPECT_EQ(2, after.nEncode - before.nEncode); // the short block never reached the library
    EXPECT_EQ(2304u, after.dwLastSamples);
    EXPECT_EQ(1, after.nDeinit - before.nDeinit);
    EXPECT_EQ(1, after.nClose - before.nClose);
    EXPECT_EQ(0, after.nInfoTag - before.nInfoTag);
    // Reopening while open closes the old stream first.
    ASSERT_TRUE(m_encoder.Open());
    ASSERT_TRUE(m_encoder.Open());
    EXPECT_EQ(1, ReadCounts().nClose - after.nClose);
    m_encoder.Unload();
    EXPECT_EQ(2, ReadCounts().nClose - after.nClose);
}

TEST_F(FakeMp3EncoderTest, RefusedStreamFailsOpen)
{
    m_pfnSetInitResult(2);
    EXPECT_FALSE(m_encoder.Open());
    EXPECT_FALSE(m_encoder.IsOpen());
    std::vector<short> pcm(4608);
    EXPECT_FALSE(m_encoder.EncodeBlock(pcm.data()));
    const Counts before = ReadCounts();
    m_encoder.End();
    EXPECT_EQ(before.nDeinit, ReadCounts().nDeinit);
    m_pfnSetInitResult(kSuccess);
}

} // namespace
