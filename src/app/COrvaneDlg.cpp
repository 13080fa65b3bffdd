#include "app/COrvaneDlg.h"

BEGIN_MESSAGE_MAP(COrvaneDlg, CDialog)
    ON_WM_CLOSE()
    ON_WM_ENDSESSION()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
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
    return TRUE;
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
