#include "app/CCaptureGraph.h"

#include "drivers/vidcap/VidcapProtocol.h"
#include "pipeline/PerfClock.h"

namespace {

const DWORD kSoundWaitMs = 3000;
const int kMinimumSide = CCaptureGraph::MIN_SIDE;

int Width(const RECT& rect)
{
    return rect.right - rect.left;
}

int Height(const RECT& rect)
{
    return rect.bottom - rect.top;
}

} // namespace

CCaptureGraph::CCaptureGraph()
    : m_grabber(VIDCAP_SERVICE_NAME, VIDCAP_DEVICE_DESCRIPTION), m_videoTimeLine(true),
      m_audioTimeLine(false), m_pVideoStreams{&m_aviVideoStream, &m_wmvVideoStream},
      m_pAudioStreams{&m_aviAudioStream, &m_wmvAudioStream}, m_pWriters{&m_aviWriter, &m_wmvWriter}
{
    Encoder().Load();
    m_aviWriter.SetFormatName("Audio Video Interleaved");
    m_aviWriter.SetExtension("avi");
    m_wmvWriter.SetFormatName("Windows Media Video");
    m_wmvWriter.SetExtension("wmv");
    for (CMediaWriter* pWriter : m_pWriters)
        pWriter->Initialize();
}

CCaptureGraph::~CCaptureGraph()
{
    // Threads first: the sources feed the streams, the writers drain them.
    m_secondCapture.Stop();
    m_capture.Stop();
    m_videoSource.Stop();
    for (CMediaWriter* pWriter : m_pWriters)
        pWriter->Stop();
    m_grabber.Shutdown();
}

int CCaptureGraph::InitializeGrabber()
{
    return m_grabber.Initialize();
}

CCaptureGraph::BeginResult CCaptureGraph::Begin(const RecordingSetup& setup)
{
    ClearSoundStopped();
    if (!BeginVideo(setup))
        return BEGIN_VIDEO_FAILED;
    if (!BeginAudio(setup))
        return BEGIN_AUDIO_FAILED;
    if (!BeginWriter(setup))
        return BEGIN_WRITER_FAILED;
    return BEGIN_OK;
}

int CCaptureGraph::BeginVideo(const RecordingSetup& setup)
{
    const RECT& rect = setup.rect;
    if (Width(rect) < kMinimumSide || Height(rect) < kMinimumSide)
        return 0;
    CMediaWriter* pWriter = Writer(setup.nFormat);
    CMediaStream* pStream = VideoStream(setup.nFormat);

    m_grabber.SetCaptureRect(rect);
    m_videoSource.SetGrabber(&m_grabber);
    m_videoSource.SetWidth(Width(rect));
    m_videoSource.SetHeight(Height(rect));
    m_videoSource.SetFrameRate(setup.nFps);
    m_videoSource.SetDataRate(0);
    m_videoSource.SetPointerOptions(setup.bRecordPointer != FALSE, setup.bHighlightPointer != FALSE,
                                    setup.bShowClicks != FALSE);

    if (!m_compressor.SetInputFormat(m_videoSource.GetFormat(), m_videoSource.GetFormatSize()))
        return 0;
    m_compressor.SetRate(m_videoSource.GetFrameRate());
    m_compressor.SetScale(1);
    m_compressor.SetDataRate(m_videoSource.GetDataRate());
    if (!m_compressor.Begin())
        return 0;

    if (!pStream->SetEncoder(&m_compressor, 0))
        return 0;
    pStream->SetWriter(pWriter);
    if (!pWriter->AddStream(pStream) || !m_videoTimeLine.Begin(pStream))
        return 0;
    m_videoSource.SetTarget(m_videoPause.Begin(&m_videoTimeLine));
    // A frame that cannot be compressed or captured ends the source: the window is told.
    m_videoSource.SetEndNotify(setup.hNotify, setup.nNotifyMsg, EVENT_VIDEO_FAILED);
    return m_videoSource.Start();
}

int CCaptureGraph::BeginAudio(const RecordingSetup& setup)
{
    CMediaWriter* pWriter = Writer(setup.nFormat);
    CMediaStream* pStream = AudioStream(setup.nFormat);
    CMp3Encoder& encoder = Encoder();

    encoder.SetChannels(2);
    encoder.SetSampleRate(setup.nSampleRate);
    encoder.SetQuality(setup.nQuality);
    encoder.SetVbr(pStream->IsVariableBitRate() != 0);
    if (!encoder.Open())
        return 0;

    const DWORD dwVolume = 0xFFFF - (setup.dwVolumeSlider & 0xFFFF);
    m_capture.SetVolume(dwVolume, dwVolume);
    m_capture.SetBitsPerSample(16);
    m_capture.SetChannels(2);
    m_capture.SetSampleRate(setup.nSampleRate);
    m_capture.SetBlockSize(encoder.InputBlockBytes());

    if (!pStream->SetEncoder(&encoder, 0))
        return 0;
    pStream->SetWriter(pWriter);
    if (!pWriter->AddStream(pStream) || !m_audioTimeLine.Begin(pStream))
        return 0;
    CMediaStream* pTarget = m_audioPause.Begin(&m_audioTimeLine);
    if (BeginSecondSound(setup, pTarget))
        pTarget = &m_mixer;
    if (!m_capture.SetStream(pTarget))
        return 0;
    if (!m_capture.Start())
        return 0;
    WaitForFirstSound();
    return 1;
}

