// Records sound from the default wave-in device through the capture thread, together with
// video frames from a paced test source, into an AVI file, wired the way a recording is:
// video chain, then audio chain (encoder, capture settings, stream), then the writer.
// While it records, a 1 kHz tone plays into the default wave-out device.
// Usage: audio_recording.exe <file.avi> [seconds]
// Prints key=value lines; exit code 0 on success.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/CWaveInCapture.h"
#include "codec/CMp3Encoder.h"
#include "codec/CVideoCompressor.h"
#include "pipeline/CWorkerThread.h"
#include "pipeline/PerfClock.h"
#include "writer/CAviAudioStream.h"
#include "writer/CAviVideoStream.h"
#include "writer/CAviWriter.h"

namespace {
const DWORD kFps = 25;
const DWORD kSampleRate = 44100;
const LONG kWidth = 160;
const LONG kHeight = 120;

std::string ProgramFolder()
{
    char szPath[MAX_PATH];
    DWORD nLength = GetModuleFileNameA(nullptr, szPath, sizeof szPath);
    std::string path(szPath, nLength);
    return path.substr(0, path.find_last_of('\\') + 1);
}

BITMAPINFOHEADER FrameFormat()
{
    BITMAPINFOHEADER bmih = {};
    bmih.biSize = sizeof bmih;
    bmih.biWidth = kWidth;
    bmih.biHeight = kHeight;
    bmih.biPlanes = 1;
    bmih.biBitCount = 32;
    bmih.biCompression = BI_RGB;
    bmih.biSizeImage = kWidth * 4 * kHeight;
    return bmih;
}

// Delivers a frame every 40 ms while the writer writes, stamped in ms since the first one.
class CPacedFrames : public CWorkerThread
{
public:
    explicit CPacedFrames(CMediaStream* pStream) : m_pStream(pStream), m_pixels(kWidth * kHeight, 0x00808080) {}
    ~CPacedFrames() override { CWorkerThread::Stop(); }
    DWORD Frames() const { return m_nFrames; }

protected:
    int OnThreadStart() override
    {
        m_bStarted = false;
        m_nFrames = 0;
        return 1;
    }
    int Step() override
    {
        Sleep(1000 / kFps);
        CMediaWriter* pWriter = m_pStream->GetWriter();
        if (!pWriter || !pWriter->IsWriting())
            return 1;
        DWORD dwNow = DWORD(PerfClock(1000));
        if (!m_bStarted) {
            m_bStarted = true;
            m_dwFirst = dwNow;
        }
        LONG nBar = LONG(m_nFrames * 4 % kWidth);
        for (LONG y = 0; y < kHeight; ++y)
            for (LONG x = 0; x < kWidth; ++x)
                m_pixels[y * kWidth + x] = (x >= nBar && x < nBar + 8) ? 0x00FF4020 : 0x00808080;
        m_pStream->Deliver(m_pixels.data(), DWORD(m_pixels.size() * 4), dwNow - m_dwFirst, 1000 / kFps, 0);
        ++m_nFrames;
        return 1;
    }

private:
    CMediaStream* m_pStream;
    std::vector<DWORD> m_pixels;
    bool m_bStarted = false;
    DWORD m_dwFirst = 0;
    DWORD m_nFrames = 0;
};

// A stereo sine tone on the default wave-out device for as long as it lives.
class CTone
{
public:
    CTone(double dFrequency, DWORD dwSeconds) : m_samples(size_t(kSampleRate) * dwSeconds * 2)
    {
        for (size_t i = 0; i < m_samples.size(); ++i)
            m_samples[i] = short(12000 * sin(2 * 3.14159265358979 * dFrequency * double(i / 2) / kSampleRate));
        WAVEFORMATEX format = {WAVE_FORMAT_PCM, 2, kSampleRate, kSampleRate * 4, 4, 16, 0};
        if (waveOutOpen(&m_hWaveOut, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
            m_hWaveOut = nullptr;
            return;
        }
        m_header.lpData = reinterpret_cast<LPSTR>(m_samples.data());
        m_header.dwBufferLength = DWORD(m_samples.size() * sizeof(short));
        waveOutPrepareHeader(m_hWaveOut, &m_header, sizeof(m_header));
        waveOutWrite(m_hWaveOut, &m_header, sizeof(m_header));
    }
    ~CTone()
    {
        if (!m_hWaveOut)
            return;
        waveOutReset(m_hWaveOut);
        waveOutUnprepareHeader(m_hWaveOut, &m_header, sizeof(m_header));
        waveOutClose(m_hWaveOut);
    }
    bool IsPlaying() const { return m_hWaveOut != nullptr; }

private:
    std::vector<short> m_samples;
    HWAVEOUT m_hWaveOut = nullptr;
    WAVEHDR m_header = {};
};

int Fail(const char* pszWhat)
{
    std::printf("error=%s\n", pszWhat);
    return 1;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Fail("usage");
    const char* pszFile = argv[1];
    DWORD dwSeconds = argc > 2 ? DWORD(std::atoi(argv[2])) : 10;

    CTone tone(1000.0, dwSeconds + 5);
    if (!tone.IsPlaying())
        return Fail("tone");

    CAviWriter writer;
    CAviVideoStream video;
    CAviAudioStream audio;
    CWaveInCapture capture;
    CVideoCompressor compressor;
    CPacedFrames frames(&video);
    writer.Initialize();

    // Video chain.
    BITMAPINFOHEADER input = FrameFormat();
    std::vector<std::string> names;
    compressor.SetInputFormat(&input, sizeof input);
    compressor.SetRate(kFps);
    compressor.SetScale(1);
    if (!compressor.BuildCatalogue(names) || !compressor.Select(0) || !compressor.Begin())
        return Fail("compressor");
    if (!video.SetEncoder(&compressor, 0))
        return Fail("video stream");
    video.SetWriter(&writer);
    writer.AddStream(&video);
    if (!frames.Start())
        return Fail("frames");

    // Audio chain.
    CMp3Encoder& encoder = capture.Encoder();
    if (!encoder.Load((ProgramFolder() + "..\\lame_enc.dll").c_str()))
        return Fail("lame_enc.dll");
    encoder.SetChannels(2);
    encoder.SetSampleRate(kSampleRate);
    encoder.SetQuality(5);
    encoder.SetVbr(audio.IsVariableBitRate() != 0);
    if (!encoder.Open())
        return Fail("encoder");
    capture.SetVolume(20000, 20000);
    capture.SetBitsPerSample(16);
    capture.SetChannels(2);
    capture.SetSampleRate(kSampleRate);
    capture.SetBlockSize(encoder.InputBlockBytes());
    if (!audio.SetEncoder(&encoder, 0))
        return Fail("audio stream");
    capture.SetStream(&audio);
    audio.SetWriter(&writer);
    writer.AddStream(&audio);
    if (!capture.Start())
        return Fail("capture");
    // The sound server takes a moment before it streams; a recording starts by hand, later.
    DWORD dwOpened = GetTickCount();
    while (!capture.IsReceiving() && GetTickCount() - dwOpened < 5000)
        Sleep(10);
    if (!capture.IsReceiving())
        return Fail("no sound from the device");
    std::printf("first_block_ms=%lu\n", GetTickCount() - dwOpened);
    Sleep(200);

    writer.SetFileName(pszFile);
    if (!writer.Start())
        return Fail("writer");
    // The recording lasts dwSeconds from its first frame, by the video clock. Stopping takes one
    // more frame and one more sound block, and the encoder's last frames follow: it is asked
    // to stop one frame early.
    DWORD dwStopAt = dwSeconds * 1000 - 1000 / kFps;
    DWORD dwWriterStart = GetTickCount();
    while (video.GetNextTime() < dwStopAt && GetTickCount() - dwWriterStart < dwSeconds * 1000 + 5000)
        Sleep(2);

    // End: sound first, with the encoder's last frames, then video, then the file.
    capture.Stop();
    DWORD nFlushed = 0;
    if (encoder.IsOpen()) {
        encoder.End();
        nFlushed = encoder.OutputSize();
        if (nFlushed)
            audio.CMediaStream::Deliver(encoder.OutputBuffer(), nFlushed, audio.GetNextTime(),
                                        capture.BlockDurationMs(), 0);
    }
    DWORD dwAudioEnd = audio.GetNextTime();
    frames.Stop();
    compressor.End();
    DWORD dwVideoEnd = video.GetNextTime();
    writer.Stop();
    writer.ClearStreams();

    std::printf("frames=%lu\naudio_blocks=%lu\naudio_end_ms=%lu\nvideo_end_ms=%lu\nflushed=%lu\n", frames.Frames(),
                capture.BlockCount(), dwAudioEnd, dwVideoEnd, nFlushed);
    return 0;
}
