// The built-in Windows Media runtime through its interfaces: the profile objects' rules,
// the writer's states and failures, and the loader's choice under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "wmf/WmfRuntime.h"
#include "wmf/WmfTestFile.h"

namespace {

template <class T> struct ComPtr
{
    T* p = nullptr;
    ~ComPtr()
    {
        if (p)
            p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
    void** Out() { return reinterpret_cast<void**>(&p); }
};

BITMAPINFOHEADER SmallBitmap()
{
    BITMAPINFOHEADER bmi = {};
    bmi.biSize = sizeof(bmi);
    bmi.biWidth = 64;
    bmi.biHeight = 48;
    bmi.biPlanes = 1;
    bmi.biBitCount = 24;
    bmi.biCompression = MAKEFOURCC('Z', 'M', 'B', 'V');
    return bmi;
}

MPEGLAYER3WAVEFORMAT Mp3Wave()
{
    MPEGLAYER3WAVEFORMAT wave = {};
    wave.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    wave.wfx.nChannels = 2;
    wave.wfx.nSamplesPerSec = 44100;
    wave.wfx.nAvgBytesPerSec = 16000;
    wave.wfx.nBlockAlign = 1;
    wave.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    wave.wID = MPEGLAYER3_ID_MPEG;
    return wave;
}

std::wstring TempPath(const wchar_t* pszName)
{
    wchar_t szDir[MAX_PATH];
    GetTempPathW(MAX_PATH, szDir);
    return std::wstring(szDir) + pszName;
}

ULONGLONG FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

class WmfProfileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, OrvWMCreateProfileManager(&m_manager));
        ASSERT_EQ(S_OK, m_manager->CreateEmptyProfile(WMT_VER_9_0, &m_profile));
    }

    ComPtr<IWMProfileManager> m_manager;
    ComPtr<IWMProfile> m_profile;
};

TEST_F(WmfProfileTest, ManagerMakesEmptyProfilesOfKnownVersionsOnly)
{
    DWORD dwCount = 99;
    EXPECT_EQ(S_OK, m_profile->GetStreamCount(&dwCount));
    EXPECT_EQ(0u, dwCount);
    WMT_VERSION version = WMT_VER_4_0;
    EXPECT_EQ(S_OK, m_profile->GetVersion(&version));
    EXPECT_EQ(WMT_VER_9_0, version);
    ComPtr<IWMProfile> other;
    EXPECT_EQ(E_INVALIDARG, m_manager->CreateEmptyProfile(static_cast<WMT_VERSION>(0x12345), &other));
    EXPECT_EQ(nullptr, other.p);
    ComPtr<IWMCodecInfo> codecs;
    EXPECT_EQ(S_OK, m_manager->QueryInterface(IID_IWMCodecInfo, codecs.Out()));
}

