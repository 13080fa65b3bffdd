// CVideoCompressor against the platform's compression manager with test compressors installed
// into this process.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "TestCompressors.h"
#include "codec/CVideoCompressor.h"

using namespace testcodec;

namespace {

const DWORD kDib = mmioFOURCC('D', 'I', 'B', ' ');

class CompressorEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { ASSERT_TRUE(Install()); }
    void TearDown() override { Uninstall(); }
};

::testing::Environment* const g_pEnvironment = ::testing::AddGlobalTestEnvironment(new CompressorEnvironment);

BITMAPINFOHEADER MakeFormat(LONG nWidth, LONG nHeight, WORD nBits)
{
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = nWidth;
    header.biHeight = nHeight;
    header.biPlanes = 1;
    header.biBitCount = nBits;
    header.biCompression = BI_RGB;
    const DWORD dwStride = ((nBits * nWidth / 8) + 3) & ~3;
    header.biSizeImage = dwStride * static_cast<DWORD>(nHeight < 0 ? -nHeight : nHeight);
    return header;
}

class VideoCompressorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Reset();
        m_format = MakeFormat(64, 48, 32);
        m_frame.assign(m_format.biSizeImage, 0);
    }

    // Builds the catalogue for the current input format and selects the given code.
    void SelectCodec(DWORD fccHandler)
    {
        ASSERT_TRUE(m_compressor.SetInputFormat(&m_format, sizeof(m_format)));
        std::vector<std::string> names;
        ASSERT_TRUE(m_compressor.BuildCatalogue(names));
        const int nIndex = m_compressor.FindByHandler(fccHandler);
        ASSERT_GE(nIndex, 0);
        ASSERT_TRUE(m_compressor.Select(nIndex));
    }

    void Compress(BYTE nFill = 0)
    {
        std::memset(m_frame.data(), nFill, m_frame.size());
        ASSERT_TRUE(m_compressor.CompressFrame(m_frame.data()));
    }

    std::vector<DWORD> QualitiesFrom(size_t nFirstCall) const
    {
        std::vector<DWORD> qualities;
        for (size_t i = nFirstCall; i < g_record.compresses.size(); ++i)
            qualities.push_back(g_record.compresses[i].dwQuality);
        return qualities;
    }

    BITMAPINFOHEADER m_format;
    std::vector<BYTE> m_frame;
    CVideoCompressor m_compressor;
};

// --- Catalogue and selection --------------------------------------------------------------

TEST_F(VideoCompressorTest, CatalogueFor32BitsStartsWithPassThroughAndKeepsFirstOfEachHandler)
{
    ASSERT_TRUE(m_compressor.SetInputFormat(&m_format, sizeof(m_format)));
    std::vector<std::string> names;
    ASSERT_TRUE(m_compressor.BuildCatalogue(names));
    ASSERT_EQ(static_cast<size_t>(m_compressor.CatalogueSize()), names.size());
    ASSERT_GE(names.size(), 3u);
    EXPECT_EQ("<Uncompressed RGB>", names[0]);
    EXPECT_EQ(kDib, m_compressor.Entry(0).Handler());
    EXPECT_EQ(ICTYPE_VIDEO, m_compressor.Entry(0).Type());
    EXPECT_EQ(0x104u, m_compressor.Entry(0).m_info.dwVersionICM);

    int nQualityEntries = 0;
    for (int i = 0; i < m_compressor.CatalogueSize(); ++i) {
        if (m_compressor.Entry(i).Handler() == kQualityCodec) {
            ++nQualityEntries;
            EXPECT_EQ("Orvane test quality codec", names[i]);
        }
        EXPECT_NE("Orvane test duplicate codec", names[i]);
    }
    EXPECT_EQ(1, nQualityEntries);
    EXPECT_EQ(-1, m_compressor.FindByHandler(kRefusingCodec));
    EXPECT_GE(m_compressor.FindByHandler(kDroppingCodec), 0);
    EXPECT_EQ(nullptr, m_compressor.OpenCompressor());
}

