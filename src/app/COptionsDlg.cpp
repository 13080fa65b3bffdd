#include "app/COptionsDlg.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "app/CHotKey.h"
#include "app/CRecordingControl.h"

namespace {

LRESULT SendItem(HWND hDlg, int nId, UINT nMessage, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return ::SendDlgItemMessageA(hDlg, nId, nMessage, wParam, lParam);
}

} // namespace

COptionsDlg::COptionsDlg(StoredSettings& settings, CRecordingControl& recording, CWnd* pParent)
    : CDialog(IDD, pParent), m_settings(settings), m_recording(recording)
{
}

BOOL COptionsDlg::OnInitDialog()
{
    ApplySkin();
    FillPauseKey(m_settings.dwPauseHotKey);
    FillCountdown();
    FillSecondDevices();
    HWND hSlider = ::GetDlgItem(m_hWnd, IDC_SLD_SECOND_VOLUME);
    ::SendMessageA(hSlider, TBM_SETRANGEMIN, FALSE, 0);
    ::SendMessageA(hSlider, TBM_SETRANGEMAX, TRUE, 0xFFFF);
    m_nCountdown = m_settings.nCountdown;
    m_bRecordPointer = m_settings.bRecordPointer ? 1 : 0;
    m_bHighlightPointer = m_settings.bHighlightPointer ? 1 : 0;
    m_bShowClicks = m_settings.bShowClicks ? 1 : 0;
    m_nSecondVolume = m_settings.nSecondVolume;
    UpdateData(FALSE);
    return TRUE;
}

void COptionsDlg::ApplySkin()
{
    m_btnOk.SubclassDlgItem(IDOK, this);
    m_btnCancel.SubclassDlgItem(IDCANCEL, this);
    m_btnOk.SetFlat(FALSE);
    m_btnCancel.SetFlat(FALSE);
    m_skin.SetImageID(CSkinWnd::IMAGE_MASK, IDB_OPTIONS_MASK);
    m_skin.SetImageID(CSkinWnd::IMAGE_FACE, IDB_OPTIONS_FACE);
    m_skin.Attach(m_hWnd);
    m_skin.ApplySkin();
    // Centred again at the size the skin gave it.
    CenterWindow();
}

void COptionsDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Check(pDX, IDC_CHK_PAUSE_ALT, m_bAlt);
    DDX_Check(pDX, IDC_CHK_PAUSE_CTRL, m_bCtrl);
    DDX_Check(pDX, IDC_CHK_PAUSE_SHIFT, m_bShift);
    DDX_CBIndex(pDX, IDC_CMB_COUNTDOWN, m_nCountdown);
    DDX_Check(pDX, IDC_CHK_RECORD_POINTER, m_bRecordPointer);
    DDX_Check(pDX, IDC_CHK_HIGHLIGHT_POINTER, m_bHighlightPointer);
    DDX_Check(pDX, IDC_CHK_SHOW_CLICKS, m_bShowClicks);
    DDX_CBIndex(pDX, IDC_CMB_SECOND_DEVICE, m_nSecondEntry);
    DDX_Slider(pDX, IDC_SLD_SECOND_VOLUME, m_nSecondVolume);
}

void COptionsDlg::FillPauseKey(DWORD dwValue)
{
    HWND hCombo = ::GetDlgItem(m_hWnd, IDC_CMB_PAUSE_HOTKEY);
    if (::SendMessageA(hCombo, CB_GETCOUNT, 0, 0) == 0)
        CHotKey::FillKeyCombo(hCombo);
    CHotKey::SelectKeyInCombo(hCombo, HIWORD(dwValue));
    m_bAlt = (dwValue & MOD_ALT) != 0;
    m_bCtrl = (dwValue & MOD_CONTROL) != 0;
    m_bShift = (dwValue & MOD_SHIFT) != 0;
}

void COptionsDlg::FillCountdown()
{
    for (int i = 0; i <= CSettingsStore::COUNTDOWN_MAX; ++i) {
        char szSeconds[8];
        wsprintfA(szSeconds, "%d", i);
        SendItem(m_hWnd, IDC_CMB_COUNTDOWN, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(szSeconds));
    }
}

void COptionsDlg::FillSecondDevices()
{
    const CString strNone = LoadText(IDS_NO_SECOND_DEVICE);
    SendItem(m_hWnd, IDC_CMB_SECOND_DEVICE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(static_cast<LPCSTR>(strNone)));
    std::vector<std::string> names;
    m_recording.Graph().Capture().ListDevices(names);
    for (const std::string& name : names)
        SendItem(m_hWnd, IDC_CMB_SECOND_DEVICE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    // A device that is gone since is none.
    const int nDevice = m_settings.nSecondDevice;
    m_nSecondEntry = nDevice >= 0 && nDevice < static_cast<int>(names.size()) ? nDevice + 1 : 0;
}

DWORD COptionsDlg::PauseKeyFromControls() const
{
    const int nIndex = static_cast<int>(SendItem(m_hWnd, IDC_CMB_PAUSE_HOTKEY, CB_GETCURSEL));
    const WORD nKeyWord = nIndex >= 0
                              ? static_cast<WORD>(SendItem(m_hWnd, IDC_CMB_PAUSE_HOTKEY, CB_GETITEMDATA, nIndex))
                              : HIWORD(m_settings.dwPauseHotKey);
    return CHotKey::Pack(nKeyWord, m_bAlt, m_bCtrl, m_bShift);
}

void COptionsDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    // Registered like the start/stop key: a key that is taken is refused with the same
    // message, the old key stays, and the controls show it again.
    if (!m_recording.ApplyPauseHotKey(PauseKeyFromControls(), m_hWnd)) {
        FillPauseKey(m_recording.PauseHotKey().Value());
        UpdateData(FALSE);
        return;
    }
    m_settings.dwPauseHotKey = m_recording.PauseHotKey().Value();
    m_settings.nCountdown = m_nCountdown < 0 ? 0 : m_nCountdown;
    m_settings.bRecordPointer = m_bRecordPointer;
    m_settings.bHighlightPointer = m_bHighlightPointer;
    m_settings.bShowClicks = m_bShowClicks;
    m_settings.nSecondDevice = m_nSecondEntry - 1;
    m_settings.nSecondVolume = m_nSecondVolume;
    EndDialog(IDOK);
}
