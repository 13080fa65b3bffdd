#include "audio/CWaveInCapture.h"

#include <algorithm>
#include <cstring>

#include "base/ScopedWin.h"
#include "pipeline/CMediaStream.h"
#include "pipeline/CMediaWriter.h"

namespace {
const DWORD kDefaultVolume = 20000;
const DWORD kMaxVolume = 0xFFFF;
// How often the loop looks at the running flag while no buffer comes back, and how long it
// still waits for the last block after a stop request (on top of one block's duration).
const DWORD kPollMs = 100;
const DWORD kStopGraceMs = 250;
// A device that returns nothing for this long (and for three blocks' time) is taken for lost;
// before its first block it is given longer, since some sound servers are slow to start.
const DWORD kSilenceLimitMs = 3000;
const DWORD kFirstBlockLimitMs = 10000;
} // namespace

CWaveInCapture::CWaveInCapture()
    : m_dwLeftVolume(kDefaultVolume), m_dwRightVolume(kDefaultVolume), m_cbRequestedBlock(0), m_hWaveIn(nullptr),
      m_nLastReturned(-1), m_nBlockCount(0), m_nInDevice(0), m_dwLastArrival(0), m_pStream(nullptr)
{
    ZeroMemory(&m_format, sizeof(m_format));
    m_format.wFormatTag = WAVE_FORMAT_PCM;
    m_format.nChannels = 2;
    m_format.nSamplesPerSec = 44100;
    m_format.wBitsPerSample = 16;
    ZeroMemory(m_headers, sizeof(m_headers));
}

CWaveInCapture::~CWaveInCapture()
{
    CWorkerThread::Stop();
}

void CWaveInCapture::SetVolume(DWORD dwLeft, DWORD dwRight)
{
    m_dwLeftVolume = std::min(dwLeft, kMaxVolume);
    m_dwRightVolume = std::min(dwRight, kMaxVolume);
}

bool CWaveInCapture::SetStream(CMediaStream* pStream)
{
    if (!pStream)
        return false;
    m_pStream = pStream;
    return true;
}

DWORD CWaveInCapture::BlockSize() const
{
    if (m_cbRequestedBlock == 0)
        return DWORD(m_format.wBitsPerSample) * m_format.nChannels * m_format.nSamplesPerSec / 8;
    DWORD cbSample = m_format.wBitsPerSample / 8;
    if (m_format.wBitsPerSample > 8 && cbSample > 0 && m_cbRequestedBlock % cbSample != 0)
        return m_cbRequestedBlock + cbSample - m_cbRequestedBlock % cbSample;
    return m_cbRequestedBlock;
}

DWORD CWaveInCapture::AvgBytesPerSec() const
{
    return m_format.nSamplesPerSec * (DWORD(m_format.wBitsPerSample) * m_format.nChannels / 8);
}

DWORD CWaveInCapture::BlockDurationMs() const
{
    return BlockTimeMs(1);
}

DWORD CWaveInCapture::BlockTimeMs(DWORD k) const
{
    DWORD dwRate = AvgBytesPerSec();
    if (dwRate == 0)
        return 0;
    return DWORD(ULONGLONG(double(BlockSize()) * k * 1000.0 / dwRate));
}

bool CWaveInCapture::SoundStopped(DWORD* pdwAtMs) const
{
    if (!m_bSoundStopped.load())
        return false;
    if (pdwAtMs)
        *pdwAtMs = m_dwStoppedAt.load();
    return true;
}

bool CWaveInCapture::ClockOrigin(DWORD* pdwTick) const
{
    if (!m_bHaveStartTime.load())
        return false;
    if (pdwTick)
        *pdwTick = m_dwStartTime.load();
    return true;
}

DWORD CWaveInCapture::SilenceLimitMs() const
{
    return std::max<DWORD>(kSilenceLimitMs, 3 * BlockDurationMs());
}

int CWaveInCapture::OnThreadStart()
{
    ClearSoundStopped();
    // Without a device, neither the mixer nor the device is asked: under Wine, opening one with
    // no sound server can block for seconds before it fails.
    if (!m_mixer.DeviceExists())
        return 0;
    if (!m_mixer.SelectInput(m_mixer.GetInput()))
        return 0;
    if (!m_mixer.SetInputVolume(m_dwLeftVolume, m_dwRightVolume))
        return 0;
    return OpenDevice() ? 1 : 0;
}

int CWaveInCapture::OnThreadEnd()
{
    CloseDevice();
    RestoreMixer();
    return 1;
}