TEST_F(VideoCompressorTest, CatalogueBelow24BitsHasNoPassThrough)
{
    m_format = MakeFormat(64, 48, 16);
    ASSERT_TRUE(m_compressor.SetInputFormat(&m_format, sizeof(m_format)));
    std::vector<std::string> names;
    ASSERT_TRUE(m_compressor.BuildCatalogue(names));
    EXPECT_EQ(-1, m_compressor.FindByHandler(kDib));
    EXPECT_GE(m_compressor.FindByHandler(kRefusingCodec), 0);
    EXPECT_GE(m_compressor.FindByHandler(kQualityCodec), 0);
}

TEST_F(VideoCompressorTest, CatalogueNeedsAnInputFormat)
{
    std::vector<std::string> names{"stale"};
    EXPECT_FALSE(m_compressor.BuildCatalogue(names));
    EXPECT_TRUE(names.empty());
    EXPECT_FALSE(m_compressor.SetInputFormat(nullptr, sizeof(m_format)));
    EXPECT_FALSE(m_compressor.SetInputFormat(&m_format, 12));
}

TEST_F(VideoCompressorTest, SelectOutsideTheCatalogueChangesNothing)
{
    SelectCodec(kQualityCodec);
    const HIC hOpen = m_compressor.OpenCompressor();
    ASSERT_NE(nullptr, hOpen);
    EXPECT_FALSE(m_compressor.Select(-1));
    EXPECT_FALSE(m_compressor.Select(m_compressor.CatalogueSize()));
    EXPECT_EQ(hOpen, m_compressor.OpenCompressor());
    EXPECT_EQ(kQualityCodec, m_compressor.Selection().Handler());
    EXPECT_TRUE(m_compressor.CanConfigure());
}

TEST_F(VideoCompressorTest, ConfigureAndAboutGoToTheOpenCompressorOnly)
{
    SelectCodec(kDib);
    EXPECT_EQ(nullptr, m_compressor.OpenCompressor());
    EXPECT_FALSE(m_compressor.CanConfigure());
    EXPECT_FALSE(m_compressor.Configure(nullptr));
    EXPECT_FALSE(m_compressor.About(nullptr));

    SelectCodec(kQualityCodec);
    EXPECT_TRUE(m_compressor.CanConfigure());
    EXPECT_TRUE(m_compressor.Configure(nullptr));
    EXPECT_TRUE(m_compressor.About(nullptr));
    EXPECT_EQ(1, g_record.nConfigure);
    EXPECT_EQ(1, g_record.nAbout);
    g_behaviour.bConfigurable = false;
    EXPECT_FALSE(m_compressor.CanConfigure());
}

// --- Effective settings and sequence start ------------------------------------------------

TEST_F(VideoCompressorTest, EffectiveSettingsFollowOverridesThenCompressorThenDefaults)
{
    EXPECT_EQ(75, m_compressor.GetQuality());
    EXPECT_EQ(250, m_compressor.GetKeyFrameRate());
    EXPECT_EQ(1000000u, m_compressor.GetDataRate());

    SelectCodec(kQualityCodec);
    EXPECT_EQ(250, m_compressor.GetKeyFrameRate());
    EXPECT_EQ(75, m_compressor.GetQuality());
    EXPECT_EQ(64u * 48u * 32u * 25u, m_compressor.GetDataRate());
    g_behaviour.dwDefaultKeyRate = 30;
    g_behaviour.dwDefaultQuality = 8500;
    EXPECT_EQ(30, m_compressor.GetKeyFrameRate());
    EXPECT_EQ(8500, m_compressor.GetQuality());
    m_compressor.SetKeyFrameRate(7);
    m_compressor.SetQuality(4000);
    m_compressor.SetDataRate(12345);
    EXPECT_EQ(7, m_compressor.GetKeyFrameRate());
    EXPECT_EQ(4000, m_compressor.GetQuality());
    EXPECT_EQ(12345u, m_compressor.GetDataRate());
    m_compressor.SetRate(30000);
    m_compressor.SetScale(1001);
    m_compressor.SetKeyFrameRate(0);
    g_behaviour.dwDefaultKeyRate = 0;
    EXPECT_EQ(299, m_compressor.GetKeyFrameRate());
}

