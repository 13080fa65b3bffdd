// Reads another program's dialog from the Windows side and prints it as JSON:
//   dlgstate dialog HWND [ID...]      the dialog's rect and region type, and every child control
//                                     (or those named): id, class, text,
//                                     enabled, screen rect, and by class: a combo box's items,
//                                     data and selection, a button's check state, a slider's
//                                     position and range
//   dlgstate msgbox OWNER TIMEOUT_MS  waits for a message box owned by OWNER: its caption, its
//                                     text and its buttons with their screen rectangles
//   dlgstate droplist COMBO           the dropped list of a combo box: screen rect, first shown
//                                     item and item height
// Texts are read with the wide messages, which Wine carries across processes, and printed as UTF-8.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string Utf8(const WCHAR* pszText)
{
    int nBytes = WideCharToMultiByte(CP_UTF8, 0, pszText, -1, nullptr, 0, nullptr, nullptr);
    if (nBytes <= 0)
        return std::string();
    std::string text(static_cast<size_t>(nBytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, pszText, -1, &text[0], nBytes, nullptr, nullptr);
    text.resize(static_cast<size_t>(nBytes - 1));
    return text;
}

std::string Quoted(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char szEscape[8];
            snprintf(szEscape, sizeof(szEscape), "\\u%04x", c);
            out += szEscape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string WindowText(HWND hWnd)
{
    WCHAR szText[1024] = L"";
    SendMessageTimeoutW(hWnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(szText), SMTO_ABORTIFHUNG, 5000, nullptr);
    return Utf8(szText);
}

std::string ClassOf(HWND hWnd)
{
    char szClass[128] = "";
    GetClassNameA(hWnd, szClass, sizeof(szClass));
    return szClass;
}

std::string RectJson(HWND hWnd)
{
    RECT rc = {};
    GetWindowRect(hWnd, &rc);
    char szRect[96];
    snprintf(szRect, sizeof(szRect), "[%ld, %ld, %ld, %ld]", rc.left, rc.top, rc.right, rc.bottom);
    return szRect;
}

// A message to the other program's window; a window that does not answer within 20 s ends the
// reading with a message saying so (a hung program, not a slow reader).
LRESULT Ask(HWND hWnd, UINT nMessage, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR dwResult = 0;
    if (!SendMessageTimeoutW(hWnd, nMessage, wParam, lParam, SMTO_NORMAL, 20000, &dwResult) && IsWindow(hWnd)) {
        fprintf(stderr, "window %llu did not answer message 0x%x within 20 s\n",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hWnd)), nMessage);
        ExitProcess(3);
    }
    return static_cast<LRESULT>(dwResult);
}

HWND ParseWindow(const char* psz)
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(_strtoui64(psz, nullptr, 0)));
}

std::string ComboJson(HWND hCombo)
{
    const LRESULT nCount = Ask(hCombo, CB_GETCOUNT, 0, 0);
    std::string items, data;
    for (LRESULT i = 0; i < nCount; ++i) {
        std::vector<WCHAR> text(static_cast<size_t>(Ask(hCombo, CB_GETLBTEXTLEN, i, 0)) + 1 + 16, L'\0');
        Ask(hCombo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        items += (i ? ", " : "") + Quoted(Utf8(text.data()));
        data += (i ? ", " : "") + std::to_string(static_cast<long long>(Ask(hCombo, CB_GETITEMDATA, i, 0)));
    }
    const bool bDropDownList = (GetWindowLongA(hCombo, GWL_STYLE) & 3) == CBS_DROPDOWNLIST;
    return ", \"sel\": " + std::to_string(static_cast<long long>(Ask(hCombo, CB_GETCURSEL, 0, 0))) +
           ", \"dropdownlist\": " + (bDropDownList ? "true" : "false") + ", \"items\": [" + items + "], \"data\": [" +
           data + "]";
}

std::string ControlJson(HWND hControl)
{
    const std::string strClass = ClassOf(hControl);
    std::string json =
        "{\"id\": " + std::to_string(GetDlgCtrlID(hControl)) +
        ", \"hwnd\": " + std::to_string(static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hControl))) +
        ", \"class\": " + Quoted(strClass) + ", \"text\": " + Quoted(WindowText(hControl)) +
        ", \"enabled\": " + (IsWindowEnabled(hControl) ? "true" : "false") +
        ", \"visible\": " + (IsWindowVisible(hControl) ? "true" : "false") + ", \"rect\": " + RectJson(hControl);
    if (lstrcmpiA(strClass.c_str(), "ComboBox") == 0)
        json += ComboJson(hControl);
    else if (lstrcmpiA(strClass.c_str(), "Button") == 0)
        json += ", \"check\": " + std::to_string(static_cast<long long>(Ask(hControl, BM_GETCHECK, 0, 0)));
    else if (lstrcmpiA(strClass.c_str(), TRACKBAR_CLASSA) == 0)
        json += ", \"pos\": " + std::to_string(static_cast<long long>(Ask(hControl, TBM_GETPOS, 0, 0))) +
                ", \"min\": " + std::to_string(static_cast<long long>(Ask(hControl, TBM_GETRANGEMIN, 0, 0))) +
                ", \"max\": " + std::to_string(static_cast<long long>(Ask(hControl, TBM_GETRANGEMAX, 0, 0)));
    return json + "}";
}

bool Wanted(HWND hControl, const std::vector<int>& ids)
{
    if (ids.empty())
        return true;
    for (int nId : ids) {
        if (GetDlgCtrlID(hControl) == nId)
            return true;
    }
    return false;
}

