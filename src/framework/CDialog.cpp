#include "framework/CDialog.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    CDialog* pDialog = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
    return pDialog ? pDialog->OnInitDialog() : TRUE;
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEA(nIDTemplate)), m_pParentWnd(pParentWnd)
{
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    return Create(MAKEINTRESOURCEA(nIDTemplate), pParentWnd);
}

BOOL CDialog::Create(LPCSTR lpszTemplateName, CWnd* pParentWnd)
{
    if (m_hWnd || !lpszTemplateName)
        return FALSE;
    m_lpszTemplateName = lpszTemplateName;
    m_pParentWnd = pParentWnd;
    m_bModal = FALSE;
    HINSTANCE hInstance = AfxFindResourceHandle(lpszTemplateName, MAKEINTRESOURCEA(5));
    AfxHookWindowCreate(this);
    HWND hWnd =
        ::CreateDialogParamA(hInstance, lpszTemplateName, pParentWnd ? pParentWnd->m_hWnd : nullptr, AfxDlgProc, 0);
    AfxUnhookWindowCreate();
    if (!hWnd) {
        // Initialisation may have destroyed the window; the object is free again.
        if (m_hWnd)
            Detach();
        return FALSE;
    }
    return m_hWnd == hWnd;
}

BOOL CDialog::CreateIndirect(LPCDLGTEMPLATEA lpDialogTemplate, CWnd* pParentWnd)
{
    if (m_hWnd || !lpDialogTemplate)
        return FALSE;
    m_lpDialogTemplate = lpDialogTemplate;
    m_pParentWnd = pParentWnd;
    m_bModal = FALSE;
    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateDialogIndirectParamA(AfxGetResourceHandle(), lpDialogTemplate,
                                             pParentWnd ? pParentWnd->m_hWnd : nullptr, AfxDlgProc, 0);
    AfxUnhookWindowCreate();
    if (!hWnd) {
        if (m_hWnd)
            Detach();
        return FALSE;
    }
    return m_hWnd == hWnd;
}

BOOL CDialog::InitModalIndirect(LPCDLGTEMPLATEA lpDialogTemplate, CWnd* pParentWnd)
{
    if (!lpDialogTemplate)
        return FALSE;
    m_lpDialogTemplate = lpDialogTemplate;
    m_lpszTemplateName = nullptr;
    m_pParentWnd = pParentWnd;
    return TRUE;
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd)
        return -1;
    HWND hWndParent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    m_bModal = TRUE;
    AfxHookWindowCreate(this);
    INT_PTR nResult = -1;
    if (m_lpDialogTemplate) {
        nResult = ::DialogBoxIndirectParamA(AfxGetResourceHandle(), m_lpDialogTemplate, hWndParent, AfxDlgProc, 0);
    } else if (m_lpszTemplateName) {
        HINSTANCE hInstance = AfxFindResourceHandle(m_lpszTemplateName, MAKEINTRESOURCEA(5));
        nResult = ::DialogBoxParamA(hInstance, m_lpszTemplateName, hWndParent, AfxDlgProc, 0);
    }
    AfxUnhookWindowCreate();
    m_bModal = FALSE;
    if (m_hWnd)
        Detach();
    return nResult;
}

void CDialog::EndDialog(int nResult)
{
    if (m_hWnd)
        ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    // Keyboard navigation of a modeless dialog; a modal one runs its own loop.
    if (!m_bModal && m_hWnd && pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST)
        return ::IsDialogMessageA(m_hWnd, pMsg);
    return FALSE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}