TEST_F(VideoCompressorTest, BeginTellsTheCompressorAboutTheSequenceWithoutAnAddressInTheFlags)
{
    SelectCodec(kQualityCodec);
    m_compressor.SetDataRate(50000);
    ASSERT_TRUE(m_compressor.Begin());
    EXPECT_TRUE(m_compressor.IsStarted());
    ASSERT_TRUE(g_record.bFramesInfo);
    const ICCOMPRESSFRAMES& info = g_record.framesInfo;
    EXPECT_EQ(0u, info.dwFlags);
    EXPECT_EQ(0, info.lStartFrame);
    EXPECT_EQ(0x0FFFFFFF, info.lFrameCount);
    EXPECT_EQ(75, info.lQuality);
    EXPECT_EQ(50000, info.lDataRate);
    EXPECT_EQ(250, info.lKeyRate);
    EXPECT_EQ(25u, info.dwRate);
    EXPECT_EQ(1u, info.dwScale);
    EXPECT_EQ(1, g_record.nCompressBegin);
    EXPECT_EQ(2000, m_compressor.TargetBytesPerFrame());
    EXPECT_FALSE(m_compressor.SetInputFormat(&m_format, sizeof(m_format))); // not mid-sequence
    ASSERT_NE(nullptr, m_compressor.OutputFormat());
    EXPECT_EQ(kQualityCodec, m_compressor.OutputFormat()->biCompression);
    EXPECT_EQ(static_cast<int>(sizeof(BITMAPINFOHEADER)), m_compressor.OutputFormatSize());
    EXPECT_EQ(64u * 1024u, m_compressor.MaxFrameSize());

    m_compressor.End();
    EXPECT_FALSE(m_compressor.IsStarted());
    EXPECT_EQ(1, g_record.nCompressEnd);
    EXPECT_EQ(nullptr, m_compressor.OutputFormat());
    EXPECT_EQ(0, m_compressor.OutputFormatSize());
    EXPECT_EQ(0u, m_compressor.LastFrameSize());
    // State read and written back at the start, saved, and restored at the end.
    EXPECT_EQ(3, g_record.nSetState);
    EXPECT_NE(nullptr, m_compressor.OpenCompressor());
    m_compressor.End();
    EXPECT_EQ(1, g_record.nCompressEnd);
}

TEST_F(VideoCompressorTest, CompressorWithoutStateStartsAndCompresses)
{
    g_behaviour.bKeepsState = false;
    SelectCodec(kQualityCodec);
    ASSERT_TRUE(m_compressor.Begin());
    EXPECT_TRUE(m_compressor.CompressFrame(m_frame.data()));
    m_compressor.End();
    EXPECT_EQ(0, g_record.nSetState);
    EXPECT_EQ(1, g_record.nCompressEnd);
}

TEST_F(VideoCompressorTest, ErrorAnsweredForTheOutputSizeFailsBegin)
{
    g_behaviour.dwCompressGetSize = static_cast<DWORD>(ICERR_BADFORMAT);
    SelectCodec(kQualityCodec);
    EXPECT_FALSE(m_compressor.Begin());
    EXPECT_FALSE(m_compressor.IsStarted());
    EXPECT_EQ(nullptr, m_compressor.OutputBuffer());
}

TEST_F(VideoCompressorTest, BeginFailsCleanlyWhenTheCompressorRefusesTheInput)
{
    m_format = MakeFormat(64, 48, 24);
    SelectCodec(kRefusingCodec);
    m_format = MakeFormat(64, 48, 32);
    ASSERT_TRUE(m_compressor.SetInputFormat(&m_format, sizeof(m_format)));
    EXPECT_FALSE(m_compressor.Begin());
    EXPECT_FALSE(m_compressor.IsStarted());
    EXPECT_EQ(nullptr, m_compressor.OutputFormat());
    EXPECT_EQ(nullptr, m_compressor.OutputBuffer());
}

