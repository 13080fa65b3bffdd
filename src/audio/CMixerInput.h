#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <string>
#include <vector>

#include "audio/SoundFunctions.h"

// The recording input and its volume on the mixer of one wave-in device. The first selection
// and the first volume change of a recording save what the mixer held before; the restore
// calls put that back and forget it.
class CMixerInput
{
public:
    CMixerInput();

    void SetFunctions(const SoundFunctions* pFunctions);
    const SoundFunctions& Functions() const { return *m_pFunctions; }

    // WAVE_MAPPER (-1) is the system's default device; -1 as input leaves the mixer alone.
    void SetDevice(UINT uDevice) { m_uDevice = uDevice; }
    UINT GetDevice() const { return m_uDevice; }
    void SetInput(int nInput) { m_nInput = nInput; }
    int GetInput() const { return m_nInput; }

    // The wave-in devices; the position in the list is the device id.
    bool ListDevices(std::vector<std::string>& names) const;
    // True when the current device is there: any device for WAVE_MAPPER.
    bool DeviceExists() const;
    // The inputs of the current device: the items of its input-selection control, or else the
    // source lines of its recording line.
    bool ListInputs(std::vector<std::string>& names) const;
    // Selects input nIndex; -1 puts the saved selection back.
    bool SelectInput(int nIndex);
    // Sets the recording volume (0..0xFFFF each) of the current input.
    bool SetInputVolume(DWORD dwLeft, DWORD dwRight);
    // Writes the volume saved by SetInputVolume back and forgets it.
    bool RestoreVolume();

    bool HasSavedSelection() const { return !m_savedValues.empty(); }
    bool HasSavedVolume() const { return m_bVolumeSaved; }
    const std::vector<DWORD>& SavedValues() const { return m_savedValues; }
    void ForgetSavedState();

private:
    class CSession;

    bool LeavesMixerAlone() const { return m_uDevice == WAVE_MAPPER || m_nInput == -1; }
    bool SelectByControl(CSession& session, const MIXERCONTROLA& control, int nIndex);
    bool SelectByMuting(CSession& session, int nIndex);
    bool FindInputVolume(CSession& session, const std::string& input, MIXERLINEA& line, MIXERCONTROLA& control,
                         bool& bHasVolume) const;
    bool WriteVolume(DWORD dwLeft, DWORD dwRight, bool bScale);

    const SoundFunctions* m_pFunctions;
    UINT m_uDevice;
    int m_nInput;
    bool m_bVolumeSaved;
    DWORD m_dwSavedLeft;
    DWORD m_dwSavedRight;
    std::vector<DWORD> m_savedValues;
};
