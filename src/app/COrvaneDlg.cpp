#include "app/COrvaneDlg.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "app/COrvaneApp.h"
#include "app/OutputFiles.h"
#include "ui/CAboutBox.h"
#include "codecs/zmbv/ZmbvDriver.h"

BEGIN_MESSAGE_MAP(COrvaneDlg, CDialog)
    ON_WM_CLOSE()
    ON_WM_ENDSESSION()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_WM_DESTROY()
    ON_WM_TIMER()
    ON_WM_SYSCOMMAND()
    ON_WM_HOTKEY()
    ON_WM_DISPLAYCHANGE()
    ON_MESSAGE(WM_RECORD_TOGGLE, OnRecordToggle)
    ON_MESSAGE(WM_WRITER_EVENT, OnWriterEvent)
    ON_MESSAGE(WM_TRAY_NOTIFY, OnTrayNotify)
    ON_BN_CLICKED(IDC_BTN_START, OnStartStop)
    ON_COMMAND(ID_TRAY_START, OnStartStop)
    ON_COMMAND(ID_TRAY_SETTINGS, OnTraySettings)
    ON_COMMAND(ID_TRAY_BROWSE, OnTrayBrowse)
    ON_COMMAND(ID_TRAY_EXIT, OnTrayExit)
    ON_COMMAND(ID_TRAY_ABOUT, OnAbout)
    ON_BN_CLICKED(IDC_BTN_ABOUT, OnAbout)
    ON_BN_CLICKED(IDC_BTN_MINIMIZE, OnMinimizeButton)
    ON_BN_CLICKED(IDC_BTN_CLOSE, OnTrayExit)
END_MESSAGE_MAP()

COrvaneDlg::COrvaneDlg(CWnd* pParent) : CDialog(IDD, pParent)
{
}

COrvaneDlg::~COrvaneDlg()
{
    if (m_hIcon)
        DestroyIcon(m_hIcon);
}

BOOL COrvaneDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (!m_hIcon) {
        // Taken after start-up chose the resource module: a language DLL may carry its own.
        LPCSTR lpszIcon = MAKEINTRESOURCEA(IDR_MAINFRAME);
        m_hIcon = static_cast<HICON>(LoadImageA(AfxFindResourceHandle(lpszIcon, MAKEINTRESOURCEA(14)), lpszIcon,
                                                IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    }
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    SetWindowText(AfxGetApp()->m_pszAppName);
    ApplySkin();

    if (!m_recording.Graph().InitializeGrabber()) {
        CString strMessage;
        strMessage.LoadString(IDS_DRIVER_FAILED);
        ::MessageBoxA(m_hWnd, strMessage, AfxGetApp()->m_pszAppName, MB_SYSTEMMODAL | MB_ICONHAND);
        DestroyWindow();
        return TRUE;
    }
    if (!m_recording.Attach(this, &m_settings))
        return TRUE;
    // A test option: a small size limit shows the continuation into the next file quickly.
    if (const char* pszLimit = getenv("ORVANE_MAX_FILE_SIZE"))
        m_recording.SetMaxFileSize(strtoul(pszLimit, nullptr, 0));
    if (GetFileAttributesA(m_settings.strSaveFolder) == INVALID_FILE_ATTRIBUTES)
        CreateFolder(m_settings.strSaveFolder, true);
    ChooseCodec();
    return TRUE;
}

void COrvaneDlg::ApplySkin()
{
    m_btnStart.SubclassDlgItem(IDC_BTN_START, this);
    m_btnDefault.SubclassDlgItem(IDC_BTN_DEFAULT, this);
    m_btnStart.SetIcon(IDI_START);
    m_btnDefault.SetIcon(IDI_DEFAULT);
    m_btnStart.SetFlat(FALSE);
    m_btnDefault.SetFlat(FALSE);
    m_skin.SetImageID(CSkinWnd::IMAGE_MASK, IDB_SKIN_MASK);
    m_skin.SetImageID(CSkinWnd::IMAGE_FACE, IDB_SKIN_FACE);
    m_skin.SetImageID(CSkinWnd::IMAGE_HOVER, IDB_SKIN_HOVER);
    m_skin.Attach(m_hWnd);
    m_skin.ApplySkin();
    // Sent only after the skin is applied: the buttons drop it before.
    HCURSOR hHand = LoadCursor(nullptr, IDC_HAND);
    ::SendDlgItemMessageA(m_hWnd, IDC_BTN_HELP, BM_SETIMAGE, IMAGE_CURSOR, reinterpret_cast<LPARAM>(hHand));
    ::SendDlgItemMessageA(m_hWnd, IDC_BTN_ABOUT, BM_SETIMAGE, IMAGE_CURSOR, reinterpret_cast<LPARAM>(hHand));
}

void COrvaneDlg::OnMinimizeButton()
{
    SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
}

void COrvaneDlg::OnAbout()
{
    COrvaneApp* pApp = static_cast<COrvaneApp*>(AfxGetApp());
    CAboutBox about(&pApp->GetVersionRecord());
    about.Show(this);
}

void COrvaneDlg::ChooseCodec()
{
    ZmbvInstallForProcess();
    CVideoCompressor& compressor = m_recording.Graph().Compressor();
    BITMAPINFOHEADER bmih = {sizeof(bmih), 320, 240, 1, 32, BI_RGB, 320 * 240 * 4, 0, 0, 0, 0};
    compressor.SetInputFormat(&bmih, sizeof(bmih));
    std::vector<std::string> names;
    compressor.BuildCatalogue(names);
    int nIndex = compressor.FindByHandler(mmioFOURCC('Z', 'M', 'B', 'V'));
    compressor.Select(nIndex >= 0 ? nIndex : 0);
}

void COrvaneDlg::OnDestroy()
{
    CDialog::OnDestroy();
    m_recording.Detach();
}

void COrvaneDlg::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == CRecordingControl::BLINK_TIMER_ID)
        m_recording.OnBlinkTimer();
    else
        CDialog::OnTimer(nIDEvent);
}

void COrvaneDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    switch (nID & 0xFFF0) {
    case SC_MINIMIZE:
        // Minimised, the window lives in the tray.
        ShowWindow(SW_HIDE);
        m_recording.OnMinimized();
        return;
    case SC_RESTORE:
        ShowWindow(SW_SHOWNORMAL);
        ::SetForegroundWindow(m_hWnd);
        m_recording.OnRestored();
        return;
    }
    CDialog::OnSysCommand(nID, lParam);
}

void COrvaneDlg::OnHotKey(UINT, UINT nKey1, UINT nKey2)
{
    m_recording.OnHotKey(nKey1, nKey2);
}

LRESULT COrvaneDlg::OnDisplayChange(WPARAM, LPARAM)
{
    m_recording.OnDisplayChange();
    return Default();
}

LRESULT COrvaneDlg::OnRecordToggle(WPARAM, LPARAM)
{
    return m_recording.OnRecordToggle();
}

LRESULT COrvaneDlg::OnWriterEvent(WPARAM, LPARAM lParam)
{
    return m_recording.OnWriterEvent(lParam);
}

LRESULT COrvaneDlg::OnTrayNotify(WPARAM, LPARAM lParam)
{
    m_recording.OnTrayNotify(lParam);
    return 0;
}

void COrvaneDlg::OnStartStop()
{
    m_recording.StartStop();
}

void COrvaneDlg::OnTraySettings()
{
    if (!m_recording.IsRecording())
        SendMessage(WM_SYSCOMMAND, SC_RESTORE);
}

void COrvaneDlg::OnTrayBrowse()
{
    OpenFolder(m_settings.strSaveFolder);
}

void COrvaneDlg::OnTrayExit()
{
    DestroyWindow();
}

void COrvaneDlg::OnClose()
{
    DestroyWindow();
}

void COrvaneDlg::OnEndSession(BOOL bEnding)
{
    CDialog::OnEndSession(bEnding);
    if (bEnding)
        DestroyWindow();
}

void COrvaneDlg::OnPaint()
{
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    CRect rect;
    GetClientRect(&rect);
    int x = (rect.Width() - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (rect.Height() - GetSystemMetrics(SM_CYICON) + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR COrvaneDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}