TEST_F(VideoCompressorTest, OutputBufferIsWhatTheCompressorAsksExceptForHuffyuv)
{
    g_behaviour.dwCompressGetSize = 1000;
    SelectCodec(kQualityCodec);
    ASSERT_TRUE(m_compressor.Begin());
    EXPECT_EQ(1000u, m_compressor.MaxFrameSize());
    m_compressor.End();
    // Its own estimate can be too small for noisy frames: at least 51 bits per RGB pixel.
    SelectCodec(kHuffyuvCodec);
    ASSERT_TRUE(m_compressor.Begin());
    EXPECT_EQ(64u * 48u * 51u / 8u, m_compressor.MaxFrameSize());
}

TEST_F(VideoCompressorTest, FrameClaimingMoreThanTheOutputBufferFails)
{
    g_behaviour.dwFlags = 0;
    g_behaviour.dwCompressGetSize = 100; // frames are 115 bytes at the default quality
    SelectCodec(kQualityCodec);
    ASSERT_TRUE(m_compressor.Begin());
    EXPECT_FALSE(m_compressor.CompressFrame(m_frame.data()));
    EXPECT_EQ(0, m_compressor.FrameNumber());
    EXPECT_EQ(0u, m_compressor.LastFrameSize());
}

TEST_F(VideoCompressorTest, CompressFrameBeforeBeginFails)
{
    EXPECT_FALSE(m_compressor.CompressFrame(m_frame.data()));
    EXPECT_FALSE(m_compressor.Begin()); // nothing selected
    SelectCodec(kQualityCodec);
    EXPECT_FALSE(m_compressor.CompressFrame(m_frame.data()));
    EXPECT_TRUE(g_record.compresses.empty());
    ASSERT_TRUE(m_compressor.Begin());
    EXPECT_FALSE(m_compressor.CompressFrame(nullptr));
    m_compressor.End();
    EXPECT_FALSE(m_compressor.CompressFrame(m_frame.data()));
}

// --- Key frames -----------------------------------------------------------------------------

TEST_F(VideoCompressorTest, DefaultIntervalForcesEveryTwoHundredFiftiethFrameAt25Fps)
{
    g_behaviour.dwFlags = 0;
    SelectCodec(kQualityCodec);
    ASSERT_TRUE(m_compressor.Begin());
    std::vector<int> forced;
    for (int i = 0; i < 501; ++i) {
        Compress();
        if (g_record.compresses.back().dwFlags & ICCOMPRESS_KEYFRAME)
            forced.push_back(i);
        EXPECT_EQ(i % 250 == 0, m_compressor.LastWasKeyFrame()) << "frame " << i;
    }
    EXPECT_EQ((std::vector<int>{0, 250, 500}), forced);
    EXPECT_EQ(501, m_compressor.FrameNumber());
}

TEST_F(VideoCompressorTest, IntervalZeroForcesOnlyTheFirstFrame)
{
    g_behaviour.dwFlags = 0;
    g_behaviour.nSelfKeyFrame = 3;
    SelectCodec(kQualityCodec);
    m_compressor.SetRate(1);
    m_compressor.SetScale(11); // ten seconds' worth is less than one frame
    ASSERT_EQ(0, m_compressor.GetKeyFrameRate());
    ASSERT_TRUE(m_compressor.Begin());
    std::vector<bool> keys;
    for (int i = 0; i < 6; ++i) {
        Compress();
        EXPECT_EQ(i == 0, (g_record.compresses.back().dwFlags & ICCOMPRESS_KEYFRAME) != 0) << i;
        keys.push_back(m_compressor.LastWasKeyFrame());
    }
    EXPECT_EQ((std::vector<bool>{true, false, false, true, false, false}), keys);
}

// --- Data-rate control ----------------------------------------------------------------------

