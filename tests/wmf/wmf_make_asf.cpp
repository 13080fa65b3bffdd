// Writes an ASF file through the built-in Windows Media runtime:
//   wmf_make_asf MODE OUT.wmv [SECONDS] [PACKET_SIZE]
// MODE: av (ZMBV video 160x120 at 10 fps with a key frame every second, plus an MP3 tone),
//       big (512x512 uncompressed-in-zlib key frames of over 1 MB, plus the tone),
//       video, audio (one stream only), empty (both streams, nothing written),
//       crash (as av, but the process ends after a Flush, without EndWriting).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "wmf/Mp3ToneSource.h"
#include "wmf/WmfTestFile.h"
#include "wmf/ZmbvFrameSource.h"

namespace {

struct Plan
{
    int nWidth = 160;
    int nHeight = 120;
    int nLevel = Z_DEFAULT_COMPRESSION;
    DWORD dwFps = 10;
    DWORD dwKeyInterval = 10;
    DWORD dwSeconds = 3;
    DWORD cbPacket = 0;
    bool bVideo = true;
    bool bAudio = true;
    bool bCrash = false;
};

int Fail(const char* pszWhat, HRESULT hr)
{
    fprintf(stderr, "%s failed: 0x%08lx\n", pszWhat, static_cast<unsigned long>(hr));
    return 1;
}

int Write(const std::wstring& path, const Plan& plan)
{
    ZmbvFrameSource video(plan.nWidth, plan.nHeight, plan.nLevel);
    Mp3ToneSource audio;
    if (plan.bAudio && !audio.Open())
        return Fail("lame_enc.dll", E_FAIL);
    WmfTestFile file;
    if (!file.Create())
        return Fail("runtime", E_FAIL);
    if (plan.cbPacket && !file.SetPacketSize(plan.cbPacket))
        return Fail("packet size", E_INVALIDARG);

    std::vector<BYTE> videoFormat = WmfTestFile::VideoFormat(video.Format(), 10000000ll / plan.dwFps);
    WM_MEDIA_TYPE videoType = WmfTestFile::VideoType(videoFormat);
    MPEGLAYER3WAVEFORMAT wave = audio.WaveFormat();
    WM_MEDIA_TYPE audioType = WmfTestFile::AudioType(wave);
    HRESULT hr = S_OK;
    if (plan.bVideo && FAILED(hr = file.AddStream(WMMEDIATYPE_Video, 1, &videoType)))
        return Fail("video stream", hr);
    if (plan.bAudio && FAILED(hr = file.AddStream(WMMEDIATYPE_Audio, 2, &audioType)))
        return Fail("audio stream", hr);
    if (FAILED(hr = file.Begin(path, plan.bAudio)))
        return Fail("begin", hr);

    const DWORD dwFrameMs = 1000 / plan.dwFps;
    const DWORD dwEndMs = plan.dwSeconds * 1000;
    DWORD nFrame = 0, nBlock = 0;
    std::vector<BYTE> data;
    for (;;) {
        const DWORD dwVideoMs = plan.bVideo ? nFrame * dwFrameMs : dwEndMs;
        const DWORD dwAudioMs = plan.bAudio ? audio.BlockStartMs(nBlock) : dwEndMs;
        if (dwVideoMs >= dwEndMs && dwAudioMs >= dwEndMs)
            break;
        if (dwVideoMs <= dwAudioMs) {
            const bool bKey = nFrame % plan.dwKeyInterval == 0;
            if (!video.Next(bKey, data))
                return Fail("zmbv", E_FAIL);
            if (FAILED(hr = file.Write(1, dwVideoMs, dwFrameMs, bKey ? WM_SF_CLEANPOINT : 0, data)))
                return Fail("video sample", hr);
            ++nFrame;
        } else {
            if (!audio.NextBlock(data))
                return Fail("mp3", E_FAIL);
            const DWORD dwDuration = audio.BlockStartMs(nBlock + 1) - dwAudioMs;
            if (!data.empty() && FAILED(hr = file.Write(2, dwAudioMs, dwDuration, 0, data)))
                return Fail("audio sample", hr);
            ++nBlock;
        }
    }
    if (plan.bCrash) {
        if (FAILED(hr = file.Writer()->Flush()))
            return Fail("flush", hr);
        ExitProcess(0); // no EndWriting, no clean-up: as if the program died here
    }
    if (FAILED(hr = file.End()))
        return Fail("end", hr);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    Plan plan;
    const std::string mode = argv[1];
    if (argc > 3)
        plan.dwSeconds = static_cast<DWORD>(atoi(argv[3]));
    if (argc > 4)
        plan.cbPacket = static_cast<DWORD>(atoi(argv[4]));
    if (mode == "big") {
        plan.nWidth = plan.nHeight = 512;
        plan.nLevel = Z_NO_COMPRESSION;
        plan.dwFps = 5;
        plan.dwKeyInterval = 5;
    } else if (mode == "video") {
        plan.bAudio = false;
    } else if (mode == "audio") {
        plan.bVideo = false;
    } else if (mode == "crash") {
        plan.bCrash = true;
    } else if (mode == "empty") {
        plan.dwSeconds = 0;
    } else if (mode != "av") {
        return 2;
    }
    wchar_t szPath[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, argv[2], -1, szPath, MAX_PATH))
        return 2;
    return Write(szPath, plan);
}
