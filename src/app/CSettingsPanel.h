#pragma once
// The main window's lists and settings: fills every list (formats, codecs, devices, inputs,
// rates, qualities, frame rates, the hotkey), reads and writes the stored settings, and hands
// them to the next recording.
#include "app/CRecordingControl.h"
#include "app/CSettingsStore.h"
#include "app/CShellActions.h"
#include "framework/Afx.h"
#include "framework/CComboBox.h"
#include "framework/CEdit.h"
#include "framework/CSliderCtrl.h"

#include <string>
#include <vector>

class CSettingsPanel
{
public:
    CSettingsPanel(CDialog& window, CRecordingControl& recording, const CShellActions& shell)
        : m_window(window), m_recording(recording), m_shell(shell)
    {
    }
    CSettingsPanel(const CSettingsPanel&) = delete;
    CSettingsPanel& operator=(const CSettingsPanel&) = delete;

    // The controls of the window's template; Unbind before the window goes.
    void Bind();
    void Unbind();
    void Exchange(CDataExchange* pDX);

    // Defaults, then the stored values, then every list and the hotkey.
    void Load();
    void Save();
    // Only settings that were loaded are saved: a start that failed before keeps the stored ones.
    BOOL IsLoaded() const { return m_bLoaded; }
    // Defaults for every choice; the last rectangle stays, since it is what was recorded.
    void RestoreDefaults();
    // A recording began: its rectangle is the one Enter takes again.
    void RememberRectangle(const RECT& rect, RecordingSettings& settings);
    // Copies the controls into what the next recording is made with.
    void CopyTo(RecordingSettings& settings);
    void SetSaveFolder(const char* pszFolder);

    void OnFormatChange();
    void OnCodecChange();
    void OnDeviceChange();
    void OnInputChange();
    void ApplyHotKeyFromControls();

    StoredSettings& Stored() { return m_stored; }

private:
    void FillFormats();
    void FillCodecs();
    void FillDevices();
    void FillInputs();
    void FillRatesAndQualities();
    void FillHotKey();
    // Adds the names and returns the index of the best-scored one (0 when none scores).
    static int AddScoredNames(CComboBox& combo, const std::vector<std::string>& names);
    static int AddItem(CComboBox& combo, LPCSTR pszText, LPARAM lData);
    static int SelectClamped(CComboBox& combo, int nIndex, int nLow, int nHigh);
    static LPARAM Data(const CComboBox& combo, int nIndex) { return static_cast<LPARAM>(combo.GetItemData(nIndex)); }
    void EnableItem(int nId, BOOL bEnable);
    void ShowFolderEnd();

    CDialog& m_window;
    CRecordingControl& m_recording;
    const CShellActions& m_shell;
    StoredSettings m_stored = {};
    CSettingsStore m_store;
    int m_bAlt = 0, m_bCtrl = 0, m_bShift = 0;
    int m_nPreviousCodec = 0;
    BOOL m_bLoaded = FALSE;

    CEdit m_edtFolder;
    CComboBox m_cmbFormat;
    CComboBox m_cmbCodec;
    CComboBox m_cmbDevice;
    CComboBox m_cmbInput;
    CComboBox m_cmbRate;
    CComboBox m_cmbQuality;
    CComboBox m_cmbFps;
    CComboBox m_cmbHotKey;
    CSliderCtrl m_sldVolume;
};