bool CWaveInCapture::OpenDevice()
{
    m_format.nBlockAlign = WORD(m_format.wBitsPerSample * m_format.nChannels / 8);
    m_format.wFormatTag = WAVE_FORMAT_PCM;
    m_format.nAvgBytesPerSec = m_format.nSamplesPerSec * m_format.nBlockAlign;
    m_format.cbSize = 0;

    // The device posts its buffers to this thread: its message queue must exist first.
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);

    HWAVEIN hWaveIn = nullptr;
    if (Sound().pfnWaveInOpen(&hWaveIn, m_mixer.GetDevice(), &m_format, DWORD_PTR(GetCurrentThreadId()), 0,
                              CALLBACK_THREAD) != MMSYSERR_NOERROR)
        return false;
    m_hWaveIn = hWaveIn;
    if (!AllocateBuffers())
        return false;

    m_nInDevice = 0;
    for (int i = 0; i < kBufferCount; ++i)
        QueueBuffer(i);
    m_nLastReturned = -1;
    m_nBlockCount = 0;
    m_bHaveStartTime = false;
    m_dwStartTime = 0;
    m_dwLastArrival = GetTickCount();
    return m_nInDevice > 0 && Sound().pfnWaveInStart(m_hWaveIn) == MMSYSERR_NOERROR;
}

bool CWaveInCapture::AllocateBuffers()
{
    ZeroMemory(m_headers, sizeof(m_headers));
    DWORD cbBlock = BlockSize();
    if (cbBlock == 0)
        return false;
    for (WAVEHDR& header : m_headers) {
        header.dwBufferLength = cbBlock;
        header.dwUser = DWORD_PTR(GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, cbBlock));
        if (!header.dwUser)
            return false;
    }
    return true;
}

bool CWaveInCapture::QueueBuffer(int nIndex)
{
    if (nIndex < 0 || nIndex >= kBufferCount || !m_hWaveIn)
        return false;
    WAVEHDR& header = m_headers[nIndex];
    if (!header.dwUser || !header.dwBufferLength)
        return false;
    if (header.lpData)
        TakeBack(header);
    header.lpData = static_cast<LPSTR>(GlobalLock(HGLOBAL(header.dwUser)));
    if (!header.lpData)
        return false;
    ZeroMemory(header.lpData, header.dwBufferLength);
    header.dwBytesRecorded = 0;
    header.dwFlags = 0;
    if (Sound().pfnWaveInPrepareHeader(m_hWaveIn, &header, sizeof(header)) != MMSYSERR_NOERROR ||
        Sound().pfnWaveInAddBuffer(m_hWaveIn, &header, sizeof(header)) != MMSYSERR_NOERROR)
        return false;
    ++m_nInDevice;
    return true;
}

// Unprepares a locked header and unlocks its block.
void CWaveInCapture::TakeBack(WAVEHDR& header)
{
    if (m_hWaveIn)
        Sound().pfnWaveInUnprepareHeader(m_hWaveIn, &header, sizeof(header));
    GlobalUnlock(HGLOBAL(header.dwUser));
    header.lpData = nullptr;
}

void CWaveInCapture::CloseDevice()
{
    if (m_hWaveIn)
        Sound().pfnWaveInReset(m_hWaveIn);
    for (WAVEHDR& header : m_headers) {
        if (!header.dwUser)
            continue;
        CScopedGlobal block(HGLOBAL(header.dwUser));
        if (header.lpData)
            TakeBack(header);
    }
    ZeroMemory(m_headers, sizeof(m_headers));
    if (m_hWaveIn)
        Sound().pfnWaveInClose(m_hWaveIn);
    m_hWaveIn = nullptr;
    m_nLastReturned = -1;
    m_nInDevice = 0;
}

void CWaveInCapture::RestoreMixer()
{
    if (m_mixer.HasSavedSelection())
        m_mixer.SelectInput(-1);
    if (m_mixer.HasSavedVolume())
        m_mixer.RestoreVolume();
    m_mixer.ForgetSavedState();
}

// The loop waits for returned buffers in short slices so that a device that stops returning
// them cannot keep the thread beyond a stop request. After the request it still takes the next
// block if it comes within about one block's time. A device that falls silent while the
// recording runs, or a block the stream refuses, ends the sound (and the thread) for good.
int CWaveInCapture::Step()
{
    bool bStopping = false;
    DWORD dwStopSeen = 0;
    for (;;) {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return 0;
            HandleMessage(msg);
            if (m_bSoundStopped.load())
                return 0;
            if (!IsRunning())
                return 1;
            continue;
        }
        if (IsRunning() && DeviceFellSilent()) {
            MarkSoundStopped();
            return 0;
        }
        if (!IsRunning()) {
            if (!bStopping) {
                bStopping = true;
                dwStopSeen = GetTickCount();
            } else if (GetTickCount() - dwStopSeen >= StopGraceMs()) {
                return 1;
            }
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollMs, QS_ALLINPUT);
    }
}

