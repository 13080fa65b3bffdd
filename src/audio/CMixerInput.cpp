#include "audio/CMixerInput.h"

#include <algorithm>
#include <cstring>

namespace {
const size_t kMaxNameCompare = 64;
const DWORD kFullScale = 0xFFFF;

DWORD ChannelsOf(const MIXERLINEA& line, const MIXERCONTROLA& control)
{
    if (control.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM)
        return 1;
    return std::max<DWORD>(1, std::min<DWORD>(line.cChannels, 2));
}

// Names agree when they are equal over the length of the shorter one (at most 64 characters).
bool NamesAgree(const char* pszA, const char* pszB)
{
    size_t nLength = std::min(std::min(strlen(pszA), strlen(pszB)), kMaxNameCompare);
    return nLength > 0 && strncmp(pszA, pszB, nLength) == 0;
}

DWORD ScaleVolume(DWORD dwValue, const MIXERCONTROLA& control)
{
    DWORD dwMin = control.Bounds.dwMinimum;
    DWORD dwMax = control.Bounds.dwMaximum;
    if (dwMax <= dwMin)
        return dwMin;
    ULONGLONG nScaled = dwMin + ULONGLONG(std::min(dwValue, kFullScale)) * (dwMax - dwMin) / kFullScale;
    return DWORD(std::min<ULONGLONG>(std::max<ULONGLONG>(nScaled, dwMin), dwMax));
}
} // namespace