TEST_F(WmfProfileTest, OnlyAudioAndVideoStreamsCanBeCreated)
{
    ComPtr<IWMStreamConfig> video, audio, script;
    EXPECT_EQ(S_OK, m_profile->CreateNewStream(WMMEDIATYPE_Video, &video));
    EXPECT_EQ(S_OK, m_profile->CreateNewStream(WMMEDIATYPE_Audio, &audio));
    const GUID scriptType = {0x73636d64, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
    EXPECT_EQ(E_INVALIDARG, m_profile->CreateNewStream(scriptType, &script));
    GUID type = GUID_NULL;
    EXPECT_EQ(S_OK, video->GetStreamType(&type));
    EXPECT_TRUE(type == WMMEDIATYPE_Video);
    ComPtr<IWMMediaProps> props;
    ComPtr<IWMPropertyVault> vault;
    EXPECT_EQ(S_OK, video->QueryInterface(IID_IWMMediaProps, props.Out()));
    EXPECT_EQ(S_OK, video->QueryInterface(IID_IWMPropertyVault, vault.Out()));
}

TEST_F(WmfProfileTest, VideoStreamsAlsoKeepKeyFrameSpacingAndQuality)
{
    ComPtr<IWMStreamConfig> video, audio;
    ASSERT_EQ(S_OK, m_profile->CreateNewStream(WMMEDIATYPE_Video, &video));
    ASSERT_EQ(S_OK, m_profile->CreateNewStream(WMMEDIATYPE_Audio, &audio));
    ComPtr<IWMVideoMediaProps> videoProps, audioProps;
    EXPECT_EQ(E_NOINTERFACE, audio->QueryInterface(IID_IWMVideoMediaProps, audioProps.Out()));
    ASSERT_EQ(S_OK, video->QueryInterface(IID_IWMVideoMediaProps, videoProps.Out()));
    EXPECT_EQ(S_OK, videoProps->SetMaxKeyFrameSpacing(80000000));
    EXPECT_EQ(E_INVALIDARG, videoProps->SetMaxKeyFrameSpacing(-1));
    EXPECT_EQ(S_OK, videoProps->SetQuality(75));
    EXPECT_EQ(E_INVALIDARG, videoProps->SetQuality(101));
    std::vector<BYTE> format = WmfTestFile::VideoFormat(SmallBitmap(), 500000);
    WM_MEDIA_TYPE type = WmfTestFile::VideoType(format);
    EXPECT_EQ(S_OK, videoProps->SetMediaType(&type)) << "the media props of the video interface";
    video->SetStreamNumber(1);
    ASSERT_EQ(S_OK, m_profile->AddStream(video.p));
    ComPtr<IWMStreamConfig> stored;
    ASSERT_EQ(S_OK, m_profile->GetStream(0, &stored));
    ComPtr<IWMVideoMediaProps> storedProps;
    ASSERT_EQ(S_OK, stored->QueryInterface(IID_IWMVideoMediaProps, storedProps.Out()));
    LONGLONG llSpacing = 0;
    DWORD dwQuality = 0;
    storedProps->GetMaxKeyFrameSpacing(&llSpacing);
    storedProps->GetQuality(&dwQuality);
    EXPECT_EQ(80000000, llSpacing);
    EXPECT_EQ(75u, dwQuality);
}

TEST_F(WmfProfileTest, StreamNumbersOutsideOneToSixtyThreeAreRefused)
{
    ComPtr<IWMStreamConfig> config;
    ASSERT_EQ(S_OK, m_profile->CreateNewStream(WMMEDIATYPE_Video, &config));
    EXPECT_EQ(NS_E_INVALID_STREAM, config->SetStreamNumber(0));
    EXPECT_EQ(NS_E_INVALID_STREAM, config->SetStreamNumber(64));
    EXPECT_EQ(S_OK, config->SetStreamNumber(63));
    WORD wNumber = 0;
    config->GetStreamNumber(&wNumber);
    EXPECT_EQ(63, wNumber);
}

TEST_F(WmfProfileTest, MediaTypesThatDoNotFitTheStreamAreRefused)
{
    ComPtr<IWMStreamConfig> video;
    ASSERT_EQ(S_OK, m_profile->CreateNewStream(WMMEDIATYPE_Video, &video));
    ComPtr<IWMMediaProps> props;
    ASSERT_EQ(S_OK, video->QueryInterface(IID_IWMMediaProps, props.Out()));

    MPEGLAYER3WAVEFORMAT wave = Mp3Wave();
    WM_MEDIA_TYPE audioType = WmfTestFile::AudioType(wave);
    EXPECT_EQ(NS_E_INVALID_INPUT_FORMAT, props->SetMediaType(&audioType)) << "audio type on a video stream";

    std::vector<BYTE> format = WmfTestFile::VideoFormat(SmallBitmap(), 500000);
    WM_MEDIA_TYPE videoType = WmfTestFile::VideoType(format);
    videoType.cbFormat = 80; // cuts the bitmap header
    EXPECT_EQ(NS_E_INVALID_INPUT_FORMAT, props->SetMediaType(&videoType));
    videoType.cbFormat = static_cast<ULONG>(format.size());
    videoType.formattype = WMFORMAT_WaveFormatEx;
    EXPECT_EQ(NS_E_INVALID_INPUT_FORMAT, props->SetMediaType(&videoType));
    videoType.formattype = WMFORMAT_VideoInfo;
    EXPECT_EQ(S_OK, props->SetMediaType(&videoType));

    ComPtr<IWMStreamConfig> audio;
    ASSERT_EQ(S_OK, m_profile->CreateNewStream(WMMEDIATYPE_Audio, &audio));
    ComPtr<IWMMediaProps> audioProps;
    ASSERT_EQ(S_OK, audio->QueryInterface(IID_IWMMediaProps, audioProps.Out()));
    audioType.cbFormat = 20; // shorter than the 12 extra bytes the record announces
    EXPECT_EQ(NS_E_INVALID_INPUT_FORMAT, audioProps->SetMediaType(&audioType));
    audioType.cbFormat = sizeof(wave);
    EXPECT_EQ(S_OK, audioProps->SetMediaType(&audioType));
    EXPECT_EQ(E_POINTER, audioProps->SetMediaType(nullptr));
}

TEST_F(WmfProfileTest, MediaTypeComesBackWithItsFormatBlockBehindTheRecord)
{
    ComPtr<IWMStreamConfig> audio;
    ASSERT_EQ(S_OK, m_profile->CreateNewStream(WMMEDIATYPE_Audio, &audio));
    ComPtr<IWMMediaProps> props;
    ASSERT_EQ(S_OK, audio->QueryInterface(IID_IWMMediaProps, props.Out()));
    DWORD cbType = 0;
    EXPECT_EQ(NS_E_INVALID_REQUEST, props->GetMediaType(nullptr, &cbType)) << "no type yet";
    MPEGLAYER3WAVEFORMAT wave = Mp3Wave();
    WM_MEDIA_TYPE type = WmfTestFile::AudioType(wave);
    ASSERT_EQ(S_OK, props->SetMediaType(&type));
    wave.wfx.nChannels = 1; // the stream keeps its own copy

    ASSERT_EQ(S_OK, props->GetMediaType(nullptr, &cbType));
    ASSERT_EQ(sizeof(WM_MEDIA_TYPE) + 30, cbType);
    std::vector<BYTE> memory(cbType);
    WM_MEDIA_TYPE* pType = reinterpret_cast<WM_MEDIA_TYPE*>(memory.data());
    DWORD cbSmall = cbType - 1;
    EXPECT_TRUE(FAILED(props->GetMediaType(pType, &cbSmall)));
    ASSERT_EQ(S_OK, props->GetMediaType(pType, &cbType));
    EXPECT_TRUE(pType->subtype == WMMEDIASUBTYPE_MP3);
    EXPECT_EQ(30u, pType->cbFormat);
    EXPECT_EQ(memory.data() + sizeof(WM_MEDIA_TYPE), pType->pbFormat);
    EXPECT_EQ(2, reinterpret_cast<WAVEFORMATEX*>(pType->pbFormat)->nChannels);
}

TEST_F(WmfProfileTest, PropertyVaultKeepsTypedValuesByName)
{
    ComPtr<IWMStreamConfig> config;
    ASSERT_EQ(S_OK, m_profile->CreateNewStream(WMMEDIATYPE_Video, &config));
    ComPtr<IWMPropertyVault> vault;
    ASSERT_EQ(S_OK, config->QueryInterface(IID_IWMPropertyVault, vault.Out()));
    BOOL bTrue = TRUE;
    DWORD dwZero = 0, dwSeven = 7;
    EXPECT_EQ(S_OK, vault->SetProperty(L"_VBRENABLED", WMT_TYPE_BOOL, reinterpret_cast<BYTE*>(&bTrue), 4));
    EXPECT_EQ(S_OK, vault->SetProperty(L"_RMAX", WMT_TYPE_DWORD, reinterpret_cast<BYTE*>(&dwZero), 4));
    EXPECT_EQ(S_OK, vault->SetProperty(L"_RMAX", WMT_TYPE_DWORD, reinterpret_cast<BYTE*>(&dwSeven), 4));
    DWORD dwCount = 0;
    vault->GetPropertyCount(&dwCount);
    EXPECT_EQ(2u, dwCount);
    WMT_ATTR_DATATYPE type = WMT_TYPE_STRING;
    DWORD dwValue = 0, cbValue = 4;
    EXPECT_EQ(S_OK, vault->GetPropertyByName(L"_RMAX", &type, reinterpret_cast<BYTE*>(&dwValue), &cbValue));
    EXPECT_EQ(WMT_TYPE_DWORD, type);
    EXPECT_EQ(7u, dwValue);
    EXPECT_TRUE(FAILED(vault->GetPropertyByName(L"_BMAX", &type, reinterpret_cast<BYTE*>(&dwValue), &cbValue)));
    WCHAR szName[32];
    DWORD cchName = 32;
    cbValue = 4;
    EXPECT_EQ(S_OK, vault->GetPropertyByIndex(0, szName, &cchName, &type, reinterpret_cast<BYTE*>(&dwValue), &cbValue));
    EXPECT_STREQ(L"_VBRENABLED", szName);
    EXPECT_EQ(WMT_TYPE_BOOL, type);
}

TEST_F(WmfProfileTest, ProfileTakesNumberedTypedStreamsOncePerNumber)
{
    ComPtr<IWMStreamConfig> video;
    ASSERT_EQ(S_OK, m_profile->CreateNewStream(WMMEDIATYPE_Video, &video));
    std::vector<BYTE> format = WmfTestFile::VideoFormat(SmallBitmap(), 500000);
    WM_MEDIA_TYPE type = WmfTestFile::VideoType(format);
    ComPtr<IWMMediaProps> props;
    ASSERT_EQ(S_OK, video->QueryInterface(IID_IWMMediaProps, props.Out()));

    EXPECT_EQ(NS_E_INVALID_STREAM, m_profile->AddStream(video.p)) << "no stream number";
    video->SetStreamNumber(1);
    EXPECT_EQ(NS_E_INVALIDPROFILE, m_profile->AddStream(video.p)) << "no media type";
    ASSERT_EQ(S_OK, props->SetMediaType(&type));
    EXPECT_EQ(S_OK, m_profile->AddStream(video.p));
    EXPECT_EQ(NS_E_INVALID_STREAM, m_profile->AddStream(video.p)) << "number 1 is taken";
    EXPECT_EQ(E_POINTER, m_profile->AddStream(nullptr));

    video->SetBufferWindow(1234); // the profile holds a copy
    ComPtr<IWMStreamConfig> stored;
    ASSERT_EQ(S_OK, m_profile->GetStreamByNumber(1, &stored));
    DWORD dwWindow = 0;
    stored->GetBufferWindow(&dwWindow);
    EXPECT_EQ(3000u, dwWindow);
    ComPtr<IWMStreamConfig> missing;
    EXPECT_EQ(NS_E_NO_STREAM, m_profile->GetStreamByNumber(2, &missing));
    EXPECT_EQ(S_OK, m_profile->RemoveStreamByNumber(1));
    DWORD dwCount = 9;
    m_profile->GetStreamCount(&dwCount);
    EXPECT_EQ(0u, dwCount);
}

class WmfWriterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_file.Create());
        m_videoFormat = WmfTestFile::VideoFormat(SmallBitmap(), 500000);
        m_videoType = WmfTestFile::VideoType(m_videoFormat);
        m_wave = Mp3Wave();
        m_audioType = WmfTestFile::AudioType(m_wave);
    }

    void AddBothStreams()
    {
        ASSERT_EQ(S_OK, m_file.AddStream(WMMEDIATYPE_Video, 1, &m_videoType));
        ASSERT_EQ(S_OK, m_file.AddStream(WMMEDIATYPE_Audio, 2, &m_audioType));
    }

    WmfTestFile m_file;
    std::vector<BYTE> m_videoFormat;
    WM_MEDIA_TYPE m_videoType;
    MPEGLAYER3WAVEFORMAT m_wave;
    WM_MEDIA_TYPE m_audioType;
};

