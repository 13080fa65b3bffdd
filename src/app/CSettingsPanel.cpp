#include "app/CSettingsPanel.h"

#include <commctrl.h>

#include <mmsystem.h>

#include <cstdio>
#include <initializer_list>

#include "app/DeviceNameScore.h"
#include "base/ScopedWin.h"
#include "res/resource.h"

namespace {

const LPARAM kWebEntry = IDS_MORE_CODECS;

// Codec preferences by output format; the first one installed is chosen.
const char* const kAviPreferences[] = {"XVID", "XviD", "xvid", "DIVX", "divx", "DIV6", "div6", "DIV5", "div5",
                                       "DIV4", "div4", "DIV3", "div3", "MP42", "mp42", "MP43", "mp43", "MP4S",
                                       "mp4s", "WMVP", "WMV3", "WMV2", "WMV1", "MPG4", "mpg4"};
const char* const kWmvPreferences[] = {"WMVP", "WMV3", "WMV2", "WMV1", "MP43", "mp43", "MP42", "mp42", "MP4S",
                                       "mp4s", "MPG4", "mpg4", "XVID", "XviD", "xvid", "DIVX", "divx", "DIV6",
                                       "div6", "DIV5", "div5", "DIV4", "div4", "DIV3", "div3"};

DWORD FourCC(const char* psz)
{
    return mmioFOURCC(psz[0], psz[1], psz[2], psz[3]);
}

// A stored index of a list that is about to be refilled is parked as -n - 2, so that the
// refill keeps it while a user's change of the parent list lets it be chosen anew.
int Park(int nIndex)
{
    return nIndex >= 0 ? -nIndex - 2 : nIndex;
}

int Unpark(int nIndex)
{
    return nIndex < -1 ? -nIndex - 2 : -1;
}

// Keeps the status window of an installed XviD compressor away from recordings; the key is
// created when it is missing, so the setting is in place before XviD first runs.
void QuietXvidStatus()
{
    CScopedRegKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\GNU\\XviD", 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Receive(),
                        nullptr) != ERROR_SUCCESS)
        return;
    DWORD dwZero = 0;
    RegSetValueExA(key.Get(), "display_status", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwZero), sizeof(dwZero));
}

} // namespace

void CSettingsPanel::Bind()
{
    const HWND hWnd = m_window.m_hWnd;
    m_edtFolder.Attach(::GetDlgItem(hWnd, IDC_EDT_SAVE_FOLDER));
    m_cmbFormat.Attach(::GetDlgItem(hWnd, IDC_CMB_FORMAT));
    m_cmbCodec.Attach(::GetDlgItem(hWnd, IDC_CMB_CODEC));
    m_cmbDevice.Attach(::GetDlgItem(hWnd, IDC_CMB_AUDIO_DEVICE));
    m_cmbInput.Attach(::GetDlgItem(hWnd, IDC_CMB_AUDIO_INPUT));
    m_cmbRate.Attach(::GetDlgItem(hWnd, IDC_CMB_SAMPLE_RATE));
    m_cmbQuality.Attach(::GetDlgItem(hWnd, IDC_CMB_AUDIO_QUALITY));
    m_cmbFps.Attach(::GetDlgItem(hWnd, IDC_CMB_FPS));
    m_cmbHotKey.Attach(::GetDlgItem(hWnd, IDC_CMB_HOTKEY));
    m_sldVolume.Attach(::GetDlgItem(hWnd, IDC_SLD_VOLUME));
}

void CSettingsPanel::Unbind()
{
    for (CWnd* pControl :
         std::initializer_list<CWnd*>{&m_edtFolder, &m_cmbFormat, &m_cmbCodec, &m_cmbDevice, &m_cmbInput, &m_cmbRate,
                                      &m_cmbQuality, &m_cmbFps, &m_cmbHotKey, &m_sldVolume})
        pControl->Detach();
}

void CSettingsPanel::Exchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_EDT_SAVE_FOLDER, m_stored.strSaveFolder);
    DDX_CBIndex(pDX, IDC_CMB_FORMAT, m_stored.nFormat);
    DDX_CBIndex(pDX, IDC_CMB_CODEC, m_stored.nCodec);
    DDX_CBIndex(pDX, IDC_CMB_AUDIO_DEVICE, m_stored.nAudioDevice);
    DDX_CBIndex(pDX, IDC_CMB_AUDIO_INPUT, m_stored.nAudioInput);
    DDX_CBIndex(pDX, IDC_CMB_SAMPLE_RATE, m_stored.nSampleRate);
    DDX_CBIndex(pDX, IDC_CMB_AUDIO_QUALITY, m_stored.nAudioQuality);
    DDX_Slider(pDX, IDC_SLD_VOLUME, m_stored.nVolumeSlider);
    DDX_CBString(pDX, IDC_CMB_FPS, m_stored.strFps);
    DDX_Check(pDX, IDC_CHK_ALT, m_bAlt);
    DDX_Check(pDX, IDC_CHK_CTRL, m_bCtrl);
    DDX_Check(pDX, IDC_CHK_SHIFT, m_bShift);
}

