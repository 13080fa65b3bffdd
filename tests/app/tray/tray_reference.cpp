// Draws what the tray should show, so that tests can compare it with the screen:
//   tray_reference menu X Y SECONDS ITEM...
//       a popup menu opened like the tray menu (bottom-aligned at X, Y) until Escape or SECONDS;
//       an ITEM "-" is a separator, a leading "~" greys the item
//   tray_reference icon FILE ID RRGGBB
//       icon resource ID of FILE at the small icon size, drawn on the colour; prints the size and
//       then one line of RRGGBB pixels per row
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const UINT_PTR kGiveUpTimer = 1;

LRESULT CALLBACK OwnerProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hWnd, nMessage, wParam, lParam);
}

void CALLBACK GiveUp(HWND, UINT, UINT_PTR, DWORD)
{
    EndMenu();
}

HMENU BuildMenu(int nCount, char** ppszItems)
{
    HMENU hMenu = CreatePopupMenu();
    for (int i = 0; i < nCount; ++i) {
        const char* pszItem = ppszItems[i];
        if (strcmp(pszItem, "-") == 0)
            AppendMenuA(hMenu, MF_SEPARATOR, 0, nullptr);
        else if (pszItem[0] == '~')
            AppendMenuA(hMenu, MF_STRING | MF_GRAYED, 100 + i, pszItem + 1);
        else
            AppendMenuA(hMenu, MF_STRING, 100 + i, pszItem);
    }
    return hMenu;
}

int ShowMenu(int x, int y, UINT nSeconds, int nCount, char** ppszItems)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "OrvaneTrayReference";
    RegisterClassA(&wc);
    HWND hOwner = CreateWindowExA(WS_EX_TOOLWINDOW, wc.lpszClassName, "tray reference", WS_POPUP, 0, 0, 1, 1, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    if (!hOwner)
        return 1;
    HMENU hMenu = BuildMenu(nCount, ppszItems);
    SetForegroundWindow(hOwner);
    SetTimer(nullptr, kGiveUpTimer, nSeconds * 1000, GiveUp);
    TrackPopupMenu(hMenu, TPM_RIGHTBUTTON | TPM_BOTTOMALIGN | TPM_RETURNCMD, x, y, 0, hOwner, nullptr);
    DestroyMenu(hMenu);
    DestroyWindow(hOwner);
    return 0;
}

// Says which step failed, for the test's message.
int Failed(const char* pszStep)
{
    fprintf(stderr, "%s failed (error %lu)\n", pszStep, static_cast<unsigned long>(GetLastError()));
    return 1;
}

int PrintIcon(const char* pszFile, UINT nId, COLORREF crBack)
{
    HMODULE hModule = LoadLibraryExA(pszFile, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!hModule)
        return Failed("LoadLibraryEx");
    const int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
    HICON hIcon = static_cast<HICON>(LoadImageA(hModule, MAKEINTRESOURCEA(nId), IMAGE_ICON, cx, cy, 0));
    if (!hIcon)
        return Failed("LoadImage");
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = -cy;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pBits = nullptr;
    HDC hDC = CreateCompatibleDC(nullptr);
    HBITMAP hBitmap = CreateDIBSection(hDC, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    if (!hBitmap)
        return Failed("CreateDIBSection");
    HGDIOBJ hOld = SelectObject(hDC, hBitmap);
    HBRUSH hBrush = CreateSolidBrush(crBack);
    RECT rc = {0, 0, cx, cy};
    FillRect(hDC, &rc, hBrush);
    DeleteObject(hBrush);
    DrawIconEx(hDC, 0, 0, hIcon, cx, cy, 0, nullptr, DI_NORMAL);
    GdiFlush();
    printf("%d %d\n", cx, cy);
    const DWORD* pPixels = static_cast<const DWORD*>(pBits);
    for (int y = 0; y < cy; ++y) {
        for (int x = 0; x < cx; ++x)
            printf("%06lx", static_cast<unsigned long>(pPixels[y * cx + x] & 0xFFFFFF));
        printf("\n");
    }
    SelectObject(hDC, hOld);
    DeleteObject(hBitmap);
    DeleteDC(hDC);
    DestroyIcon(hIcon);
    FreeLibrary(hModule);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 5 && strcmp(argv[1], "menu") == 0)
        return ShowMenu(atoi(argv[2]), atoi(argv[3]), strtoul(argv[4], nullptr, 10), argc - 5, argv + 5);
    if (argc == 5 && strcmp(argv[1], "icon") == 0) {
        unsigned long nRgb = strtoul(argv[4], nullptr, 16);
        return PrintIcon(argv[2], strtoul(argv[3], nullptr, 10),
                         RGB((nRgb >> 16) & 0xFF, (nRgb >> 8) & 0xFF, nRgb & 0xFF));
    }
    return 2;
}