TEST_F(WmfWriterTest, BeginningNeedsAProfileWithStreamsAndAFileName)
{
    IWMWriter* pWriter = m_file.Writer();
    DWORD dwInputs = 0;
    EXPECT_EQ(NS_E_INVALID_REQUEST, pWriter->GetInputCount(&dwInputs));
    EXPECT_EQ(NS_E_INVALIDPROFILE, pWriter->BeginWriting());
    EXPECT_EQ(S_OK, pWriter->SetProfile(m_file.Profile()));
    EXPECT_EQ(NS_E_INVALIDPROFILE, pWriter->BeginWriting()) << "profile without streams";
    AddBothStreams();
    EXPECT_EQ(S_OK, pWriter->SetProfile(m_file.Profile()));
    EXPECT_EQ(S_OK, pWriter->GetInputCount(&dwInputs));
    EXPECT_EQ(2u, dwInputs);
    EXPECT_EQ(E_INVALIDARG, pWriter->SetInputProps(2, nullptr));
    EXPECT_EQ(NS_E_NOT_CONFIGURED, pWriter->BeginWriting());
    EXPECT_EQ(NS_E_INVALID_REQUEST, pWriter->EndWriting());
}

TEST_F(WmfWriterTest, PathInAMissingFolderFailsToBeginAndLeavesNoFile)
{
    AddBothStreams();
    const std::wstring path = TempPath(L"orv-no-such-folder\\sub\\x.wmv");
    EXPECT_EQ(NS_E_FILE_OPEN_FAILED, m_file.Begin(path, true));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str()));
    INSSBuffer* pBuffer = nullptr;
    ASSERT_EQ(S_OK, m_file.Writer()->AllocateSample(4, &pBuffer));
    EXPECT_EQ(NS_E_INVALID_REQUEST, m_file.Advanced()->WriteStreamSample(1, 0, 0, 0, 0, pBuffer));
    pBuffer->Release();
}

