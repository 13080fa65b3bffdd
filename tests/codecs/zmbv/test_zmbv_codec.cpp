#include <windows.h>
#include <vfw.h>
#include <string.h>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "codecs/zmbv/CDesktopScene.h"
#include "codecs/zmbv/CZmbvCodec.h"
#include "codecs/zmbv/ZmbvDriver.h"

namespace {
const DWORD kZmbv = mmioFOURCC('Z', 'M', 'B', 'V');
const char kPassThroughName[] = "<Uncompressed RGB>";

BITMAPINFOHEADER RgbFormat(LONG nWidth, LONG nHeight, WORD nBits, DWORD dwCompression = BI_RGB)
{
    BITMAPINFOHEADER header;
    memset(&header, 0, sizeof(header));
    header.biSize = sizeof(header);
    header.biWidth = nWidth;
    header.biHeight = nHeight;
    header.biPlanes = 1;
    header.biBitCount = nBits;
    header.biCompression = dwCompression;
    header.biSizeImage = (DWORD)(((nWidth * nBits / 8 + 3) & ~3) * (nHeight < 0 ? -nHeight : nHeight));
    return header;
}

std::string Ansi(const WCHAR* pszText)
{
    char buffer[256] = {};
    WideCharToMultiByte(CP_ACP, 0, pszText, -1, buffer, sizeof(buffer), nullptr, nullptr);
    return buffer;
}

class ZmbvCodecTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(ZmbvInstallForProcess()); }

    void SetUp() override
    {
        m_hic = ICOpen(ICTYPE_VIDEO, kZmbv, ICMODE_COMPRESS);
        ASSERT_NE(m_hic, nullptr);
    }

    void TearDown() override
    {
        if (m_hic)
            ICClose(m_hic);
    }

    // Starts a sequence for 32-bit frames of the given size (negative height: top-down rows).
    void Begin(LONG nWidth, LONG nHeight)
    {
        m_input = RgbFormat(nWidth, nHeight, 32);
        ASSERT_EQ(ICCompressGetFormat(m_hic, &m_input, &m_output), ICERR_OK);
        m_out.assign(ICCompressGetSize(m_hic, &m_input, &m_output), 0);
        ASSERT_EQ(ICCompressBegin(m_hic, &m_input, &m_output), ICERR_OK);
    }

    // One compression call as the program's compressor makes it; returns the frame bytes.
    std::vector<BYTE> Compress(const void* pBits, LONG nFrame, bool bForceKey, bool* pbKey)
    {
        DWORD dwFlags = bForceKey ? AVIIF_KEYFRAME : 0;
        DWORD dwSize = m_output.biSizeImage;
        DWORD dwResult = ICCompress(m_hic, bForceKey ? ICCOMPRESS_KEYFRAME : 0, &m_output, m_out.data(), &m_input,
                                    const_cast<void*>(pBits), nullptr, &dwFlags, nFrame, 0, 7500, nullptr, nullptr);
        EXPECT_EQ(dwResult, (DWORD)ICERR_OK);
        std::vector<BYTE> frame(m_out.begin(), m_out.begin() + m_output.biSizeImage);
        m_output.biSizeImage = dwSize;
        *pbKey = (dwFlags & AVIIF_KEYFRAME) != 0;
        return frame;
    }

    HIC m_hic = nullptr;
    BITMAPINFOHEADER m_input = {};
    BITMAPINFOHEADER m_output = {};
    std::vector<BYTE> m_out;
};

TEST_F(ZmbvCodecTest, IsEnumeratedAndDescribedLikeAnInstalledCompressor)
{
    bool bFound = false;
    ICINFO info;
    for (DWORD i = 0; !bFound && ICInfo(ICTYPE_VIDEO, i, &info); ++i)
        bFound = info.fccHandler == kZmbv;
    EXPECT_TRUE(bFound);
    EXPECT_TRUE(ZmbvInstallForProcess()); // a second call keeps the installation

    memset(&info, 0, sizeof(info));
    ASSERT_EQ(ICGetInfo(m_hic, &info, sizeof(info)), (LRESULT)sizeof(info));
    EXPECT_EQ(info.dwSize, sizeof(ICINFO));
    EXPECT_EQ(info.fccType, ICTYPE_VIDEO);
    EXPECT_EQ(info.fccHandler, kZmbv);
    EXPECT_EQ(info.dwFlags, (DWORD)(VIDCF_TEMPORAL | VIDCF_FASTTEMPORALC | VIDCF_QUALITY));
    EXPECT_EQ(info.dwVersionICM, (DWORD)ICVERSION);
    EXPECT_EQ(Ansi(info.szDescription), "(Orvane) Lossless Screen Codec ZMBV");
    EXPECT_EQ(Ansi(info.szName), "(Orvane) ZMBV");
}

