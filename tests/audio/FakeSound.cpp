#include "FakeSound.h"

#include <cstring>

CFakeSound* CFakeSound::s_pCurrent = nullptr;

namespace {
const HMIXER kMixerHandle = reinterpret_cast<HMIXER>(0x3B17);
}

struct FakeSoundCalls
{
    static CFakeSound& Fake() { return *CFakeSound::s_pCurrent; }

    static UINT WINAPI GetNumDevs() { return UINT(Fake().deviceNames.size()); }
    static MMRESULT WINAPI GetDevCaps(UINT_PTR uDevice, LPWAVEINCAPSA pCaps, UINT)
    {
        if (uDevice >= Fake().deviceNames.size())
            return MMSYSERR_BADDEVICEID;
        ZeroMemory(pCaps, sizeof(*pCaps));
        lstrcpynA(pCaps->szPname, Fake().deviceNames[uDevice].c_str(), MAXPNAMELEN);
        return MMSYSERR_NOERROR;
    }
    static MMRESULT WINAPI Open(LPHWAVEIN phWaveIn, UINT uDevice, LPCWAVEFORMATEX, DWORD_PTR dwCallback, DWORD_PTR,
                                DWORD fdwOpen)
    {
        if (Fake().bFailOpen || (fdwOpen & CALLBACK_TYPEMASK) != CALLBACK_THREAD)
            return MMSYSERR_BADDEVICEID;
        Fake().nOpened++;
        Fake().uOpenedDevice = uDevice;
        Fake().dwCallbackThread = DWORD(dwCallback);
        *phWaveIn = Fake().Handle();
        return MMSYSERR_NOERROR;
    }
    static MMRESULT WINAPI Close(HWAVEIN)
    {
        Fake().nClosed++;
        return Fake().nPrepared ? WAVERR_STILLPLAYING : MMSYSERR_NOERROR;
    }
    static MMRESULT WINAPI Prepare(HWAVEIN, LPWAVEHDR pHeader, UINT)
    {
        if (!(pHeader->dwFlags & WHDR_PREPARED))
            Fake().nPrepared++;
        pHeader->dwFlags |= WHDR_PREPARED;
        return MMSYSERR_NOERROR;
    }
    static MMRESULT WINAPI Unprepare(HWAVEIN, LPWAVEHDR pHeader, UINT)
    {
        if (pHeader->dwFlags & WHDR_INQUEUE)
            return WAVERR_STILLPLAYING;
        if (pHeader->dwFlags & WHDR_PREPARED)
            Fake().nPrepared--;
        pHeader->dwFlags &= ~WHDR_PREPARED;
        return MMSYSERR_NOERROR;
    }
    static MMRESULT WINAPI AddBuffer(HWAVEIN, LPWAVEHDR pHeader, UINT)
    {
        if (!(pHeader->dwFlags & WHDR_PREPARED))
            return WAVERR_UNPREPARED;
        std::lock_guard<std::mutex> guard(Fake().m_lock);
        pHeader->dwFlags |= WHDR_INQUEUE;
        pHeader->dwFlags &= ~WHDR_DONE;
        Fake().m_queue.push_back(pHeader);
        if (Fake().bKeepLog)
            Fake().added.push_back(pHeader);
        return MMSYSERR_NOERROR;
    }
    static MMRESULT WINAPI Start(HWAVEIN)
    {
        if (Fake().bFailStart)
            return MMSYSERR_ERROR;
        Fake().nStarted++;
        return MMSYSERR_NOERROR;
    }
    static MMRESULT WINAPI Reset(HWAVEIN)
    {
        std::lock_guard<std::mutex> guard(Fake().m_lock);
        Fake().nReset++;
        for (WAVEHDR* pHeader : Fake().m_queue)
            pHeader->dwFlags = (pHeader->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
        Fake().m_queue.clear();
        return MMSYSERR_NOERROR;
    }

    static MMRESULT WINAPI MixerOpen(LPHMIXER phMixer, UINT, DWORD_PTR, DWORD_PTR, DWORD)
    {
        Fake().nMixerCalls++;
        Fake().nMixerOpen++;
        *phMixer = kMixerHandle;
        return MMSYSERR_NOERROR;
    }
    static MMRESULT WINAPI MixerClose(HMIXER)
    {
        Fake().nMixerCalls++;
        Fake().nMixerOpen--;
        return MMSYSERR_NOERROR;
    }
    static void FillLine(const CFakeSound::Line& from, DWORD nConnections, LPMIXERLINEA pLine)
    {
        pLine->dwLineID = from.dwLineId;
        pLine->cChannels = from.nChannels;
        pLine->cConnections = nConnections;
        pLine->cControls = DWORD(from.controls.size());
        lstrcpynA(pLine->szName, from.name.c_str(), MIXER_LONG_NAME_CHARS);
        lstrcpynA(pLine->szShortName, from.name.c_str(), MIXER_SHORT_NAME_CHARS);
    }
    static MMRESULT WINAPI GetLineInfo(HMIXEROBJ, LPMIXERLINEA pLine, DWORD fdwInfo)
    {
        CFakeSound& fake = Fake();
        fake.nMixerCalls++;
        DWORD dwQuery = fdwInfo & MIXER_GETLINEINFOF_QUERYMASK;
        if (dwQuery == MIXER_GETLINEINFOF_COMPONENTTYPE) {
            if (!fake.bHasRecordLine || pLine->dwComponentType != MIXERLINE_COMPONENTTYPE_DST_WAVEIN)
                return MIXERR_INVALLINE;
            pLine->dwDestination = 0;
            FillLine(fake.recordLine, DWORD(fake.sources.size()), pLine);
            return MMSYSERR_NOERROR;
        }
        if (dwQuery == MIXER_GETLINEINFOF_SOURCE) {
            if (pLine->dwDestination != 0 || pLine->dwSource >= fake.sources.size() ||
                !fake.sources[pLine->dwSource].bReadable)
                return MIXERR_INVALLINE;
            FillLine(fake.sources[pLine->dwSource], 0, pLine);
            return MMSYSERR_NOERROR;
        }
        return MMSYSERR_INVALFLAG;
    }
    static CFakeSound::Line* LineById(DWORD dwLineId)
    {
        if (Fake().recordLine.dwLineId == dwLineId)
            return &Fake().recordLine;
        for (CFakeSound::Line& line : Fake().sources) {
            if (line.dwLineId == dwLineId)
                return &line;
        }
        return nullptr;
    }
    static MMRESULT WINAPI GetLineControls(HMIXEROBJ, LPMIXERLINECONTROLSA pControls, DWORD fdwControls)
    {
        Fake().nMixerCalls++;
        if ((fdwControls & MIXER_GETLINECONTROLSF_QUERYMASK) != MIXER_GETLINECONTROLSF_ONEBYTYPE)
            return MMSYSERR_INVALFLAG;
        CFakeSound::Line* pLine = LineById(pControls->dwLineID);
        if (!pLine)
            return MIXERR_INVALLINE;
        CFakeSound::Control* pControl = Fake().FindControl(*pLine, pControls->dwControlType);
        if (!pControl)
            return MIXERR_INVALCONTROL;
        MIXERCONTROLA& out = *pControls->pamxctrl;
        out.dwControlID = pControl->dwId;
        out.dwControlType = pControl->dwType;
        out.fdwControl = pControl->fdwControl | (pControl->items.empty() ? 0 : MIXERCONTROL_CONTROLF_MULTIPLE);
        out.cMultipleItems = DWORD(pControl->items.size());
        out.Bounds.dwMinimum = pControl->dwMinimum;
        out.Bounds.dwMaximum = pControl->dwMaximum;
        return MMSYSERR_NOERROR;
    }
    static DWORD ValueCount(const CFakeSound::Control& control, LPMIXERCONTROLDETAILS pDetails)
    {
        return control.items.empty() ? pDetails->cChannels : pDetails->cMultipleItems * pDetails->cChannels;
    }
    static MMRESULT WINAPI GetDetails(HMIXEROBJ, LPMIXERCONTROLDETAILS pDetails, DWORD fdwDetails)
    {
        Fake().nMixerCalls++;
        CFakeSound::Control* pControl = Fake().ControlById(pDetails->dwControlID);
        if (!pControl)
            return MIXERR_INVALCONTROL;
        if ((fdwDetails & MIXER_GETCONTROLDETAILSF_QUERYMASK) == MIXER_GETCONTROLDETAILSF_LISTTEXT) {
            if (pDetails->cbDetails != sizeof(MIXERCONTROLDETAILS_LISTTEXTA) ||
                pDetails->cMultipleItems != pControl->items.size())
                return MMSYSERR_INVALPARAM;
            auto* pItems = static_cast<MIXERCONTROLDETAILS_LISTTEXTA*>(pDetails->paDetails);
            for (size_t i = 0; i < pControl->items.size(); ++i) {
                ZeroMemory(&pItems[i], sizeof(pItems[i]));
                lstrcpynA(pItems[i].szName, pControl->items[i].c_str(), MIXER_LONG_NAME_CHARS);
            }
            return MMSYSERR_NOERROR;
        }
        DWORD nValues = ValueCount(*pControl, pDetails);
        if (pDetails->cbDetails != sizeof(DWORD) || nValues > pControl->values.size())
            return MMSYSERR_INVALPARAM;
        memcpy(pDetails->paDetails, pControl->values.data(), nValues * sizeof(DWORD));
        return MMSYSERR_NOERROR;
    }
    static MMRESULT WINAPI SetDetails(HMIXEROBJ, LPMIXERCONTROLDETAILS pDetails, DWORD)
    {
        Fake().nMixerCalls++;
        CFakeSound::Control* pControl = Fake().ControlById(pDetails->dwControlID);
        if (!pControl)
            return MIXERR_INVALCONTROL;
        DWORD nValues = ValueCount(*pControl, pDetails);
        if (pDetails->cbDetails != sizeof(DWORD) || nValues > pControl->values.size())
            return MMSYSERR_INVALPARAM;
        memcpy(pControl->values.data(), pDetails->paDetails, nValues * sizeof(DWORD));
        Fake().nMixerWrites++;
        return MMSYSERR_NOERROR;
    }
};

CFakeSound::CFakeSound()
{
    m_functions = {&FakeSoundCalls::GetNumDevs,      &FakeSoundCalls::GetDevCaps, &FakeSoundCalls::Open,
                   &FakeSoundCalls::Close,           &FakeSoundCalls::Prepare,    &FakeSoundCalls::Unprepare,
                   &FakeSoundCalls::AddBuffer,       &FakeSoundCalls::Start,      &FakeSoundCalls::Reset,
                   &FakeSoundCalls::MixerOpen,       &FakeSoundCalls::MixerClose, &FakeSoundCalls::GetLineInfo,
                   &FakeSoundCalls::GetLineControls, &FakeSoundCalls::GetDetails, &FakeSoundCalls::SetDetails};
    m_queue.reserve(64);
    recordLine = MakeLine("Recording Control", 2, {});
    s_pCurrent = this;
}

CFakeSound::~CFakeSound()
{
    if (s_pCurrent == this)
        s_pCurrent = nullptr;
}

WAVEHDR* CFakeSound::ReturnNext(DWORD nBytes, BYTE bFill)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_queue.empty())
        return nullptr;
    WAVEHDR* pHeader = m_queue.front();
    m_queue.erase(m_queue.begin());
    DWORD nFilled = nBytes < pHeader->dwBufferLength ? nBytes : pHeader->dwBufferLength;
    memset(pHeader->lpData, bFill, nFilled);
    pHeader->dwBytesRecorded = nFilled;
    pHeader->dwFlags = (pHeader->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    return pHeader;
}

