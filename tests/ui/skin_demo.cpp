// Shows the skinned main window template for a look (and a screenshot): skin_demo.exe
#include "CSkinTestDialog.h"

#include "framework/AfxCore.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    AfxSetInstanceHandle(hInstance);
    AfxSetResourceHandle(hInstance);
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    CSkinTestDialog dlg;
    dlg.m_bOpenAbout = TRUE;
    dlg.m_bCloseQuits = TRUE;
    if (!dlg.CreateFromTemplate())
        return 1;
    dlg.ShowWindow(SW_SHOW);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(dlg.m_hWnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return 0;
}