TEST_F(ZmbvCodecTest, NameSortsAheadOfUncompressedInEveryOrdering)
{
    ICINFO info;
    ASSERT_GT(ICGetInfo(m_hic, &info, sizeof(info)), 0);
    std::string name = Ansi(info.szDescription);
    EXPECT_LT(strcmp(name.c_str(), kPassThroughName), 0);
    EXPECT_LT(lstrcmpA(name.c_str(), kPassThroughName), 0);
    EXPECT_LT(lstrcmpiA(name.c_str(), kPassThroughName), 0);

    // The codec list is a sorted list control; add the pass-through first on purpose.
    HWND hList = CreateWindowA("COMBOBOX", "", CBS_DROPDOWNLIST | CBS_SORT, 0, 0, 200, 200, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(hList, nullptr);
    SendMessageA(hList, CB_ADDSTRING, 0, (LPARAM)kPassThroughName);
    SendMessageA(hList, CB_ADDSTRING, 0, (LPARAM) "Video Codec 3");
    SendMessageA(hList, CB_ADDSTRING, 0, (LPARAM)name.c_str());
    char first[128] = {};
    SendMessageA(hList, CB_GETLBTEXT, 0, (LPARAM)first);
    DestroyWindow(hList);
    EXPECT_EQ(name, first);
}

TEST_F(ZmbvCodecTest, AcceptsOnly32BitRgbInput)
{
    BITMAPINFOHEADER bottomUp = RgbFormat(64, 64, 32);
    BITMAPINFOHEADER topDown = RgbFormat(64, -64, 32);
    EXPECT_EQ(ICCompressQuery(m_hic, &bottomUp, nullptr), ICERR_OK);
    EXPECT_EQ(ICCompressQuery(m_hic, &topDown, nullptr), ICERR_OK);

    for (WORD nBits : {8, 15, 16, 24}) {
        BITMAPINFOHEADER other = RgbFormat(64, 64, nBits);
        EXPECT_EQ(ICCompressQuery(m_hic, &other, nullptr), ICERR_BADFORMAT) << nBits << " bits";
        EXPECT_EQ(ICCompressGetFormatSize(m_hic, &other), 0u) << nBits << " bits";
        EXPECT_NE(ICCompressBegin(m_hic, &other, nullptr), ICERR_OK) << nBits << " bits";
    }
    BITMAPINFOHEADER bitfields = RgbFormat(64, 64, 32, BI_BITFIELDS);
    BITMAPINFOHEADER empty = RgbFormat(0, 64, 32);
    BITMAPINFOHEADER flat = RgbFormat(64, 0, 32);
    EXPECT_EQ(ICCompressQuery(m_hic, &bitfields, nullptr), ICERR_BADFORMAT);
    EXPECT_EQ(ICCompressQuery(m_hic, &empty, nullptr), ICERR_BADFORMAT);
    EXPECT_EQ(ICCompressQuery(m_hic, &flat, nullptr), ICERR_BADFORMAT);
}

TEST_F(ZmbvCodecTest, ProposesAZmbvFormatStoredTopRowFirst)
{
    BITMAPINFOHEADER input = RgbFormat(333, -211, 32);
    ASSERT_EQ(ICCompressGetFormatSize(m_hic, &input), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER output;
    ASSERT_EQ(ICCompressGetFormat(m_hic, &input, &output), ICERR_OK);
    EXPECT_EQ(output.biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(output.biWidth, 333);
    EXPECT_EQ(output.biHeight, 211);
    EXPECT_EQ(output.biBitCount, 32);
    EXPECT_EQ(output.biCompression, kZmbv);
    EXPECT_EQ(ICCompressQuery(m_hic, &input, &output), ICERR_OK);
    EXPECT_GE(ICCompressGetSize(m_hic, &input, &output), (DWORD)(333 * 211 * 4));

    BITMAPINFOHEADER otherSize = output;
    otherSize.biWidth = 320;
    EXPECT_EQ(ICCompressQuery(m_hic, &input, &otherSize), ICERR_BADFORMAT);
}

TEST_F(ZmbvCodecTest, AnswersDefaultsAndHasNoDialogs)
{
    DWORD dwKeyRate = 0;
    EXPECT_EQ(ICSendMessage(m_hic, ICM_GETDEFAULTKEYFRAMERATE, (DWORD_PTR)&dwKeyRate, 0), ICERR_OK);
    EXPECT_EQ(dwKeyRate, ZmbvDefaultKeyFrameRate);
    DWORD dwQuality = 0;
    EXPECT_EQ(ICSendMessage(m_hic, ICM_GETDEFAULTQUALITY, (DWORD_PTR)&dwQuality, sizeof(dwQuality)), ICERR_OK);
    EXPECT_EQ(dwQuality, 10000u);
    EXPECT_NE(ICSendMessage(m_hic, ICM_CONFIGURE, (DWORD_PTR)-1, ICMF_CONFIGURE_QUERY), ICERR_OK);
    EXPECT_NE(ICSendMessage(m_hic, ICM_ABOUT, (DWORD_PTR)-1, ICMF_ABOUT_QUERY), ICERR_OK);
    ICCOMPRESSFRAMES frames = {};
    frames.dwFlags = (DWORD)(DWORD_PTR)&frames.lKeyRate; // the program passes an address here
    frames.lQuality = 7500;
    frames.lKeyRate = 300;
    EXPECT_EQ(ICSendMessage(m_hic, ICM_COMPRESS_FRAMES_INFO, (DWORD_PTR)&frames, sizeof(frames)), ICERR_OK);
    EXPECT_EQ(ICSendMessage(m_hic, ICM_COMPRESS_FRAMES_INFO, (DWORD_PTR)&frames, 64), ICERR_OK);
    DWORD dwQualityNow = 0;
    EXPECT_EQ(ICSendMessage(m_hic, ICM_GETQUALITY, (DWORD_PTR)&dwQualityNow, sizeof(dwQualityNow)), ICERR_OK);
    EXPECT_EQ(dwQualityNow, 7500u);
    EXPECT_EQ(ICSendMessage(m_hic, ICM_COMPRESS_FRAMES_INFO, (DWORD_PTR)&frames, 8), ICERR_BADPARAM);
    EXPECT_EQ(ICSendMessage(m_hic, ICM_COMPRESS_FRAMES_INFO, 0, sizeof(frames)), ICERR_BADPARAM);
}

TEST_F(ZmbvCodecTest, StateRoundTripsAndForeignBlobsAreIgnored)
{
    ZmbvState state = {};
    ASSERT_EQ(ICGetStateSize(m_hic), (DWORD)sizeof(ZmbvState));
    ASSERT_EQ(ICGetState(m_hic, &state, sizeof(state)), (DWORD)sizeof(state));
    const ZmbvState defaults = state;
    EXPECT_EQ(defaults.dwMagic, ZmbvCodecStateMagic);
    EXPECT_EQ(defaults.dwVersion, ZmbvCodecStateVersion);

    ZmbvState newer = defaults;
    newer.dwVersion = ZmbvCodecStateVersion + 1;
    newer.dwZlibLevel = 9;
    EXPECT_EQ(ICSetState(m_hic, &newer, sizeof(newer)), 0u);
    BYTE bigger[64];
    memset(bigger, 0xAB, sizeof(bigger));
    memcpy(bigger, &defaults, sizeof(defaults));
    EXPECT_EQ(ICSetState(m_hic, bigger, sizeof(bigger)), 0u);
    EXPECT_EQ(ICSetState(m_hic, bigger, 3), 0u);
    ZmbvState outOfRange = defaults;
    outOfRange.dwZlibLevel = 0;
    EXPECT_EQ(ICSetState(m_hic, &outOfRange, sizeof(outOfRange)), 0u);
    outOfRange = defaults;
    outOfRange.dwSearchRange = 1000;
    EXPECT_EQ(ICSetState(m_hic, &outOfRange, sizeof(outOfRange)), 0u);

    ZmbvState now = {};
    ICGetState(m_hic, &now, sizeof(now));
    EXPECT_EQ(memcmp(&now, &defaults, sizeof(now)), 0);

    ZmbvState tuned = defaults;
    tuned.dwZlibLevel = 6;
    tuned.dwSearchRange = 8;
    EXPECT_EQ(ICSetState(m_hic, &tuned, sizeof(tuned)), (DWORD)sizeof(tuned));
    ICGetState(m_hic, &now, sizeof(now));
    EXPECT_EQ(memcmp(&now, &tuned, sizeof(now)), 0);
    ICSetState(m_hic, nullptr, 0);
    ICGetState(m_hic, &now, sizeof(now));
    EXPECT_EQ(memcmp(&now, &defaults, sizeof(now)), 0);

    // After a foreign blob the compressor still works.
    ICSetState(m_hic, &newer, sizeof(newer));
    Begin(32, 32);
    std::vector<uint32_t> frame(32 * 32, 0x123456);
    bool bKey = false;
    EXPECT_FALSE(Compress(frame.data(), 0, true, &bKey).empty());
}

TEST_F(ZmbvCodecTest, FirstAndForcedFramesAreKeyFramesWithTheFormatHeader)
{
    CDesktopScene scene(64, 48);
    std::vector<uint32_t> dib(64 * 48);
    Begin(64, 48);
    scene.Render(1);
    scene.CopyBottomUp(dib.data());
    bool bKey = false;
    std::vector<BYTE> first = Compress(dib.data(), 0, false, &bKey);
    EXPECT_TRUE(bKey);
    ASSERT_GE(first.size(), 8u);
    const BYTE header[7] = {1, 0, 1, 1, 8, 16, 16}; // key, version 0.1, zlib, 32 bpp, 16x16
    EXPECT_EQ(memcmp(first.data(), header, sizeof(header)), 0);

    std::vector<BYTE> still = Compress(dib.data(), 1, false, &bKey);
    EXPECT_FALSE(bKey);
    EXPECT_EQ(still[0], 0);
    EXPECT_LT(still.size(), 32u);

    std::vector<BYTE> forced = Compress(dib.data(), 2, true, &bKey);
    EXPECT_TRUE(bKey);
    EXPECT_EQ(forced[0], 1);

    // A sequence started again begins with a key frame.
    ICCompressEnd(m_hic);
    Begin(64, 48);
    Compress(dib.data(), 0, false, &bKey);
    EXPECT_TRUE(bKey);
}

TEST_F(ZmbvCodecTest, RecompressingAFrameGivesTheSameBytes)
{
    CDesktopScene scene(96, 64);
    std::vector<uint32_t> dib(96 * 64);
    Begin(96, 64);
    bool bKey = false;
    for (LONG nFrame = 0; nFrame < 5; ++nFrame) {
        scene.Render(nFrame + 1);
        scene.CopyBottomUp(dib.data());
        std::vector<BYTE> once = Compress(dib.data(), nFrame, nFrame == 0, &bKey);
        bool bKeyAgain = !bKey;
        std::vector<BYTE> again = Compress(dib.data(), nFrame, nFrame == 0, &bKeyAgain);
        EXPECT_EQ(once, again) << "frame " << nFrame;
        EXPECT_EQ(bKey, bKeyAgain);
        EXPECT_EQ(bKey, nFrame == 0);
    }
    // Another picture under the same number can only replace the frame as a key frame.
    scene.Render(200);
    scene.CopyBottomUp(dib.data());
    Compress(dib.data(), 4, false, &bKey);
    EXPECT_TRUE(bKey);
}

TEST_F(ZmbvCodecTest, OddSizesCompressWithinTheAnnouncedSize)
{
    for (LONG nSize : {1, 7, 17, 33}) {
        LONG nWidth = nSize;
        LONG nHeight = nSize * 2 + 1;
        CDesktopScene scene(nWidth, nHeight);
        std::vector<uint32_t> dib((size_t)(nWidth * nHeight));
        Begin(nWidth, nHeight);
        DWORD cbMax = ICCompressGetSize(m_hic, &m_input, &m_output);
        for (LONG nFrame = 0; nFrame < 4; ++nFrame) {
            scene.Render(nFrame * 7);
            scene.CopyBottomUp(dib.data());
            bool bKey = false;
            std::vector<BYTE> frame = Compress(dib.data(), nFrame, false, &bKey);
            EXPECT_FALSE(frame.empty());
            EXPECT_LE(frame.size(), cbMax);
            EXPECT_EQ(bKey, nFrame == 0);
        }
        ICCompressEnd(m_hic);
    }
}

TEST_F(ZmbvCodecTest, NoiseFramesFitTheAnnouncedSize)
{
    Begin(50, 30);
    std::vector<uint32_t> noise(50 * 30);
    unsigned nState = 1;
    bool bKey = false;
    for (LONG nFrame = 0; nFrame < 3; ++nFrame) {
        for (uint32_t& pixel : noise)
            pixel = (nState = nState * 1103515245u + 12345u);
        EXPECT_FALSE(Compress(noise.data(), nFrame, false, &bKey).empty());
    }
}

TEST_F(ZmbvCodecTest, RefusesFramesOfAnotherDepth)
{
    Begin(32, 32);
    BITMAPINFOHEADER input16 = RgbFormat(32, 32, 16);
    std::vector<BYTE> bits(32 * 32 * 2);
    DWORD dwFlags = 0;
    EXPECT_NE(ICCompress(m_hic, 0, &m_output, m_out.data(), &input16, bits.data(), nullptr, &dwFlags, 0, 0, 7500,
                         nullptr, nullptr),
              (DWORD)ICERR_OK);
}
} // namespace

namespace {
std::string BesideProgramFolder(const char* pszName)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path);
    folder.resize(folder.find_last_of('\\'));     // bin\tests
    folder.resize(folder.find_last_of('\\') + 1); // bin\ .
    return folder + pszName;
}

TEST(ZmbvDriverDll, OpensAndCompressesAsAnInstallableDriver)
{
    ZmbvRemoveFromProcess();
    std::string dll = BesideProgramFolder("zmbv.dll");
    ASSERT_EQ(GetFileAttributesA(dll.c_str()) != INVALID_FILE_ATTRIBUTES, true) << dll;
    ASSERT_TRUE(ICInstall(ICTYPE_VIDEO, kZmbv, (LPARAM)dll.c_str(), nullptr, ICINSTALL_DRIVER));
    HIC hic = ICOpen(ICTYPE_VIDEO, kZmbv, ICMODE_COMPRESS);
    EXPECT_NE(hic, nullptr);
    if (hic) {
        ICINFO info = {};
        EXPECT_EQ(ICGetInfo(hic, &info, sizeof(info)), (LRESULT)sizeof(info));
        EXPECT_EQ(Ansi(info.szDescription), "(Orvane) Lossless Screen Codec ZMBV");
        BITMAPINFOHEADER input = RgbFormat(40, 30, 32);
        BITMAPINFOHEADER output;
        ASSERT_EQ(ICCompressGetFormat(hic, &input, &output), ICERR_OK);
        std::vector<BYTE> out(ICCompressGetSize(hic, &input, &output));
        std::vector<uint32_t> frame(40 * 30, 0x00336699);
        ASSERT_EQ(ICCompressBegin(hic, &input, &output), ICERR_OK);
        DWORD dwFlags = 0;
        EXPECT_EQ(ICCompress(hic, 0, &output, out.data(), &input, frame.data(), nullptr, &dwFlags, 0, 0, 7500, nullptr,
                             nullptr),
                  (DWORD)ICERR_OK);
        EXPECT_EQ(dwFlags, (DWORD)AVIIF_KEYFRAME);
        ICCompressEnd(hic);
        ICClose(hic);
    }
    ICRemove(ICTYPE_VIDEO, kZmbv, 0);
    EXPECT_TRUE(ZmbvInstallForProcess());
}
} // namespace
