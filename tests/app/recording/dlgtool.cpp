// Looks into the dialogs of another process on the Wine desktop, for the recording tests:
//   dlgtool top                  every top-level window, shown or hidden:
//                                hwnd pid visible|hidden "class" "caption"
//   dlgtool items HWND           every child control of a window, one a line:
//                                id left top right bottom visible|hidden checked "class" "text"
//                                (screen coordinates; checked is a button's check state)
//   dlgtool entries HWND ID      the entries of a dialog's combo box, one a line
//   dlgtool focus HWND           the id of the window's control that has the keyboard focus
//                                (a combo box's id for its edit field), or nothing
// Texts are printed with \n for line breaks, \" for quotes and \\ for backslashes.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string Escaped(const char* psz)
{
    std::string str;
    for (; *psz; ++psz) {
        switch (*psz) {
        case '\n':
            str += "\\n";
            break;
        case '\r':
            break;
        case '"':
            str += "\\\"";
            break;
        case '\\':
            str += "\\\\";
            break;
        default:
            str += *psz;
        }
    }
    return str;
}

// GetWindowText would not ask another process for a control's text.
std::string WindowText(HWND hWnd)
{
    WCHAR szWide[2048] = L"";
    SendMessageTimeoutW(hWnd, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(szWide), SMTO_ABORTIFHUNG, 2000, nullptr);
    char szText[4096] = "";
    WideCharToMultiByte(CP_ACP, 0, szWide, -1, szText, sizeof(szText), nullptr, nullptr);
    return Escaped(szText);
}

std::string ClassName(HWND hWnd)
{
    char szClass[256] = "";
    GetClassNameA(hWnd, szClass, sizeof(szClass));
    return szClass;
}

BOOL CALLBACK PrintTopLevel(HWND hWnd, LPARAM)
{
    DWORD dwPid = 0;
    GetWindowThreadProcessId(hWnd, &dwPid);
    printf("%llu %lu %s \"%s\" \"%s\"\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hWnd)),
           static_cast<unsigned long>(dwPid), IsWindowVisible(hWnd) ? "visible" : "hidden",
           Escaped(ClassName(hWnd).c_str()).c_str(), WindowText(hWnd).c_str());
    return TRUE;
}

BOOL CALLBACK PrintChild(HWND hWnd, LPARAM)
{
    RECT rc = {};
    GetWindowRect(hWnd, &rc);
    const std::string strClass = ClassName(hWnd);
    LRESULT nCheck = 0;
    if (lstrcmpiA(strClass.c_str(), "Button") == 0)
        SendMessageTimeoutA(hWnd, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, reinterpret_cast<PDWORD_PTR>(&nCheck));
    printf("%d %ld %ld %ld %ld %s %d \"%s\" \"%s\"\n", GetDlgCtrlID(hWnd), rc.left, rc.top, rc.right, rc.bottom,
           IsWindowVisible(hWnd) ? "visible" : "hidden", static_cast<int>(nCheck), Escaped(strClass.c_str()).c_str(),
           WindowText(hWnd).c_str());
    return TRUE;
}

int PrintComboEntries(HWND hCombo)
{
    DWORD_PTR nCount = 0;
    if (!SendMessageTimeoutA(hCombo, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &nCount))
        return 1;
    for (int i = 0; i < static_cast<int>(nCount); ++i) {
        WCHAR szWide[1024] = L"";
        DWORD_PTR nLength = 0;
        SendMessageTimeoutW(hCombo, CB_GETLBTEXTLEN, i, 0, SMTO_ABORTIFHUNG, 2000, &nLength);
        if (nLength < 1024)
            SendMessageTimeoutW(hCombo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(szWide), SMTO_ABORTIFHUNG, 2000,
                                nullptr);
        char szText[2048] = "";
        WideCharToMultiByte(CP_ACP, 0, szWide, -1, szText, sizeof(szText), nullptr, nullptr);
        printf("%s\n", Escaped(szText).c_str());
    }
    return 0;
}

HWND ParseWindow(const char* psz)
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(_strtoui64(psz, nullptr, 0)));
}

int PrintFocus(HWND hWnd)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(hWnd, nullptr), &info))
        return 1;
    for (HWND hFocus = info.hwndFocus; hFocus && hFocus != hWnd; hFocus = GetParent(hFocus)) {
        if (GetParent(hFocus) == hWnd) {
            printf("%d\n", GetDlgCtrlID(hFocus));
            break;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && strcmp(argv[1], "top") == 0) {
        EnumWindows(PrintTopLevel, 0);
        return 0;
    }
    if (argc >= 3 && strcmp(argv[1], "items") == 0) {
        HWND hWnd = ParseWindow(argv[2]);
        if (!IsWindow(hWnd))
            return 1;
        EnumChildWindows(hWnd, PrintChild, 0);
        return 0;
    }
    if (argc >= 3 && strcmp(argv[1], "focus") == 0)
        return PrintFocus(ParseWindow(argv[2]));
    if (argc >= 4 && strcmp(argv[1], "entries") == 0)
        return PrintComboEntries(GetDlgItem(ParseWindow(argv[2]), atoi(argv[3])));
    return 2;
}