bool CWaveInCapture::DeviceFellSilent() const
{
    if (m_nInDevice <= 0)
        return true;
    const DWORD dwLimit = m_nLastReturned.load() < 0 ? kFirstBlockLimitMs : SilenceLimitMs();
    return GetTickCount() - m_dwLastArrival >= dwLimit;
}

// The sound ends where the blocks delivered so far end.
void CWaveInCapture::MarkSoundStopped()
{
    m_dwStoppedAt.store(BlockTimeMs(m_nBlockCount));
    m_bSoundStopped.store(true);
}

DWORD CWaveInCapture::StopGraceMs() const
{
    // Never as long as the base's wait for the thread.
    return std::min<DWORD>(BlockDurationMs() + kStopGraceMs, GetTimeout() / 2);
}

void CWaveInCapture::HandleMessage(const MSG& msg)
{
    if (msg.message != MM_WIM_DATA || !msg.lParam)
        return;
    const WAVEHDR* pReturned = reinterpret_cast<const WAVEHDR*>(msg.lParam);
    int nIndex = FindHeader(pReturned->lpData);
    if (nIndex < 0)
        return;
    WAVEHDR& header = m_headers[nIndex];
    if (!header.dwUser || !header.lpData || !header.dwBufferLength)
        return;

    --m_nInDevice;
    m_dwLastArrival = GetTickCount();
    GiveBackBefore(nIndex);
    TakeBack(header);
    m_nLastReturned = nIndex;

    if (!GateIsOpen())
        return;
    if (!m_bHaveStartTime.load()) {
        m_dwStartTime.store(msg.time);
        m_bHaveStartTime.store(true);
    }
    // A message time before the start (it cannot be, but the clock wraps) counts as no time.
    DWORD dwElapsed = msg.time - m_dwStartTime.load();
    if (LONG(dwElapsed) < 0)
        dwElapsed = 0;
    if (!DeliverBlock(header, dwElapsed))
        MarkSoundStopped();
}

int CWaveInCapture::FindHeader(LPSTR pData) const
{
    if (!pData)
        return -1;
    for (int i = 0; i < kBufferCount; ++i) {
        if (m_headers[i].lpData == pData)
            return i;
    }
    return -1;
}

// Queues the buffers returned since the last one given back, up to the one before nIndex, so
// that only the block just returned stays out of the device's queue.
void CWaveInCapture::GiveBackBefore(int nIndex)
{
    int nLast = m_nLastReturned.load();
    if (nLast < 0 || nLast == nIndex)
        return;
    for (int i = nLast; i != nIndex; i = (i + 1) % kBufferCount)
        QueueBuffer(i);
}

// Blocks that come before the writer writes are thrown away; with several streams also those
// that come before the first frame was queued, so that the sound starts with it. (Waiting for
// it to be written instead would start the sound late by however long a slow disk takes.)
// Once the sound has begun the gate stays open: while a full file is switched for the next,
// its writer restarts and the block waits in Deliver instead of being lost.
bool CWaveInCapture::GateIsOpen() const
{
    if (m_bHaveStartTime.load())
        return true;
    CMediaWriter* pWriter = m_pStream ? m_pStream->GetWriter() : nullptr;
    if (!pWriter || !pWriter->IsWriting())
        return false;
    return pWriter->GetStreamCount() <= 1 || pWriter->HasQueued();
}

// A block that comes late is delivered again until the count catches up with the clock. A
// block that comes a whole block ahead of it is surplus and dropped: a device whose clock runs
// fast, or the sound a stall held back and now hands over in a burst. So the sound's time line
// follows the system clock whichever way the device strays. False when the stream refused it.
bool CWaveInCapture::DeliverBlock(WAVEHDR& header, DWORD dwElapsed)
{
    if (BlockTimeMs(m_nBlockCount) >= dwElapsed + BlockDurationMs())
        return true;
    const BYTE* pData = static_cast<const BYTE*>(GlobalLock(HGLOBAL(header.dwUser)));
    if (!pData)
        return true;
    bool bOk = true;
    do {
        DWORD dwTime = BlockTimeMs(m_nBlockCount);
        bOk =
            m_pStream->Deliver(pData, header.dwBytesRecorded, dwTime, BlockTimeMs(m_nBlockCount + 1) - dwTime, 0) != 0;
        if (bOk)
            ++m_nBlockCount;
    } while (bOk && BlockTimeMs(m_nBlockCount) <= dwElapsed);
    GlobalUnlock(HGLOBAL(header.dwUser));
    return bOk;
}