// The mixer of one wave-in device opened for one operation, with its recording line.
class CMixerInput::CSession
{
public:
    CSession(const SoundFunctions& functions, UINT uDevice) : m_functions(functions), m_hMixer(nullptr)
    {
        ZeroMemory(&m_recordLine, sizeof(m_recordLine));
        if (m_functions.pfnMixerOpen(&m_hMixer, uDevice, 0, 0, MIXER_OBJECTF_WAVEIN) != MMSYSERR_NOERROR) {
            m_hMixer = nullptr;
            return;
        }
        m_recordLine.cbStruct = sizeof(m_recordLine);
        m_recordLine.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
        if (m_functions.pfnMixerGetLineInfo(
                Object(), &m_recordLine, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR)
            Close();
    }
    ~CSession() { Close(); }

    bool IsOpen() const { return m_hMixer != nullptr; }
    const MIXERLINEA& RecordLine() const { return m_recordLine; }
    DWORD SourceCount() const { return m_recordLine.cConnections; }

    bool GetSourceLine(DWORD dwSource, MIXERLINEA& line) const
    {
        ZeroMemory(&line, sizeof(line));
        line.cbStruct = sizeof(line);
        line.dwDestination = m_recordLine.dwDestination;
        line.dwSource = dwSource;
        return m_functions.pfnMixerGetLineInfo(Object(), &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_SOURCE) ==
               MMSYSERR_NOERROR;
    }

    bool FindControl(const MIXERLINEA& line, DWORD dwType, MIXERCONTROLA& control) const
    {
        ZeroMemory(&control, sizeof(control));
        control.cbStruct = sizeof(control);
        MIXERLINECONTROLSA controls = {};
        controls.cbStruct = sizeof(controls);
        controls.dwLineID = line.dwLineID;
        controls.dwControlType = dwType;
        controls.cControls = 1;
        controls.cbmxctrl = sizeof(control);
        controls.pamxctrl = &control;
        return m_functions.pfnMixerGetLineControls(
                   Object(), &controls, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) == MMSYSERR_NOERROR;
    }

    // The recording line's MUX control, or else its MIXER control, when it has items.
    bool FindSelectionControl(MIXERCONTROLA& control) const
    {
        if (FindControl(m_recordLine, MIXERCONTROL_CONTROLTYPE_MUX, control) && control.cMultipleItems > 0)
            return true;
        return FindControl(m_recordLine, MIXERCONTROL_CONTROLTYPE_MIXER, control) && control.cMultipleItems > 0;
    }

    bool ReadItemNames(const MIXERCONTROLA& control, std::vector<std::string>& names) const
    {
        std::vector<MIXERCONTROLDETAILS_LISTTEXTA> items(control.cMultipleItems);
        MIXERCONTROLDETAILS details =
            Details(control, 1, control.cMultipleItems, sizeof(MIXERCONTROLDETAILS_LISTTEXTA), items.data());
        if (m_functions.pfnMixerGetControlDetails(
                Object(), &details, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_LISTTEXT) != MMSYSERR_NOERROR)
            return false;
        for (const MIXERCONTROLDETAILS_LISTTEXTA& item : items)
            names.push_back(std::string(item.szName, strnlen(item.szName, MIXER_LONG_NAME_CHARS)));
        return true;
    }

    // Reads or writes 32-bit values: nItems items for a multiple-item control, else nChannels.
    bool ReadValues(const MIXERCONTROLA& control, DWORD nChannels, DWORD nItems, DWORD* pValues) const
    {
        MIXERCONTROLDETAILS details = Details(control, nChannels, nItems, sizeof(DWORD), pValues);
        return m_functions.pfnMixerGetControlDetails(
                   Object(), &details, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) == MMSYSERR_NOERROR;
    }
    bool WriteValues(const MIXERCONTROLA& control, DWORD nChannels, DWORD nItems, DWORD* pValues) const
    {
        MIXERCONTROLDETAILS details = Details(control, nChannels, nItems, sizeof(DWORD), pValues);
        return m_functions.pfnMixerSetControlDetails(
                   Object(), &details, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) == MMSYSERR_NOERROR;
    }

private:
    HMIXEROBJ Object() const { return reinterpret_cast<HMIXEROBJ>(m_hMixer); }

    static MIXERCONTROLDETAILS Details(const MIXERCONTROLA& control, DWORD nChannels, DWORD nItems, DWORD cbItem,
                                       void* pItems)
    {
        MIXERCONTROLDETAILS details = {};
        details.cbStruct = sizeof(details);
        details.dwControlID = control.dwControlID;
        details.cChannels = nChannels;
        details.cMultipleItems = nItems;
        details.cbDetails = cbItem;
        details.paDetails = pItems;
        return details;
    }

    void Close()
    {
        if (m_hMixer)
            m_functions.pfnMixerClose(m_hMixer);
        m_hMixer = nullptr;
    }

    const SoundFunctions& m_functions;
    HMIXER m_hMixer;
    MIXERLINEA m_recordLine;
};

CMixerInput::CMixerInput()
    : m_pFunctions(&RealSoundFunctions()), m_uDevice(WAVE_MAPPER), m_nInput(-1), m_bVolumeSaved(false),
      m_dwSavedLeft(0), m_dwSavedRight(0)
{
}

void CMixerInput::SetFunctions(const SoundFunctions* pFunctions)
{
    m_pFunctions = pFunctions ? pFunctions : &RealSoundFunctions();
}

void CMixerInput::ForgetSavedState()
{
    m_savedValues.clear();
    m_bVolumeSaved = false;
}

bool CMixerInput::ListDevices(std::vector<std::string>& names) const
{
    names.clear();
    UINT nDevices = m_pFunctions->pfnWaveInGetNumDevs();
    if (nDevices == 0)
        return false;
    for (UINT uDevice = 0; uDevice < nDevices; ++uDevice) {
        WAVEINCAPSA caps = {};
        if (m_pFunctions->pfnWaveInGetDevCaps(uDevice, &caps, sizeof(caps)) != MMSYSERR_NOERROR)
            return false;
        names.push_back(std::string(caps.szPname, strnlen(caps.szPname, MAXPNAMELEN)));
    }
    return true;
}

bool CMixerInput::DeviceExists() const
{
    UINT nDevices = m_pFunctions->pfnWaveInGetNumDevs();
    return m_uDevice == WAVE_MAPPER ? nDevices > 0 : m_uDevice < nDevices;
}

bool CMixerInput::ListInputs(std::vector<std::string>& names) const
{
    names.clear();
    if (m_uDevice == WAVE_MAPPER)
        return true;
    CSession session(*m_pFunctions, m_uDevice);
    if (!session.IsOpen())
        return false;
    MIXERCONTROLA control;
    if (session.FindSelectionControl(control))
        return session.ReadItemNames(control, names);
    for (DWORD dwSource = 0; dwSource < session.SourceCount(); ++dwSource) {
        MIXERLINEA line;
        if (session.GetSourceLine(dwSource, line))
            names.push_back(std::string(line.szName, strnlen(line.szName, MIXER_LONG_NAME_CHARS)));
    }
    return true;
}

bool CMixerInput::SelectInput(int nIndex)
{
    if (LeavesMixerAlone())
        return true;
    CSession session(*m_pFunctions, m_uDevice);
    if (!session.IsOpen())
        return false;
    MIXERCONTROLA control;
    if (session.FindSelectionControl(control))
        return SelectByControl(session, control, nIndex);
    return SelectByMuting(session, nIndex);
}

bool CMixerInput::SelectByControl(CSession& session, const MIXERCONTROLA& control, int nIndex)
{
    DWORD nItems = control.cMultipleItems;
    std::vector<DWORD> values(nItems);
    if (!session.ReadValues(control, 1, nItems, values.data()))
        return false;
    if (nIndex < 0) {
        std::copy_n(m_savedValues.begin(), std::min<size_t>(m_savedValues.size(), nItems), values.begin());
        m_savedValues.clear();
    } else {
        if (m_savedValues.size() < nItems)
            m_savedValues = values;
        DWORD dwChosen = std::min<DWORD>(DWORD(nIndex), nItems - 1);
        for (DWORD j = 0; j < nItems; ++j)
            values[j] = (j == dwChosen) ? 1 : 0;
    }
    return session.WriteValues(control, 1, nItems, values.data());
}

// Without a selection control the chosen source line is unmuted and every other one muted.
// The saved list holds one pair of mute values per source line, at the line's own position, so
// lines that cannot be read do not shift the pairs of the others.
bool CMixerInput::SelectByMuting(CSession& session, int nIndex)
{
    DWORD nSources = session.SourceCount();
    bool bRestore = nIndex < 0;
    bool bSaveNow = !bRestore && m_savedValues.size() < 2 * size_t(nSources);
    std::vector<bool> known(nSources, !bSaveNow);
    if (bSaveNow)
        m_savedValues.assign(2 * size_t(nSources), 0);
    DWORD dwChosen = bRestore ? 0 : std::min<DWORD>(DWORD(nIndex), nSources ? nSources - 1 : 0);

    for (DWORD i = 0; i < nSources; ++i) {
        MIXERLINEA line;
        MIXERCONTROLA mute;
        if (!session.GetSourceLine(i, line) || !session.FindControl(line, MIXERCONTROL_CONTROLTYPE_MUTE, mute))
            continue;
        DWORD nChannels = ChannelsOf(line, mute);
        DWORD adwValues[2] = {0, 0};
        if (bRestore) {
            if (m_savedValues.size() < 2 * size_t(i) + 2)
                continue;
            adwValues[0] = m_savedValues[2 * i];
            adwValues[1] = m_savedValues[2 * i + 1];
        } else {
            if (bSaveNow && session.ReadValues(mute, nChannels, 0, adwValues)) {
                m_savedValues[2 * i] = adwValues[0];
                m_savedValues[2 * i + 1] = nChannels > 1 ? adwValues[1] : adwValues[0];
                known[i] = true;
            }
            // A line whose old state is unknown is left as it is: it could not be put back.
            if (!known[i])
                continue;
            adwValues[0] = adwValues[1] = (i == dwChosen) ? 0 : 1;
        }
        if (!session.WriteValues(mute, nChannels, 0, adwValues))
            break;
    }
    if (bRestore)
        m_savedValues.clear();
    return true;
}

// The first source line whose name agrees with the input's name, and whether it has a volume
// control (false when it has none).
bool CMixerInput::FindInputVolume(CSession& session, const std::string& input, MIXERLINEA& line, MIXERCONTROLA& control,
                                  bool& bHasVolume) const
{
    for (DWORD i = 0; i < session.SourceCount(); ++i) {
        if (!session.GetSourceLine(i, line) || !NamesAgree(input.c_str(), line.szName))
            continue;
        bHasVolume = session.FindControl(line, MIXERCONTROL_CONTROLTYPE_VOLUME, control);
        return true;
    }
    return false;
}

bool CMixerInput::SetInputVolume(DWORD dwLeft, DWORD dwRight)
{
    if (LeavesMixerAlone())
        return true;
    return WriteVolume(dwLeft, dwRight, true);
}

bool CMixerInput::RestoreVolume()
{
    if (!m_bVolumeSaved)
        return true;
    bool bResult = WriteVolume(m_dwSavedLeft, m_dwSavedRight, false);
    m_bVolumeSaved = false;
    return bResult;
}

// Writes either user volumes (0..0xFFFF, scaled into the control's range) or raw values.
bool CMixerInput::WriteVolume(DWORD dwLeft, DWORD dwRight, bool bScale)
{
    std::vector<std::string> inputs;
    if (!ListInputs(inputs) || m_nInput < 0 || size_t(m_nInput) >= inputs.size())
        return false;
    CSession session(*m_pFunctions, m_uDevice);
    if (!session.IsOpen())
        return false;
    MIXERLINEA line;
    MIXERCONTROLA control;
    bool bHasVolume = false;
    if (!FindInputVolume(session, inputs[size_t(m_nInput)], line, control, bHasVolume))
        return false;
    if (!bHasVolume)
        return true;
    DWORD nChannels = ChannelsOf(line, control);
    DWORD adwValues[2] = {0, 0};
    if (bScale) {
        if (!session.ReadValues(control, nChannels, 0, adwValues))
            return false;
        if (!m_bVolumeSaved) {
            m_dwSavedLeft = adwValues[0];
            m_dwSavedRight = nChannels > 1 ? adwValues[1] : adwValues[0];
            m_bVolumeSaved = true;
        }
        adwValues[0] = ScaleVolume(dwLeft, control);
        adwValues[1] = ScaleVolume(dwRight, control);
    } else {
        adwValues[0] = dwLeft;
        adwValues[1] = dwRight;
    }
    return session.WriteValues(control, nChannels, 0, adwValues);
}