bool CFakeSound::PostNext(DWORD nBytes, BYTE bFill)
{
    WAVEHDR* pHeader = ReturnNext(nBytes, bFill);
    return pHeader && PostThreadMessageA(dwCallbackThread, MM_WIM_DATA, WPARAM(Handle()), LPARAM(pHeader));
}

size_t CFakeSound::QueuedCount()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_queue.size();
}

CFakeSound::Control* CFakeSound::FindControl(Line& line, DWORD dwType)
{
    for (Control& control : line.controls) {
        if (control.dwType == dwType)
            return &control;
    }
    return nullptr;
}

CFakeSound::Control* CFakeSound::ControlById(DWORD dwId)
{
    for (Control& control : recordLine.controls) {
        if (control.dwId == dwId)
            return &control;
    }
    for (Line& line : sources) {
        for (Control& control : line.controls) {
            if (control.dwId == dwId)
                return &control;
        }
    }
    return nullptr;
}

void CFakeSound::Number()
{
    DWORD dwNextControl = 100;
    recordLine.dwLineId = 0xFFFF0000;
    for (Control& control : recordLine.controls)
        control.dwId = dwNextControl++;
    for (size_t i = 0; i < sources.size(); ++i) {
        sources[i].dwLineId = DWORD(i);
        for (Control& control : sources[i].controls)
            control.dwId = dwNextControl++;
    }
}

CFakeSound::Control MakeControl(DWORD dwType, DWORD dwMin, DWORD dwMax, std::vector<DWORD> values, DWORD fdwControl)
{
    return CFakeSound::Control{dwType, fdwControl, dwMin, dwMax, {}, std::move(values), 0};
}

CFakeSound::Control MakeListControl(DWORD dwType, std::vector<std::string> items, std::vector<DWORD> values)
{
    return CFakeSound::Control{dwType, MIXERCONTROL_CONTROLF_UNIFORM, 0, 1, std::move(items), std::move(values), 0};
}

CFakeSound::Line MakeLine(const std::string& name, DWORD nChannels, std::vector<CFakeSound::Control> controls)
{
    return CFakeSound::Line{name, nChannels, true, std::move(controls), 0};
}
