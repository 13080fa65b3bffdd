#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/CRecoveryScan.h"
#include "writer/AviTestFiles.h"
#include "writer/CAviRecoveryRecord.h"
#include "writer/KilledAviFile.h"

using namespace avitest;

namespace {
const LONG kWidth = 64, kHeight = 48, kFps = 20;

// The record the AVI writer keeps beside a file of RGB pictures and MP3 sound.
void WriteRecord(const std::string& folder, const char* pszName)
{
    CAviRecoveryRecord record;
    record.SetFileName(pszName);
    AVISTREAMHEADER video = {};
    video.fccType = streamtypeVIDEO;
    video.dwScale = 1;
    video.dwRate = kFps;
    video.dwQuality = 0xFFFFFFFF;
    video.rcFrame.right = kWidth;
    video.rcFrame.bottom = kHeight;
    const BITMAPINFOHEADER bmih = RgbFormat(kWidth, kHeight);
    record.AddStream(video, &bmih, sizeof bmih);
    const MPEGLAYER3WAVEFORMAT wave = Mp3Format();
    AVISTREAMHEADER audio = {};
    audio.fccType = streamtypeAUDIO;
    audio.fccHandler = WAVE_FORMAT_MPEGLAYER3;
    audio.dwScale = 1;
    audio.dwRate = wave.wfx.nAvgBytesPerSec;
    audio.dwSampleSize = 1;
    audio.dwQuality = 0xFFFFFFFF;
    record.AddStream(audio, &wave, sizeof wave);
    ASSERT_TRUE(record.Write(CAviRecoveryRecord::PathFor((folder + "\\" + pszName).c_str()).c_str()));
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(RecoveryScan, RepairsKilledRecordingsAndNamesTheOnesItCouldNot)
{
    TempFolder folder("orvane_recovery_scan");
    const DWORD cbPicture = RgbFormat(kWidth, kHeight).biSizeImage;
    // Killed while a sound chunk was being written: a key frame, an empty position, a frame.
    KilledAviFile killed;
    killed.Chunk("00db", cbPicture).Chunk("01wb", 834).Chunk("00dc", 0).Chunk("00dc", cbPicture).Chunk("01wb", 834);
    killed.CutLast(100).Save(folder.File("killed.avi"));
    WriteRecord(folder.Path(), "killed.avi");
    // Its data is not a recording's: the file and its record stay as they are.
    KilledAviFile foreign;
    foreign.Bytes(std::vector<BYTE>(5000, 0x5a)).Save(folder.File("foreign.avi"));
    WriteRecord(folder.Path(), "foreign.avi");
    // No record: never touched.
    killed.Save(folder.File("unknown.avi"));
    const std::vector<BYTE> foreignBytes = ReadWholeFile(folder.File("foreign.avi"));
    const std::vector<BYTE> unknownBytes = ReadWholeFile(folder.File("unknown.avi"));

    CRecoveryScan scan;
    ASSERT_TRUE(scan.Run(folder.Path().c_str()));
    EXPECT_EQ(std::vector<std::string>{"killed.avi"}, scan.Recovered());
    EXPECT_EQ(std::vector<std::string>{"foreign.avi"}, scan.Failed());
    const std::string notice(scan.Notice());
    EXPECT_NE(std::string::npos, notice.find("killed.avi")) << notice;
    EXPECT_NE(std::string::npos, notice.find("foreign.avi")) << notice;
    EXPECT_EQ(static_cast<DWORD>(NIIF_WARNING | NIIF_NOSOUND), scan.NoticeFlags());

    EXPECT_FALSE(Exists(folder.File("killed.avi.recovery")));
    EXPECT_FALSE(Exists(folder.File("killed.avi.repair")));
    std::vector<std::vector<BYTE>> pictures;
    const StreamReadBack video = ReadStream(folder.File("killed.avi"), streamtypeVIDEO, &pictures);
    ASSERT_TRUE(video.bOpened);
    ASSERT_EQ(3u, pictures.size());
    EXPECT_EQ(std::vector<DWORD>({cbPicture, 0, cbPicture}),
              std::vector<DWORD>({static_cast<DWORD>(pictures[0].size()), static_cast<DWORD>(pictures[1].size()),
                                  static_cast<DWORD>(pictures[2].size())}));
    EXPECT_EQ(kFps, static_cast<LONG>(video.info.dwRate));
    EXPECT_EQ(sizeof(BITMAPINFOHEADER), video.format.size());
    const StreamReadBack sound = ReadStream(folder.File("killed.avi"), streamtypeAUDIO);
    ASSERT_TRUE(sound.bOpened);
    EXPECT_EQ(834, sound.nLength);
    const std::vector<IndexEntry> index = ReadIndex(folder.File("killed.avi"));
    ASSERT_EQ(4u, index.size());
    EXPECT_EQ(static_cast<DWORD>(AVIIF_KEYFRAME), index[0].dwFlags);
    EXPECT_EQ(0u, index[3].dwFlags);

    EXPECT_TRUE(Exists(folder.File("foreign.avi.recovery")));
    EXPECT_EQ(foreignBytes, ReadWholeFile(folder.File("foreign.avi")));
    EXPECT_EQ(unknownBytes, ReadWholeFile(folder.File("unknown.avi")));

    // Told once: the next start finds nothing new to repair, only the file it could not.
    CRecoveryScan again;
    again.Run(folder.Path().c_str());
    EXPECT_TRUE(again.Recovered().empty());
}
} // namespace