TEST_F(VideoCompressorTest, QualitySearchConvergesAndMovesItsMarks)
{
    // size = 100 + quality / 5, target 1950 bytes per frame, tolerance 98.
    g_behaviour.nSizeBase = 100;
    g_behaviour.nSizeSlope = 2000;
    SelectCodec(kQualityCodec);
    m_compressor.SetDataRate(1950 * 25);
    ASSERT_TRUE(m_compressor.Begin());
    ASSERT_EQ(1950, m_compressor.TargetBytesPerFrame());

    // A forced key frame takes the current mark as it comes.
    Compress();
    EXPECT_EQ((std::vector<DWORD>{10000}), QualitiesFrom(0));
    EXPECT_EQ(0xFFFFFFu, g_record.compresses[0].dwFrameSize);
    EXPECT_EQ(2100u, m_compressor.LastFrameSize());

    // Too big: low mark, then a binary search between low and current.
    size_t nCalls = g_record.compresses.size();
    Compress();
    EXPECT_EQ((std::vector<DWORD>{10000, 0, 9500}), QualitiesFrom(nCalls));
    EXPECT_EQ(2000u, m_compressor.LastFrameSize());
    EXPECT_EQ(9100, m_compressor.QualityLow());
    EXPECT_EQ(9500, m_compressor.QualityCurrent());
    EXPECT_EQ(10000, m_compressor.QualityHigh());

    // Within the tolerance of a target lowered by the overspend: one call each.
    for (int i = 0; i < 3; ++i) {
        nCalls = g_record.compresses.size();
        Compress();
        EXPECT_EQ((std::vector<DWORD>{9500}), QualitiesFrom(nCalls));
    }

    // The overspend has lowered the target to 1900: the low mark lands within 5 %.
    nCalls = g_record.compresses.size();
    Compress();
    EXPECT_EQ((std::vector<DWORD>{9500, 9100}), QualitiesFrom(nCalls));
    EXPECT_EQ(1920u, m_compressor.LastFrameSize());
    EXPECT_EQ(4550, m_compressor.QualityLow());
    EXPECT_EQ(9100, m_compressor.QualityCurrent());
    EXPECT_EQ(10000, m_compressor.QualityHigh());

    // Content gets cheaper (size = quality * 0.8 - 5900): too small, search upward.
    g_behaviour.nSizeBase = -5900;
    g_behaviour.nSizeSlope = 8000;
    nCalls = g_record.compresses.size();
    Compress();
    EXPECT_EQ((std::vector<DWORD>{9100, 10000, 9550, 9775}), QualitiesFrom(nCalls));
    EXPECT_EQ(1920u, m_compressor.LastFrameSize());
    EXPECT_EQ(4550, m_compressor.QualityLow());
    EXPECT_EQ(9775, m_compressor.QualityCurrent());
    EXPECT_EQ(10000, m_compressor.QualityHigh());
    for (size_t i = 1; i < g_record.compresses.size(); ++i)
        EXPECT_EQ(0u, g_record.compresses[i].dwFrameSize);
}

TEST_F(VideoCompressorTest, QualitySearchSettlesWithinToleranceOfEachFramesTarget)
{
    // size = 0.6 * quality; 3000 bytes per frame needs quality 5000, far below the start.
    g_behaviour.nSizeBase = 0;
    g_behaviour.nSizeSlope = 6000;
    SelectCodec(kQualityCodec);
    m_compressor.SetDataRate(3000 * 25);
    ASSERT_TRUE(m_compressor.Begin());
    const int nTolerance = 3000 / 20 + 1;
    int nLateTotal = 0;
    for (int i = 0; i < 100; ++i) {
        Compress();
        const int nSize = static_cast<int>(m_compressor.LastFrameSize());
        // The marks move at most 1000 per frame, so the first frames are still on their way.
        if (i >= 12) {
            EXPECT_NEAR(m_compressor.LastTarget(), nSize, nTolerance) << "frame " << i;
        }
        if (i >= 50)
            nLateTotal += nSize;
        EXPECT_LE(m_compressor.QualityLow(), m_compressor.QualityCurrent()) << i;
        EXPECT_LE(m_compressor.QualityCurrent(), m_compressor.QualityHigh()) << i;
    }
    EXPECT_NEAR(3000, nLateTotal / 50, nTolerance);
}