TEST_F(WmfWriterTest, SamplesNeedAKnownStreamAndAnOpenFile)
{
    AddBothStreams();
    const std::wstring path = TempPath(L"orv-wmf-samples.wmv");
    const std::vector<BYTE> data(100, 1);
    EXPECT_EQ(NS_E_INVALID_REQUEST, m_file.Write(1, 0, 50, WM_SF_CLEANPOINT, data)) << "not begun";
    ASSERT_EQ(S_OK, m_file.Begin(path, true));
    EXPECT_EQ(NS_E_INVALID_REQUEST, m_file.Writer()->BeginWriting()) << "already writing";
    EXPECT_EQ(NS_E_INVALID_REQUEST, m_file.Writer()->SetOutputFilename(L"other.wmv"));
    EXPECT_EQ(NS_E_INVALID_STREAM, m_file.Write(3, 0, 50, 0, data));
    EXPECT_EQ(E_POINTER, m_file.Advanced()->WriteStreamSample(1, 0, 0, 0, 0, nullptr));
    EXPECT_EQ(S_OK, m_file.Write(1, 0, 50, WM_SF_CLEANPOINT, data));
    EXPECT_EQ(S_OK, m_file.Write(2, 10, 26, 0, data));
    WM_WRITER_STATISTICS stats = {};
    EXPECT_EQ(S_OK, m_file.Advanced()->GetStatistics(1, &stats));
    EXPECT_EQ(1u, stats.qwSampleCount);
    EXPECT_EQ(100u, stats.qwByteCount);
    EXPECT_EQ(S_OK, m_file.End());
    EXPECT_EQ(NS_E_INVALID_REQUEST, m_file.End());
    EXPECT_GT(FileSize(path), 8192u);
    DeleteFileW(path.c_str());
}

