// Test helper run inside Wine: finds and inspects top-level windows from the Windows side,
// since the whole Wine virtual desktop is a single X window.
//   wintool list                     every visible top-level window: hwnd pid "caption" rect
//   wintool find PREFIX [TIMEOUT_MS] the first visible window whose caption starts with PREFIX
//   wintool close HWND               posts WM_CLOSE
//   wintool post HWND MSG WPARAM LPARAM
//   wintool rect HWND                window rectangle
//   wintool foreground               the foreground window
//   wintool itemtext HWND ID         the text of a dialog's control
//   wintool text HWND                a window's text as the window itself gives it (a
//                                    tooltip: the tip it shows)
//   wintool keys                     the keys the desktop holds down (or saw pressed since
//                                    the last look), for a failed test's report
//   wintool xwindow HWND             the X window that shows a top-level window on the
//                                    desktop (0 when it has none)
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct FindRequest
{
    const char* pszPrefix;
    HWND hFound;
};

void PrintWindow(HWND hWnd)
{
    char szCaption[512] = "";
    GetWindowTextA(hWnd, szCaption, sizeof(szCaption));
    // One window a line, the caption between quotes: a tray tip's caption has two lines.
    for (char* p = szCaption; *p; ++p) {
        if (*p == '\r' || *p == '\n')
            *p = ' ';
        else if (*p == '"')
            *p = '\'';
    }
    char szClass[256] = "";
    GetClassNameA(hWnd, szClass, sizeof(szClass));
    DWORD dwPid = 0;
    GetWindowThreadProcessId(hWnd, &dwPid);
    RECT rc = {};
    GetWindowRect(hWnd, &rc);
    printf("%llu %lu \"%s\" %ld %ld %ld %ld \"%s\" %s\n", (unsigned long long)(UINT_PTR)hWnd, (unsigned long)dwPid,
           szCaption, rc.left, rc.top, rc.right, rc.bottom, szClass, IsWindowVisible(hWnd) ? "visible" : "hidden");
}

BOOL CALLBACK ListProc(HWND hWnd, LPARAM)
{
    if (IsWindowVisible(hWnd))
        PrintWindow(hWnd);
    return TRUE;
}

BOOL CALLBACK FindProc(HWND hWnd, LPARAM lParam)
{
    FindRequest* pRequest = reinterpret_cast<FindRequest*>(lParam);
    char szCaption[512] = "";
    GetWindowTextA(hWnd, szCaption, sizeof(szCaption));
    if (IsWindowVisible(hWnd) && strncmp(szCaption, pRequest->pszPrefix, strlen(pRequest->pszPrefix)) == 0) {
        pRequest->hFound = hWnd;
        return FALSE;
    }
    return TRUE;
}

HWND ParseWindow(const char* psz)
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(_strtoui64(psz, nullptr, 0)));
}