// The second device records like the first (same rate, block size and format); its volume is
// applied as it is mixed, since no input of its own mixer is chosen.
bool CCaptureGraph::BeginSecondSound(const RecordingSetup& setup, CMediaStream* pTarget)
{
    m_bMixing = false;
    m_bSecondFailed = false;
    if (setup.nSecondDevice < 0)
        return false;
    m_secondCapture.SetDevice(UINT(setup.nSecondDevice));
    m_secondCapture.SetInput(-1);
    m_secondCapture.SetBitsPerSample(16);
    m_secondCapture.SetChannels(2);
    m_secondCapture.SetSampleRate(setup.nSampleRate);
    m_secondCapture.SetBlockSize(Encoder().InputBlockBytes());
    m_mixer.SetSecondVolume(setup.dwSecondVolume);
    m_mixer.Begin(pTarget, &m_capture, &m_secondCapture, DWORD(setup.nSampleRate));
    if (!m_secondCapture.SetStream(m_mixer.SecondInput()) || !m_secondCapture.Start()) {
        m_bSecondFailed = true;
        return false;
    }
    m_bMixing = true;
    return true;
}

bool CCaptureGraph::SecondSoundStopped(DWORD* pdwAtMs) const
{
    DWORD dwAtMs = 0;
    if (!m_secondCapture.SoundStopped(&dwAtMs))
        return false;
    // The second's time line begins where it does on the first's.
    DWORD dwFirst = 0;
    DWORD dwSecond = 0;
    if (m_capture.ClockOrigin(&dwFirst) && m_secondCapture.ClockOrigin(&dwSecond)) {
        const LONG nShift = LONG(dwSecond - dwFirst);
        dwAtMs = nShift < 0 && DWORD(-nShift) > dwAtMs ? 0 : DWORD(LONG(dwAtMs) + nShift);
    }
    if (pdwAtMs)
        *pdwAtMs = dwAtMs;
    return true;
}

void CCaptureGraph::ClearSoundStopped()
{
    m_capture.ClearSoundStopped();
    m_secondCapture.ClearSoundStopped();
}

void CCaptureGraph::WaitForFirstSound()
{
    // Some sound servers take a second or two to hand over the first block. The picture's and
    // the sound's time lines both start when the writer starts, so the writer waits for the
    // sound to flow (for a while, not for ever: silence is no reason to refuse a recording).
    const DWORD dwStart = GetTickCount();
    while (!m_capture.IsReceiving() && GetTickCount() - dwStart < kSoundWaitMs)
        Sleep(10);
}

int CCaptureGraph::BeginWriter(const RecordingSetup& setup)
{
    CMediaWriter* pWriter = Writer(setup.nFormat);
    if (!pWriter->SetFileName(setup.pszFileName))
        return 0;
    pWriter->SetNotify(setup.hNotify, setup.nNotifyMsg);
    return pWriter->Start();
}

void CCaptureGraph::End(int nFormat)
{
    CMp3Encoder& encoder = Encoder();
    CMediaStream* pAudioStream = AudioStream(nFormat);
    // The second device stops first, so that the first's last blocks no longer wait for it;
    // what still waits is passed on once the first has stopped too.
    m_secondCapture.Stop();
    m_capture.Stop();
    if (m_bMixing) {
        m_mixer.Flush();
        m_bMixing = false;
    }
    if (encoder.IsOpen()) {
        encoder.End();
        // The flushed frames are MP3 already: they are queued as they are, since the audio
        // stream's own Deliver would take them for PCM and encode them again. This is the
        // window's thread: it never waits for room in the writer's queue.
        if (encoder.OutputSize() > 0 && pAudioStream)
            pAudioStream->DeliverNow(encoder.OutputBuffer(), encoder.OutputSize(), pAudioStream->GetNextTime(),
                                     m_capture.BlockDurationMs(), 0);
    }

    m_videoSource.Stop();
    m_grabber.AskForNothing();
    if (m_compressor.IsStarted())
        m_compressor.End();

    CMediaWriter* pWriter = Writer(nFormat);
    pWriter->Stop();
    pWriter->ClearStreams();
}

CCaptureGraph::BeginResult CCaptureGraph::Continue(const RecordingSetup& setup)
{
    CMediaWriter* pWriter = Writer(setup.nFormat);
    // Held in this order only: each source holds its own alone. A source waiting for room in
    // the queue gets it, since the writer goes on writing until it is stopped; Stop then
    // writes everything queued into the full file.
    CScopedLock videoHeld(m_videoTimeLine.Switching());
    CScopedLock audioHeld(m_audioTimeLine.Switching());
    pWriter->Stop();
    // The video stream takes the compressor again: what it keeps of a file starts anew too.
    BeginResult result = BEGIN_OK;
    if (!m_compressor.Begin() || !VideoStream(setup.nFormat)->SetEncoder(&m_compressor, 0))
        result = BEGIN_VIDEO_FAILED;
    else if (!BeginWriter(setup))
        result = BEGIN_WRITER_FAILED;
    m_videoTimeLine.NewFile();
    m_audioTimeLine.NewFile();
    return result;
}

void CCaptureGraph::Pause()
{
    if (m_videoPause.IsPaused())
        return;
    m_nPausedAt = PerfClock(1000);
    m_videoPause.Pause();
    m_audioPause.Pause();
}

void CCaptureGraph::Resume()
{
    if (!m_videoPause.IsPaused())
        return;
    // Both time lines skip the same span, so picture and sound stay as they were to each other;
    // whole frames of it, so that no picture moves off its place in the file.
    const LONGLONG nSpan = PerfClock(1000) - m_nPausedAt;
    const DWORD dwSpan =
        CPauseTimeLine::WholeFrames(nSpan > 0 ? static_cast<DWORD>(nSpan) : 0, m_videoSource.GetFrameRate());
    m_videoPause.Resume(dwSpan);
    m_audioPause.Resume(dwSpan);
}