TEST_F(WmfWriterTest, CodecInfoIsListedOnceAndClosedWhileWriting)
{
    AddBothStreams();
    IWMHeaderInfo3* pInfo = m_file.HeaderInfo();
    BYTE tag[4] = {0x55, 0, 0, 0};
    EXPECT_EQ(S_OK, pInfo->AddCodecInfo(L"MPEG Audio Layer-3", L"", WMT_CODECINFO_AUDIO, 4, tag));
    EXPECT_EQ(S_OK, pInfo->AddCodecInfo(L"MPEG Audio Layer-3", L"", WMT_CODECINFO_AUDIO, 4, tag));
    DWORD dwCount = 0;
    EXPECT_EQ(S_OK, pInfo->GetCodecInfoCount(&dwCount));
    EXPECT_EQ(1u, dwCount);
    WORD cchName = 0, cchDescription = 0, cbInfo = 0;
    WMT_CODEC_INFO_TYPE type = WMT_CODECINFO_UNKNOWN;
    ASSERT_EQ(S_OK, pInfo->GetCodecInfo(0, &cchName, nullptr, &cchDescription, nullptr, &type, &cbInfo, nullptr));
    EXPECT_EQ(19, cchName);
    EXPECT_EQ(1, cchDescription);
    EXPECT_EQ(4, cbInfo);
    EXPECT_EQ(WMT_CODECINFO_AUDIO, type);
    WCHAR szName[19], szDescription[1];
    BYTE info[4] = {};
    ASSERT_EQ(S_OK, pInfo->GetCodecInfo(0, &cchName, szName, &cchDescription, szDescription, &type, &cbInfo, info));
    EXPECT_STREQ(L"MPEG Audio Layer-3", szName);
    EXPECT_EQ(0, memcmp(tag, info, 4));

    const std::wstring path = TempPath(L"orv-wmf-codecs.wmv");
    ASSERT_EQ(S_OK, m_file.Begin(path, false));
    EXPECT_EQ(NS_E_INVALID_REQUEST, pInfo->AddCodecInfo(L"x", L"", WMT_CODECINFO_VIDEO, 0, nullptr));
    EXPECT_EQ(S_OK, m_file.End());
    DeleteFileW(path.c_str());
}