TEST_F(VideoCompressorTest, CrunchingCompressorGetsOneCallWithTheTargetSize)
{
    g_behaviour.dwFlags = VIDCF_CRUNCH;
    SelectCodec(kQualityCodec);
    m_compressor.SetDataRate(1950 * 25);
    ASSERT_TRUE(m_compressor.Begin());
    Compress();
    Compress();
    ASSERT_EQ(2u, g_record.compresses.size());
    EXPECT_EQ(75u, g_record.compresses[0].dwQuality);
    EXPECT_EQ(0xFFFFFFu, g_record.compresses[0].dwFrameSize);
    // Key frame 0 was 115 bytes: 1835 saved on the key balance, 1835 / 250 = 7 passed on.
    EXPECT_EQ(75u, g_record.compresses[1].dwQuality);
    EXPECT_EQ(1951u, g_record.compresses[1].dwFrameSize);
}

TEST_F(VideoCompressorTest, WithoutRateControlEachFrameIsOneCallAtTheDefaultQuality)
{
    g_behaviour.dwFlags = 0;
    SelectCodec(kQualityCodec);
    ASSERT_TRUE(m_compressor.Begin());
    EXPECT_EQ(0, m_compressor.TargetBytesPerFrame());
    Compress();
    Compress();
    ASSERT_EQ(2u, g_record.compresses.size());
    EXPECT_EQ(75u, g_record.compresses[1].dwQuality);
    EXPECT_EQ(0u, g_record.compresses[1].dwFrameSize);
    EXPECT_EQ(1u, g_record.compresses[1].nFrameNum);
    EXPECT_EQ(static_cast<DWORD>(SizeForQuality(75)), m_compressor.LastFrameSize());
}

// --- Dropped frames and temporal compressors ------------------------------------------------

TEST_F(VideoCompressorTest, DroppedFrameKeepsFrameNumberAndKeyCountdown)
{
    SelectCodec(kDroppingCodec);
    m_compressor.SetKeyFrameRate(2);
    ASSERT_TRUE(m_compressor.Begin());
    ASSERT_EQ(mmioFOURCC('X', 'V', 'I', 'D'), m_compressor.OutputFormat()->biCompression);
    Compress();
    EXPECT_TRUE(m_compressor.LastWasKeyFrame());

    g_behaviour.nDropCalls = 1;
    Compress();
    EXPECT_EQ(0u, m_compressor.LastFrameSize());
    EXPECT_FALSE(m_compressor.LastWasKeyFrame());
    EXPECT_EQ(1, m_compressor.FrameNumber());

    Compress();
    EXPECT_GT(m_compressor.LastFrameSize(), 1u);
    Compress();
    ASSERT_EQ(4u, g_record.compresses.size());
    std::vector<LONG> numbers;
    std::vector<bool> forced;
    for (const CompressCall& call : g_record.compresses) {
        numbers.push_back(call.nFrameNum);
        forced.push_back((call.dwFlags & ICCOMPRESS_KEYFRAME) != 0);
    }
    EXPECT_EQ((std::vector<LONG>{0, 1, 1, 2}), numbers);
    // The dropped frame did not use up the countdown: frame 3 of the calls is the next key.
    EXPECT_EQ((std::vector<bool>{true, false, false, true}), forced);
}

TEST_F(VideoCompressorTest, TemporalCompressorGetsItsPreviousFrameDecompressed)
{
    g_behaviour.dwFlags = VIDCF_TEMPORAL;
    SelectCodec(kQualityCodec);
    ASSERT_TRUE(m_compressor.Begin());
    EXPECT_EQ(1, g_record.nDecompressBegin);
    for (int i = 0; i < 5; ++i)
        Compress(static_cast<BYTE>(i + 1));
    ASSERT_EQ(5u, g_record.compresses.size());
    EXPECT_FALSE(g_record.compresses[0].bHasPrevious);
    for (int i = 1; i < 5; ++i) {
        EXPECT_TRUE(g_record.compresses[i].bHasPrevious) << i;
        EXPECT_EQ(i, g_record.compresses[i].nPreviousByte) << i;
    }
    ASSERT_EQ(5u, g_record.decompresses.size());
    EXPECT_EQ(0u, g_record.decompresses[0].dwFlags);
    EXPECT_EQ(static_cast<DWORD>(ICDECOMPRESS_NOTKEYFRAME), g_record.decompresses[1].dwFlags);
    m_compressor.End();
    EXPECT_EQ(1, g_record.nDecompressEnd);
    EXPECT_EQ(1, g_record.nCompressEnd);
}