int CSettingsPanel::AddItem(CComboBox& combo, LPCSTR pszText, LPARAM lData)
{
    const int nIndex = combo.AddString(pszText);
    combo.SetItemData(nIndex, static_cast<DWORD_PTR>(lData));
    return nIndex;
}

int CSettingsPanel::AddScoredNames(CComboBox& combo, const std::vector<std::string>& names)
{
    int nBest = 0, nBestScore = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        AddItem(combo, names[i].c_str(), static_cast<LPARAM>(i));
        const int nScore = ScoreDeviceName(names[i].c_str());
        if (nScore > nBestScore) {
            nBestScore = nScore;
            nBest = static_cast<int>(i);
        }
    }
    return nBest;
}

int CSettingsPanel::SelectClamped(CComboBox& combo, int nIndex, int nLow, int nHigh)
{
    if (nIndex > nHigh)
        nIndex = nHigh;
    if (nIndex < nLow)
        nIndex = nLow;
    combo.SetCurSel(nIndex);
    return nIndex;
}

void CSettingsPanel::EnableItem(int nId, BOOL bEnable)
{
    ::EnableWindow(::GetDlgItem(m_window.m_hWnd, nId), bEnable ? TRUE : FALSE);
}

void CSettingsPanel::ShowFolderEnd()
{
    m_edtFolder.SendMessage(WM_KEYDOWN, VK_END, 0);
}

void CSettingsPanel::Load()
{
    m_store.Load(m_stored);
    FillFormats();
    FillDevices();
    FillRatesAndQualities();
    m_sldVolume.SetRange(0, 0xFFFF, TRUE);
    m_sldVolume.SetTicFreq(0xFFFF / 10);
    FillHotKey();
    m_window.UpdateData(FALSE);
    ShowFolderEnd();
    m_recording.ApplyHotKey(m_stored.dwHotKey);
    m_recording.ApplyPauseHotKey(m_stored.dwPauseHotKey);
    m_bLoaded = TRUE;
}

void CSettingsPanel::Save()
{
    m_window.UpdateData(TRUE);
    m_stored.dwHotKey = m_recording.HotKey().Value();
    m_stored.dwPauseHotKey = m_recording.PauseHotKey().Value();
    m_store.Save(m_stored);
}

void CSettingsPanel::RestoreDefaults()
{
    m_recording.HotKey().Unregister();
    m_recording.PauseHotKey().Unregister();
    const int bHaveLastRect = m_stored.bHaveLastRect;
    const RECT rcLast = m_stored.rcLast;
    CSettingsStore::ApplyDefaults(m_stored);
    m_stored.bHaveLastRect = bHaveLastRect;
    m_stored.rcLast = rcLast;
    m_store.Save(m_stored);
    Load();
}

void CSettingsPanel::RememberRectangle(const RECT& rect, RecordingSettings& settings)
{
    m_stored.rcLast = settings.rcLast = rect;
    m_stored.bHaveLastRect = settings.bHaveLastRect = TRUE;
    m_store.SaveLastRect(rect);
}

void CSettingsPanel::SetSaveFolder(const char* pszFolder)
{
    m_stored.strSaveFolder = pszFolder;
    m_window.UpdateData(FALSE);
    ShowFolderEnd();
}

void CSettingsPanel::FillFormats()
{
    m_cmbFormat.ResetContent();
    for (int i = 0; i < CCaptureGraph::FORMAT_COUNT; ++i) {
        char szExtension[MAX_PATH] = "";
        m_recording.Graph().Writer(i)->GetExtension(szExtension, sizeof(szExtension));
        CString strName(CharUpperA(szExtension));
        strName += LoadText(IDS_FORMAT_FILE);
        m_cmbFormat.InsertString(i, strName);
    }
    m_stored.nFormat = SelectClamped(m_cmbFormat, m_stored.nFormat, 0, CCaptureGraph::FORMAT_COUNT - 1);
    m_stored.nCodec = Park(m_stored.nCodec);
    OnFormatChange();
}

void CSettingsPanel::OnFormatChange()
{
    m_stored.nFormat = m_cmbFormat.GetCurSel();
    m_stored.nCodec = Unpark(m_stored.nCodec);
    HCURSOR hOld = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    FillCodecs();
    SetCursor(hOld);
}