int Find(const char* pszPrefix, DWORD dwTimeout)
{
    DWORD dwStart = GetTickCount();
    for (;;) {
        FindRequest request = {pszPrefix, nullptr};
        EnumWindows(FindProc, reinterpret_cast<LPARAM>(&request));
        if (request.hFound) {
            PrintWindow(request.hFound);
            return 0;
        }
        if (GetTickCount() - dwStart >= dwTimeout)
            return 1;
        Sleep(100);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    std::string strCommand = argv[1];
    if (strCommand == "list") {
        EnumWindows(ListProc, 0);
        return 0;
    }
    if (strCommand == "find" && argc >= 3)
        return Find(argv[2], argc >= 4 ? strtoul(argv[3], nullptr, 0) : 0);
    if (strCommand == "close" && argc >= 3)
        return PostMessageA(ParseWindow(argv[2]), WM_CLOSE, 0, 0) ? 0 : 1;
    if (strCommand == "post" && argc >= 6)
        return PostMessageA(ParseWindow(argv[2]), strtoul(argv[3], nullptr, 0),
                            static_cast<WPARAM>(_strtoui64(argv[4], nullptr, 0)),
                            static_cast<LPARAM>(_strtoi64(argv[5], nullptr, 0)))
                   ? 0
                   : 1;
    if (strCommand == "xwindow" && argc >= 3) {
        // Wine's X11 driver keeps the window's X window id as this property.
        HANDLE hX = GetPropA(ParseWindow(argv[2]), "__wine_x11_whole_window");
        printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hX)));
        return hX ? 0 : 1;
    }
    if (strCommand == "rect" && argc >= 3) {
        HWND hWnd = ParseWindow(argv[2]);
        if (!IsWindow(hWnd))
            return 1;
        PrintWindow(hWnd);
        return 0;
    }
    if (strCommand == "itemtext" && argc >= 4) {
        char szText[1024] = "";
        HWND hItem = GetDlgItem(ParseWindow(argv[2]), atoi(argv[3]));
        if (!hItem)
            return 1;
        char szClass[64] = "";
        GetClassNameA(hItem, szClass, sizeof(szClass));
        LRESULT nSelection = lstrcmpiA(szClass, "ComboBox") == 0 ? SendMessageA(hItem, CB_GETCURSEL, 0, 0) : CB_ERR;
        LRESULT nLength = nSelection >= 0 ? SendMessageA(hItem, CB_GETLBTEXTLEN, nSelection, 0) : CB_ERR;
        // A drop-down list shows its selection; an editable combo or any other control its text.
        if (nSelection >= 0 && nLength >= 0 && nLength < static_cast<LRESULT>(sizeof(szText)) &&
            (GetWindowLongA(hItem, GWL_STYLE) & 3) == CBS_DROPDOWNLIST) {
            WCHAR szWide[1024] = L"";
            SendMessageW(hItem, CB_GETLBTEXT, nSelection, reinterpret_cast<LPARAM>(szWide));
            WideCharToMultiByte(CP_ACP, 0, szWide, -1, szText, sizeof(szText), nullptr, nullptr);
        } else {
            WCHAR szWide[1024] = L"";
            // GetWindowText would not ask another process for a control's text.
            SendMessageW(hItem, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(szWide));
            WideCharToMultiByte(CP_ACP, 0, szWide, -1, szText, sizeof(szText), nullptr, nullptr);
        }
        printf("%s\n", szText);
        return 0;
    }
    if (strCommand == "text" && argc >= 3) {
        WCHAR szWide[1024] = L"";
        char szText[2048] = "";
        // GetWindowText would not ask another process's window.
        if (!SendMessageTimeoutW(ParseWindow(argv[2]), WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(szWide),
                                 SMTO_ABORTIFHUNG, 5000, nullptr))
            return 1;
        WideCharToMultiByte(CP_UTF8, 0, szWide, -1, szText, sizeof(szText), nullptr, nullptr);
        printf("%s\n", szText);
        return 0;
    }
    if (strCommand == "keys") {
        static const struct { int nKey; const char* pszName; } keys[] = {
            {VK_SHIFT, "Shift"}, {VK_CONTROL, "Ctrl"}, {VK_MENU, "Alt"}, {VK_LWIN, "Win"}, {VK_ESCAPE, "Escape"},
            {VK_RETURN, "Enter"}, {VK_F8, "F8"}, {VK_F9, "F9"}, {VK_LBUTTON, "Left"}, {VK_RBUTTON, "Right"}};
        for (const auto& key : keys) {
            const SHORT nState = GetAsyncKeyState(key.nKey);
            if (nState)
                printf("%s%s ", key.pszName, (nState & 0x8000) ? "(down)" : "(pressed)");
        }
        DWORD dwPid = 0;
        GetWindowThreadProcessId(GetDesktopWindow(), &dwPid);
        printf("desktop-pid %lu\n", static_cast<unsigned long>(dwPid));
        return 0;
    }
    if (strCommand == "foreground") {
        HWND hWnd = GetForegroundWindow();
        if (!hWnd)
            return 1;
        PrintWindow(hWnd);
        return 0;
    }
    return 2;
}
