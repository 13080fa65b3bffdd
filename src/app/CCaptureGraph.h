#pragma once

#include <windows.h>

#include "audio/CSoundMixer.h"
#include "audio/CWaveInCapture.h"
#include "codec/CVideoCompressor.h"
#include "pipeline/CFileTimeLine.h"
#include "pipeline/CPauseTimeLine.h"
#include "video/CScreenGrabber.h"
#include "video/CScreenVideoSource.h"
#include "writer/CAviAudioStream.h"
#include "writer/CAviVideoStream.h"
#include "writer/CAviWriter.h"
#include "writer/CWmvAudioStream.h"
#include "writer/CWmvVideoStream.h"
#include "writer/CWmvWriter.h"

// What one recording is made of, taken from the main window's settings.
struct RecordingSetup
{
    int nFormat;          // output format index: 0 AVI, 1 WMV
    RECT rect;            // the capture rectangle on the desktop
    UINT nFps;            // frames per second as typed (the source uses at least 1)
    int nSampleRate;      // Hz
    int nQuality;         // audio quality index, 0 best .. 9
    DWORD dwVolumeSlider; // slider position: the volume is 65535 minus it
    const char* pszFileName;
    HWND hNotify; // receives nNotifyMsg (lParam: a CCaptureGraph event)
    UINT nNotifyMsg;
    // Options the video source and the sound side are to honour.
    BOOL bRecordPointer;
    BOOL bHighlightPointer;
    BOOL bShowClicks;
    int nSecondDevice;    // a second wave-in device mixed in; -1 none
    DWORD dwSecondVolume; // its volume, 0 .. 65535
};

// The capture graph the main window owns for the life of the process: two video streams, two
// audio streams and two writers (lists indexed by the output format, so the format alone
// decides what is wired together), the screen grabber, the timed video source, the video
// compressor and the wave-in capture with its MP3 encoder.
class CCaptureGraph
{
public:
    enum { FORMAT_AVI = 0, FORMAT_WMV = 1, FORMAT_COUNT = 2 };
    // The smallest width and height of a recorded rectangle, in pixels.
    enum { MIN_SIDE = 64 };
    static bool IsLargeEnough(const RECT& rect)
    {
        return rect.right - rect.left >= MIN_SIDE && rect.bottom - rect.top >= MIN_SIDE;
    }
    // Which part of a start failed: the main window's detail message for it.
    enum BeginResult { BEGIN_OK = 0, BEGIN_VIDEO_FAILED, BEGIN_AUDIO_FAILED, BEGIN_WRITER_FAILED };
    // What a running recording tells the window (the lParam of the setup's notify message): the
    // writer's two events, and the video source's end after a failed frame or capture.
    enum Event { EVENT_WRITE_FAILED = 0, EVENT_SIZE_LIMIT = 1, EVENT_VIDEO_FAILED = 2 };

    CCaptureGraph();
    ~CCaptureGraph();

    // Attaches the capture driver and maps its memory; 0 when screen capture is unavailable.
    int InitializeGrabber();

    // Wires the video chain, then the audio chain, then starts the writer. The sources start
    // before the writer, so their first samples wait in its queue.
    BeginResult Begin(const RecordingSetup& setup);
    // Stops the sources (flushing the encoder into the audio stream), ends the compressor,
    // stops the writer (what is queued is written first) and empties its stream list.
    // Harmless when nothing runs.
    void End(int nFormat);
    // Carries a running recording on into the file named in the setup once the writer's
    // file is full. The sources keep running: opening the sound device again would take the
    // sound server a second or two, all of it missing from the recording. Their samples
    // wait while the writer closes the full file and opens the next; the compressor starts
    // again so that the new file begins with a key frame, and each file's time line begins
    // with its first samples. What was queued for the full file is written into it first.
    BeginResult Continue(const RecordingSetup& setup);

    // True when the sound of the recording ended before it did (its device was lost);
    // pdwAtMs receives where, in milliseconds from the start of the recording.
    bool SoundStopped(DWORD* pdwAtMs) const { return m_capture.SoundStopped(pdwAtMs); }
    // The second sound device: true when the recording asked for one and it could not be
    // opened (the recording goes on with the first alone).
    bool SecondSoundFailed() const { return m_bSecondFailed; }
    // True when the second device's sound ended before the recording did; pdwAtMs as above.
    bool SecondSoundStopped(DWORD* pdwAtMs) const;
    // Forgets that the sound (of either device) ended early.
    void ClearSoundStopped();

    // Pause: the sources keep running, their samples are held back and every later time moves
    // back by the paused span, so the file holds no paused time and resuming costs nothing.
    void Pause();
    void Resume();
    bool IsPaused() const { return m_videoPause.IsPaused(); }
    // How long the recording is so far, pauses left out, across every continued file.
    DWORD RecordedMs() const { return m_videoPause.RecordedMs(); }

    CMediaWriter* Writer(int nFormat) const { return m_pWriters[Clamp(nFormat)]; }
    CMediaStream* VideoStream(int nFormat) const { return m_pVideoStreams[Clamp(nFormat)]; }
    CMediaStream* AudioStream(int nFormat) const { return m_pAudioStreams[Clamp(nFormat)]; }
    CScreenGrabber& Grabber() { return m_grabber; }
    CScreenVideoSource& VideoSource() { return m_videoSource; }
    CVideoCompressor& Compressor() { return m_compressor; }
    CWaveInCapture& Capture() { return m_capture; }
    CMp3Encoder& Encoder() { return m_capture.Encoder(); }

    static int Clamp(int nFormat) { return nFormat >= 0 && nFormat < FORMAT_COUNT ? nFormat : 0; }

private:
    CCaptureGraph(const CCaptureGraph&) = delete;
    CCaptureGraph& operator=(const CCaptureGraph&) = delete;

    int BeginVideo(const RecordingSetup& setup);
    int BeginAudio(const RecordingSetup& setup);
    int BeginWriter(const RecordingSetup& setup);
    void WaitForFirstSound();
    // Starts the second device into the mixer; false when it cannot record.
    bool BeginSecondSound(const RecordingSetup& setup, CMediaStream* pTarget);

    CAviVideoStream m_aviVideoStream;
    CWmvVideoStream m_wmvVideoStream;
    CAviAudioStream m_aviAudioStream;
    CWmvAudioStream m_wmvAudioStream;
    CAviWriter m_aviWriter;
    CWmvWriter m_wmvWriter;
    CScreenGrabber m_grabber;
    CScreenVideoSource m_videoSource;
    CVideoCompressor m_compressor;
    CWaveInCapture m_capture;
    // A second device mixed into the first's blocks, when the recording asks for one.
    CWaveInCapture m_secondCapture;
    CSoundMixer m_mixer;
    bool m_bSecondFailed = false;
    bool m_bMixing = false;
    CFileTimeLine m_videoTimeLine;
    CFileTimeLine m_audioTimeLine;
    // Between each source and its file relay.
    CPauseTimeLine m_videoPause{CPauseTimeLine::TIMED};
    CPauseTimeLine m_audioPause{CPauseTimeLine::CONTIGUOUS};
    LONGLONG m_nPausedAt = 0;

    CMediaStream* m_pVideoStreams[FORMAT_COUNT];
    CMediaStream* m_pAudioStreams[FORMAT_COUNT];
    CMediaWriter* m_pWriters[FORMAT_COUNT];
};