void CSettingsPanel::FillCodecs()
{
    m_cmbCodec.ResetContent();
    QuietXvidStatus();
    CVideoCompressor& compressor = m_recording.Graph().Compressor();
    BITMAPINFOHEADER probe = {sizeof(probe), 64, 64, 1, 32, BI_RGB, 16384, 0, 0, 0, 0};
    compressor.SetInputFormat(&probe, sizeof(probe));
    std::vector<std::string> names;
    compressor.BuildCatalogue(names);
    for (size_t i = 0; i < names.size(); ++i)
        AddItem(m_cmbCodec, names[i].c_str(), static_cast<LPARAM>(i));
    // The list sorts what it is given; the web entry is inserted so that it stays last.
    const int nWeb = m_cmbCodec.InsertString(-1, LoadText(IDS_MORE_CODECS));
    m_cmbCodec.SetItemData(nWeb, kWebEntry);

    const int nCount = m_cmbCodec.GetCount();
    if (m_stored.nCodec < 0) {
        const bool bWmv = m_stored.nFormat == CCaptureGraph::FORMAT_WMV;
        for (const char* pszFourCC : bWmv ? kWmvPreferences : kAviPreferences) {
            int nCatalogue = compressor.FindByHandler(FourCC(pszFourCC));
            if (nCatalogue < 0)
                continue;
            for (int i = 0; i < nCount; ++i) {
                if (Data(m_cmbCodec, i) == nCatalogue) {
                    m_stored.nCodec = i;
                    break;
                }
            }
            break;
        }
    }
    m_stored.nCodec = SelectClamped(m_cmbCodec, m_stored.nCodec, 0, nCount - 2);
    OnCodecChange();
}

void CSettingsPanel::OnCodecChange()
{
    const int nIndex = m_cmbCodec.GetCurSel();
    if (nIndex < 0)
        return;
    if (Data(m_cmbCodec, nIndex) == kWebEntry) {
        m_cmbCodec.SetCurSel(m_nPreviousCodec);
        m_shell.OpenCodecsPage();
        return;
    }
    m_stored.nCodec = m_nPreviousCodec = nIndex;
    CVideoCompressor& compressor = m_recording.Graph().Compressor();
    compressor.Select(static_cast<int>(Data(m_cmbCodec, nIndex)));
    EnableItem(IDC_BTN_CODEC_CONFIG, compressor.CanConfigure());
}

void CSettingsPanel::FillDevices()
{
    m_cmbDevice.ResetContent();
    AddItem(m_cmbDevice, LoadText(IDS_DEFAULT_AUDIO_DEVICE), -1);
    std::vector<std::string> names;
    m_recording.Graph().Capture().ListDevices(names);
    const int nBest = AddScoredNames(m_cmbDevice, names);
    if (m_stored.nAudioDevice < 0)
        m_stored.nAudioDevice = nBest + 1;
    m_stored.nAudioDevice = SelectClamped(m_cmbDevice, m_stored.nAudioDevice, 0, static_cast<int>(names.size()));
    m_stored.nAudioInput = Park(m_stored.nAudioInput);
    OnDeviceChange();
}

void CSettingsPanel::OnDeviceChange()
{
    m_stored.nAudioDevice = m_cmbDevice.GetCurSel();
    m_stored.nAudioInput = Unpark(m_stored.nAudioInput);
    const LPARAM lDevice = Data(m_cmbDevice, m_stored.nAudioDevice);
    m_recording.Graph().Capture().SetDevice(lDevice < 0 ? WAVE_MAPPER : static_cast<UINT>(lDevice));
    FillInputs();
    EnableItem(IDC_BTN_DEVICE_CONFIG, m_stored.nAudioDevice == 0);
}

void CSettingsPanel::FillInputs()
{
    m_cmbInput.ResetContent();
    std::vector<std::string> names;
    if (m_stored.nAudioDevice > 0)
        m_recording.Graph().Capture().ListInputs(names);
    if (names.empty())
        AddItem(m_cmbInput, LoadText(IDS_DEFAULT_AUDIO_INPUT), -1);
    const int nBest = AddScoredNames(m_cmbInput, names);
    if (m_stored.nAudioInput < 0)
        m_stored.nAudioInput = nBest;
    m_stored.nAudioInput = SelectClamped(m_cmbInput, m_stored.nAudioInput, 0, m_cmbInput.GetCount() - 1);
    OnInputChange();
}