TEST_F(VideoCompressorTest, FastTemporalCompressorKeepsItsOwnPreviousFrame)
{
    g_behaviour.dwFlags = VIDCF_TEMPORAL | VIDCF_FASTTEMPORALC;
    SelectCodec(kQualityCodec);
    ASSERT_TRUE(m_compressor.Begin());
    Compress(1);
    Compress(2);
    EXPECT_EQ(0, g_record.nDecompressBegin);
    EXPECT_TRUE(g_record.decompresses.empty());
    EXPECT_FALSE(g_record.compresses[1].bHasPrevious);
    m_compressor.End();
    EXPECT_EQ(0, g_record.nDecompressEnd);
}

// --- Pass-through ---------------------------------------------------------------------------

class PassThroughTest : public VideoCompressorTest
{
protected:
    void RunPassThrough(LONG nHeight, WORD nBits)
    {
        const LONG nWidth = 101;
        const DWORD dwRows = static_cast<DWORD>(nHeight < 0 ? -nHeight : nHeight);
        m_format = MakeFormat(nWidth, nHeight, nBits);
        SelectCodec(kDib);
        ASSERT_TRUE(m_compressor.Begin());
        const BITMAPINFOHEADER* pOut = m_compressor.OutputFormat();
        ASSERT_NE(nullptr, pOut);
        EXPECT_EQ(40u, pOut->biSize);
        EXPECT_EQ(nWidth, pOut->biWidth);
        EXPECT_EQ(nHeight, pOut->biHeight);
        EXPECT_EQ(24, pOut->biBitCount);
        EXPECT_EQ(1, pOut->biPlanes);
        EXPECT_EQ(static_cast<DWORD>(BI_RGB), pOut->biCompression);
        const DWORD dwOutStride = 304; // 303 bytes of pixels, padded to four
        EXPECT_EQ(dwOutStride * dwRows, pOut->biSizeImage);
        EXPECT_EQ(0, m_compressor.TargetBytesPerFrame());

        const DWORD dwInStride = ((nBits * nWidth / 8) + 3) & ~3;
        const int nPixelBytes = nBits / 8;
        std::vector<BYTE> frame(dwInStride * dwRows, 0xEE);
        for (DWORD y = 0; y < dwRows; ++y) {
            for (LONG x = 0; x < nWidth; ++x) {
                BYTE* p = &frame[y * dwInStride + x * nPixelBytes];
                p[0] = static_cast<BYTE>(x);
                p[1] = static_cast<BYTE>(y);
                p[2] = static_cast<BYTE>(x + 3 * y);
            }
        }
        ASSERT_TRUE(m_compressor.CompressFrame(frame.data()));
        EXPECT_EQ(pOut->biSizeImage, m_compressor.LastFrameSize());
        EXPECT_TRUE(m_compressor.LastWasKeyFrame());
        EXPECT_EQ(1, m_compressor.FrameNumber());
        const BYTE* pBits = m_compressor.OutputBuffer();
        int nWrong = 0;
        for (DWORD y = 0; y < dwRows; ++y) {
            for (LONG x = 0; x < nWidth; ++x) {
                const BYTE* p = pBits + y * dwOutStride + x * 3;
                nWrong += p[0] != static_cast<BYTE>(x) || p[1] != static_cast<BYTE>(y) ||
                          p[2] != static_cast<BYTE>(x + 3 * y);
            }
        }
        EXPECT_EQ(0, nWrong);
        ASSERT_TRUE(m_compressor.CompressFrame(frame.data()));
        EXPECT_EQ(2, m_compressor.FrameNumber());
    }
};

TEST_F(PassThroughTest, ThirtyTwoBitBottomUpFrameBecomesTwentyFourBitRows)
{
    RunPassThrough(75, 32);
}

TEST_F(PassThroughTest, ThirtyTwoBitTopDownFrameKeepsItsOrientation)
{
    RunPassThrough(-75, 32);
}

