#pragma once
// The Options dialog: the pause/resume hotkey, the countdown before a recording, how the
// pointer shows in the recording and a second sound device with its volume. Skinned like the
// program's other windows. OK takes the choices into the settings (a pause key that another
// program holds is refused as the start/stop key is, and the dialog stays open); Cancel
// leaves them as they were.
#include "app/CSettingsStore.h"
#include "framework/Afx.h"
#include "res/resource.h"
#include "ui/CIconButton.h"
#include "ui/CSkinWnd.h"

class CRecordingControl;

class COptionsDlg : public CDialog
{
public:
    COptionsDlg(StoredSettings& settings, CRecordingControl& recording, CWnd* pParent);

    enum { IDD = IDD_OPTIONS };

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;

private:
    void ApplySkin();
    void FillPauseKey(DWORD dwValue);
    void FillCountdown();
    void FillSecondDevices();
    DWORD PauseKeyFromControls() const;

    StoredSettings& m_settings;
    CRecordingControl& m_recording;
    CSkinWnd m_skin;
    CIconButton m_btnOk;
    CIconButton m_btnCancel;
    int m_bAlt = 0, m_bCtrl = 0, m_bShift = 0;
    int m_nCountdown = 0;
    int m_bRecordPointer = 0, m_bHighlightPointer = 0, m_bShowClicks = 0;
    int m_nSecondEntry = 0; // the device list's index: 0 is none
    int m_nSecondVolume = 0;
};