void CSettingsPanel::OnInputChange()
{
    m_stored.nAudioInput = m_cmbInput.GetCurSel();
    const LPARAM lInput = Data(m_cmbInput, m_stored.nAudioInput);
    m_recording.Graph().Capture().SetInput(static_cast<int>(lInput));
    EnableItem(IDC_BTN_INPUT_CONFIG, lInput < 0);
    EnableItem(IDC_SLD_VOLUME, lInput >= 0);
}

void CSettingsPanel::FillRatesAndQualities()
{
    m_cmbRate.ResetContent();
    std::vector<int> rates;
    CMp3Encoder::SupportedRates(rates);
    for (int nRate : rates) {
        char szRate[32];
        snprintf(szRate, sizeof(szRate), "%d %s", nRate, "Hz");
        const int nIndex = m_cmbRate.InsertString(-1, szRate);
        m_cmbRate.SetItemData(nIndex, static_cast<DWORD_PTR>(nRate));
    }
    m_stored.nSampleRate = SelectClamped(m_cmbRate, m_stored.nSampleRate, 0, static_cast<int>(rates.size()) - 1);

    m_cmbQuality.ResetContent();
    for (UINT i = 0; i < 10; ++i)
        m_cmbQuality.InsertString(-1, LoadText(IDS_QUALITY_0 + i));
    m_stored.nAudioQuality = SelectClamped(m_cmbQuality, m_stored.nAudioQuality, 0, 9);

    if (m_cmbFps.GetCount() == 0) {
        for (const char* pszFps : {"10", "15", "20", "25", "30"})
            m_cmbFps.AddString(pszFps);
    }
}

void CSettingsPanel::FillHotKey()
{
    CHotKey::FillKeyCombo(m_cmbHotKey.m_hWnd);
    CHotKey::SelectKeyInCombo(m_cmbHotKey.m_hWnd, HIWORD(m_stored.dwHotKey));
    m_bAlt = (m_stored.dwHotKey & MOD_ALT) != 0;
    m_bCtrl = (m_stored.dwHotKey & MOD_CONTROL) != 0;
    m_bShift = (m_stored.dwHotKey & MOD_SHIFT) != 0;
}

void CSettingsPanel::ApplyHotKeyFromControls()
{
    m_window.UpdateData(TRUE);
    const int nIndex = m_cmbHotKey.GetCurSel();
    const WORD nKeyWord = nIndex >= 0 ? static_cast<WORD>(Data(m_cmbHotKey, nIndex)) : m_recording.HotKey().KeyWord();
    if (m_recording.ApplyHotKey(CHotKey::Pack(nKeyWord, m_bAlt, m_bCtrl, m_bShift)))
        return;
    // The key is taken: the controls show the hotkey that stays registered.
    CHotKey& hotKey = m_recording.HotKey();
    CHotKey::SelectKeyInCombo(m_cmbHotKey.m_hWnd, hotKey.KeyWord());
    m_bAlt = hotKey.Alt();
    m_bCtrl = hotKey.Ctrl();
    m_bShift = hotKey.Shift();
    m_window.UpdateData(FALSE);
}

void CSettingsPanel::CopyTo(RecordingSettings& settings)
{
    m_window.UpdateData(TRUE);
    settings.strSaveFolder = m_stored.strSaveFolder;
    settings.nFormat = m_stored.nFormat;
    settings.nFps = static_cast<UINT>(CSettingsStore::UsableFramesPerSecond(m_stored.strFps));
    // The box shows the rate the recording uses.
    m_stored.strFps.Format("%u", settings.nFps);
    m_cmbFps.SetWindowText(m_stored.strFps);
    const int nRate = m_stored.nSampleRate >= 0 ? static_cast<int>(Data(m_cmbRate, m_stored.nSampleRate)) : 0;
    settings.nSampleRate = nRate > 0 ? nRate : 44100;
    settings.nQuality = m_stored.nAudioQuality;
    settings.dwVolumeSlider = static_cast<DWORD>(m_stored.nVolumeSlider);
    settings.dwHotKey = m_recording.HotKey().Value();
    settings.dwPauseHotKey = m_recording.PauseHotKey().Value();
    settings.nCountdown = m_stored.nCountdown;
    settings.bRecordPointer = m_stored.bRecordPointer;
    settings.bHighlightPointer = m_stored.bHighlightPointer;
    settings.bShowClicks = m_stored.bShowClicks;
    settings.nSecondDevice = m_stored.nSecondDevice;
    settings.dwSecondVolume = static_cast<DWORD>(m_stored.nSecondVolume);
    settings.bHaveLastRect = m_stored.bHaveLastRect;
    settings.rcLast = m_stored.rcLast;
}