TEST_F(PassThroughTest, TwentyFourBitFrameIsCopiedRowByRow)
{
    RunPassThrough(75, 24);
}

TEST_F(PassThroughTest, InputBelowTwentyFourBitsCannotStart)
{
    SelectCodec(kDib);
    m_format = MakeFormat(64, 48, 16);
    ASSERT_TRUE(m_compressor.SetInputFormat(&m_format, sizeof(m_format)));
    EXPECT_FALSE(m_compressor.Begin());
    EXPECT_FALSE(m_compressor.CompressFrame(m_frame.data()));
}

} // namespace

// --- A compressor that faults ---------------------------------------------------------------

class FaultingCompressorTest : public VideoCompressorTest
{
protected:
    void SetUp() override
    {
        VideoCompressorTest::SetUp();
        g_behaviour.dwFlags = 0; // one compression call per frame
        m_hWnd = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, m_hWnd);
        m_compressor.SetFaultNotify(m_hWnd, WM_APP);
        SelectCodec(kQualityCodec);
    }
    void TearDown() override { DestroyWindow(m_hWnd); }

    // The stage of the one fault notice posted, 0 without one.
    LPARAM FaultStage()
    {
        MSG msg;
        LPARAM nStage = 0;
        int nNotices = 0;
        while (PeekMessageA(&msg, m_hWnd, WM_APP, WM_APP, PM_REMOVE)) {
            EXPECT_EQ(static_cast<WPARAM>(EXCEPTION_ACCESS_VIOLATION), msg.wParam);
            nStage = msg.lParam;
            ++nNotices;
        }
        EXPECT_LE(nNotices, 1);
        return nStage;
    }

    HWND m_hWnd = nullptr;
};

TEST_F(FaultingCompressorTest, FaultInBeginFailsTheStartAndTheNextStartWorks)
{
    g_behaviour.nFaultOn = ICM_COMPRESS_BEGIN;
    EXPECT_FALSE(m_compressor.Begin());
    EXPECT_TRUE(m_compressor.HasFaulted());
    EXPECT_FALSE(m_compressor.IsStarted());
    EXPECT_EQ(nullptr, m_compressor.OutputBuffer());
    EXPECT_EQ(CCodecGuard::STAGE_BEGIN, FaultStage());

    g_behaviour.nFaultOn = 0;
    ASSERT_TRUE(m_compressor.Begin());
    EXPECT_FALSE(m_compressor.HasFaulted());
    EXPECT_TRUE(m_compressor.CompressFrame(m_frame.data()));
}

TEST_F(FaultingCompressorTest, FaultInAFrameFailsItAndTheCompressorIsCalledNoMore)
{
    g_behaviour.nFaultOn = ICM_COMPRESS;
    g_behaviour.nFaultAfter = 2;
    ASSERT_TRUE(m_compressor.Begin());
    EXPECT_TRUE(m_compressor.CompressFrame(m_frame.data()));
    EXPECT_TRUE(m_compressor.CompressFrame(m_frame.data()));
    EXPECT_FALSE(m_compressor.CompressFrame(m_frame.data()));
    EXPECT_EQ(CCodecGuard::STAGE_FRAME, FaultStage());
    EXPECT_FALSE(m_compressor.CompressFrame(m_frame.data()));
    EXPECT_EQ(2u, g_record.compresses.size());
    m_compressor.End();
    EXPECT_EQ(0, g_record.nCompressEnd) << "a faulted compressor is not asked to end";
    EXPECT_FALSE(m_compressor.IsStarted());
    EXPECT_EQ(0, FaultStage());
}

TEST_F(FaultingCompressorTest, FaultInEndStillEndsTheSequence)
{
    g_behaviour.nFaultOn = ICM_COMPRESS_END;
    ASSERT_TRUE(m_compressor.Begin());
    EXPECT_TRUE(m_compressor.CompressFrame(m_frame.data()));
    m_compressor.End();
    EXPECT_FALSE(m_compressor.IsStarted());
    EXPECT_EQ(nullptr, m_compressor.OutputBuffer());
    EXPECT_EQ(CCodecGuard::STAGE_END, FaultStage());
}