TEST_F(WmfWriterTest, OnlyCompressedInputsAreAccepted)
{
    AddBothStreams();
    ASSERT_EQ(S_OK, m_file.Writer()->SetProfile(m_file.Profile()));
    EXPECT_EQ(S_OK, m_file.Writer()->SetInputProps(0, nullptr));
    ComPtr<IWMInputMediaProps> props;
    EXPECT_EQ(E_NOTIMPL, m_file.Writer()->GetInputProps(0, &props));
}

TEST_F(WmfWriterTest, SampleBuffersHoldUpToTheirSize)
{
    INSSBuffer* pBuffer = nullptr;
    ASSERT_EQ(S_OK, m_file.Writer()->AllocateSample(1000, &pBuffer));
    DWORD dwMax = 0, dwLength = 99;
    pBuffer->GetMaxLength(&dwMax);
    pBuffer->GetLength(&dwLength);
    EXPECT_EQ(1000u, dwMax);
    EXPECT_EQ(0u, dwLength);
    EXPECT_EQ(E_INVALIDARG, pBuffer->SetLength(1001));
    EXPECT_EQ(S_OK, pBuffer->SetLength(1000));
    BYTE* pData = nullptr;
    EXPECT_EQ(S_OK, pBuffer->GetBufferAndLength(&pData, &dwLength));
    EXPECT_NE(nullptr, pData);
    EXPECT_EQ(1000u, dwLength);
    pBuffer->Release();
}

// Every packet has the declared size, so the data object is a whole number of packets.
TEST_F(WmfWriterTest, MegabyteSampleNeverMakesAPacketLargerThanDeclared)
{
    ASSERT_EQ(S_OK, m_file.AddStream(WMMEDIATYPE_Video, 1, &m_videoType));
    ASSERT_TRUE(m_file.SetPacketSize(1024));
    EXPECT_FALSE(m_file.SetPacketSize(100)) << "too small for any payload";
    const std::wstring path = TempPath(L"orv-wmf-big.wmv");
    ASSERT_EQ(S_OK, m_file.Begin(path, false));
    EXPECT_FALSE(m_file.SetPacketSize(2048)) << "not while writing";
    std::vector<BYTE> frame(1 << 20);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<BYTE>(i * 7);
    ASSERT_EQ(S_OK, m_file.Write(1, 0, 100, WM_SF_CLEANPOINT, frame));
    ASSERT_EQ(S_OK, m_file.End());

    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
    std::vector<BYTE> bytes(static_cast<size_t>(FileSize(path)));
    DWORD cbRead = 0;
    ReadFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &cbRead, nullptr);
    CloseHandle(hFile);
    DeleteFileW(path.c_str());
    ULONGLONG cbHeader = 0, cbData = 0, nPackets = 0;
    memcpy(&cbHeader, &bytes[16], 8);
    memcpy(&cbData, &bytes[cbHeader + 16], 8);
    memcpy(&nPackets, &bytes[cbHeader + 40], 8);
    EXPECT_EQ(50 + nPackets * 1024, cbData);
    // 1 MB in payloads of at most 1024 - 14 - 17 bytes.
    EXPECT_EQ((frame.size() + 992) / 993, nPackets);
}

TEST(WmfRuntime, WineRuntimeCannotWriteSoTheBuiltInOneIsUsed)
{
    EXPECT_FALSE(CWmfRuntime::IsSystemRuntime());
    ComPtr<IWMProfileManager> manager;
    ASSERT_EQ(S_OK, CWmfRuntime::CreateProfileManager(&manager));
    ComPtr<IWMProfile> profile;
    EXPECT_EQ(S_OK, manager->CreateEmptyProfile(WMT_VER_9_0, &profile));
    ComPtr<IWMWriter> writer;
    ASSERT_EQ(S_OK, CWmfRuntime::CreateWriter(nullptr, &writer));
    ComPtr<IWMHeaderInfo3> info;
    EXPECT_EQ(S_OK, writer->QueryInterface(IID_IWMHeaderInfo3, info.Out()));
    EXPECT_EQ(S_OK, writer->SetProfile(profile.p)) << "profiles and writers come from one runtime";
}

} // namespace