int PrintDialog(HWND hDialog, const std::vector<int>& ids)
{
    if (!IsWindow(hDialog))
        return 1;
    // The window's shape: 3 (COMPLEXREGION) for a skinned window, 0 for none.
    HRGN hRegion = CreateRectRgn(0, 0, 0, 0);
    const int nRegion = GetWindowRgn(hDialog, hRegion);
    DeleteObject(hRegion);
    std::string json = "{\"caption\": " + Quoted(WindowText(hDialog)) +
                       ", \"visible\": " + (IsWindowVisible(hDialog) ? "true" : "false") +
                       ", \"rect\": " + RectJson(hDialog) + ", \"region\": " + std::to_string(nRegion) +
                       ", \"controls\": [";
    bool bFirst = true;
    for (HWND hChild = GetWindow(hDialog, GW_CHILD); hChild; hChild = GetWindow(hChild, GW_HWNDNEXT)) {
        if (!Wanted(hChild, ids))
            continue;
        json += (bFirst ? "" : ", ") + ControlJson(hChild);
        bFirst = false;
    }
    printf("%s]}\n", json.c_str());
    return 0;
}

struct OwnedSearch
{
    HWND hOwner;
    HWND hFound;
};

BOOL CALLBACK FindOwnedDialog(HWND hWnd, LPARAM lParam)
{
    OwnedSearch* pSearch = reinterpret_cast<OwnedSearch*>(lParam);
    if (IsWindowVisible(hWnd) && GetWindow(hWnd, GW_OWNER) == pSearch->hOwner && ClassOf(hWnd) == "#32770") {
        pSearch->hFound = hWnd;
        return FALSE;
    }
    return TRUE;
}

int PrintMessageBox(HWND hOwner, DWORD dwTimeout)
{
    const DWORD dwStart = GetTickCount();
    OwnedSearch search = {hOwner, nullptr};
    for (;;) {
        EnumWindows(FindOwnedDialog, reinterpret_cast<LPARAM>(&search));
        if (search.hFound || GetTickCount() - dwStart >= dwTimeout)
            break;
        Sleep(100);
    }
    if (!search.hFound)
        return 1;
    std::string text, buttons;
    for (HWND hChild = GetWindow(search.hFound, GW_CHILD); hChild; hChild = GetWindow(hChild, GW_HWNDNEXT)) {
        const std::string strClass = ClassOf(hChild);
        if (lstrcmpiA(strClass.c_str(), "Button") == 0) {
            if (IsWindowVisible(hChild))
                buttons += (buttons.empty() ? "" : ", ") + std::string("{\"id\": ") +
                           std::to_string(GetDlgCtrlID(hChild)) + ", \"text\": " + Quoted(WindowText(hChild)) +
                           ", \"rect\": " + RectJson(hChild) + "}";
        } else if (lstrcmpiA(strClass.c_str(), "Static") == 0) {
            // The icon is a static without text; the message is the longest text.
            const std::string strText = WindowText(hChild);
            if (strText.size() > text.size())
                text = strText;
        }
    }
    printf("{\"hwnd\": %llu, \"caption\": %s, \"text\": %s, \"rect\": %s, \"buttons\": [%s]}\n",
           static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(search.hFound)),
           Quoted(WindowText(search.hFound)).c_str(), Quoted(text).c_str(), RectJson(search.hFound).c_str(),
           buttons.c_str());
    return 0;
}

struct DroppedSearch
{
    DWORD dwThread;
    HWND hFound;
};

BOOL CALLBACK FindDroppedList(HWND hWnd, LPARAM lParam)
{
    DroppedSearch* pSearch = reinterpret_cast<DroppedSearch*>(lParam);
    if (IsWindowVisible(hWnd) && GetWindowThreadProcessId(hWnd, nullptr) == pSearch->dwThread &&
        ClassOf(hWnd) == "ComboLBox") {
        pSearch->hFound = hWnd;
        return FALSE;
    }
    return TRUE;
}

int PrintDroppedList(HWND hCombo)
{
    DroppedSearch search = {GetWindowThreadProcessId(hCombo, nullptr), nullptr};
    EnumWindows(FindDroppedList, reinterpret_cast<LPARAM>(&search));
    if (!search.hFound)
        return 1;
    RECT rcClient = {};
    GetClientRect(search.hFound, &rcClient);
    POINT ptOrigin = {0, 0};
    ClientToScreen(search.hFound, &ptOrigin);
    printf("{\"rect\": %s, \"client\": [%ld, %ld, %ld, %ld], \"top\": %lld, \"item_height\": %lld}\n",
           RectJson(search.hFound).c_str(), ptOrigin.x, ptOrigin.y, ptOrigin.x + rcClient.right,
           ptOrigin.y + rcClient.bottom, static_cast<long long>(Ask(search.hFound, LB_GETTOPINDEX, 0, 0)),
           static_cast<long long>(Ask(search.hFound, LB_GETITEMHEIGHT, 0, 0)));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    const std::string strCommand = argv[1];
    if (strCommand == "dialog") {
        std::vector<int> ids;
        for (int i = 3; i < argc; ++i)
            ids.push_back(atoi(argv[i]));
        return PrintDialog(ParseWindow(argv[2]), ids);
    }
    if (strCommand == "msgbox")
        return PrintMessageBox(ParseWindow(argv[2]), argc >= 4 ? strtoul(argv[3], nullptr, 0) : 0);
    if (strCommand == "droplist")
        return PrintDroppedList(ParseWindow(argv[2]));
    return 2;
}
