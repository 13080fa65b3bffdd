#include "app/CHotKey.h"

#include <cstdio>

namespace {

const WORD s_pnKeys[CHotKey::KEY_COUNT] = {
    0x08,  0x09,  0x0D,  0x1B,  0x20,                                   // Backspace, Tab, Enter, Esc, Space
    0x121, 0x122, 0x123, 0x124, 0x125, 0x126, 0x127, 0x128,             // Page Up ... Down
    0x12D, 0x12E,                                                       // Insert, Delete
    0x60,  0x61,  0x62,  0x63,  0x64,  0x65,  0x66,  0x67,  0x68, 0x69, // keypad 0 ... 9
    0x30,  0x31,  0x32,  0x33,  0x34,  0x35,  0x36,  0x37,  0x38, 0x39, // 0 ... 9
    0x41,  0x42,  0x43,  0x44,  0x45,  0x46,  0x47,  0x48,  0x49, 0x4A, 0x4B, 0x4C, 0x4D,
    0x4E,  0x4F,  0x50,  0x51,  0x52,  0x53,  0x54,  0x55,  0x56, 0x57, 0x58, 0x59, 0x5A,
    0x70,  0x71,  0x72,  0x73,  0x74,  0x75,  0x76,  0x77,  0x78, 0x79, 0x7A, 0x7B}; // F1 ... F12

// The layout's name of a key word; empty when the layout has none.
void GetLayoutKeyName(UINT nKeyWord, char* pszName, int cchName)
{
    pszName[0] = '\0';
    UINT nScan = ::MapVirtualKeyA(nKeyWord & ~CHotKey::EXTENDED_KEY, 0);
    if (!nScan)
        return;
    LONG lParam = static_cast<LONG>((nScan & 0xFF) << 16);
    if (nKeyWord & CHotKey::EXTENDED_KEY)
        lParam |= 1 << 24;
    if (::GetKeyNameTextA(lParam, pszName, cchName) <= 0)
        pszName[0] = '\0';
}

void AppendName(CString& text, const char* pszName)
{
    if (!pszName[0])
        return;
    if (!text.IsEmpty())
        text += " + ";
    text += pszName;
}

// Some layouts name no keypad digit; the key of a hotkey is always shown, so those get
// a name of their own.
void GetKeyName(UINT nKeyWord, char* pszName, int cchName)
{
    GetLayoutKeyName(nKeyWord, pszName, cchName);
    if (!pszName[0] && nKeyWord >= VK_NUMPAD0 && nKeyWord <= VK_NUMPAD9)
        snprintf(pszName, static_cast<size_t>(cchName), "Num %u", nKeyWord - VK_NUMPAD0);
}

} // namespace

DWORD CHotKey::Pack(WORD nKeyWord, BOOL bAlt, BOOL bCtrl, BOOL bShift)
{
    return (static_cast<DWORD>(nKeyWord) << 16) | (bAlt ? MOD_ALT : 0) | (bCtrl ? MOD_CONTROL : 0) |
           (bShift ? MOD_SHIFT : 0);
}

BOOL CHotKey::SetValue(WORD nKeyWord, BOOL bAlt, BOOL bCtrl, BOOL bShift)
{
    return SetValue(Pack(nKeyWord, bAlt, bCtrl, bShift));
}

BOOL CHotKey::SetValue(DWORD nValue)
{
    const DWORD nOldValue = m_nValue;
    m_nValue = nValue;
    if (!IsRegistered())
        return TRUE;
    HWND hWnd = m_hWnd;
    const int nId = m_nId;
    if (!Unregister()) {
        m_nValue = nOldValue;
        return FALSE;
    }
    if (Register(hWnd, nId))
        return TRUE;
    m_nValue = nOldValue;
    Register(hWnd, nId);
    return FALSE;
}

BOOL CHotKey::Register(HWND hWnd, int nId)
{
    if (!hWnd || !::RegisterHotKey(hWnd, nId, Modifiers(), VirtualKey()))
        return FALSE;
    m_hWnd = hWnd;
    m_nId = nId;
    return TRUE;
}

BOOL CHotKey::Unregister()
{
    if (!m_hWnd)
        return FALSE;
    // A hotkey of a window that is gone went with it; only a live registration stays ours.
    if (!::UnregisterHotKey(m_hWnd, m_nId) && ::IsWindow(m_hWnd))
        return FALSE;
    m_hWnd = nullptr;
    m_nId = 0;
    return TRUE;
}

BOOL CHotKey::Matches(UINT nModifiers, UINT nVirtKey) const
{
    return nModifiers == Modifiers() && nVirtKey == VirtualKey();
}

CString CHotKey::Text(DWORD nValue)
{
    CString text;
    char szName[260];
    static const struct
    {
        DWORD nBit;
        UINT nVirtKey;
    } modifiers[] = {{MOD_ALT, VK_MENU}, {MOD_CONTROL, VK_CONTROL}, {MOD_SHIFT, VK_SHIFT}};
    for (const auto& modifier : modifiers) {
        if (nValue & modifier.nBit) {
            GetLayoutKeyName(modifier.nVirtKey, szName, sizeof(szName));
            AppendName(text, szName);
        }
    }
    GetKeyName(HIWORD(nValue), szName, sizeof(szName));
    AppendName(text, szName);
    return text;
}

WORD CHotKey::KeyAt(int nIndex)
{
    return nIndex >= 0 && nIndex < KEY_COUNT ? s_pnKeys[nIndex] : 0;
}

void CHotKey::FillKeyCombo(HWND hCombo)
{
    ::SendMessageA(hCombo, CB_RESETCONTENT, 0, 0);
    for (WORD nKeyWord : s_pnKeys) {
        CString name = Text(static_cast<DWORD>(nKeyWord) << 16);
        LRESULT nItem = ::SendMessageA(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(static_cast<LPCSTR>(name)));
        if (nItem >= 0)
            ::SendMessageA(hCombo, CB_SETITEMDATA, static_cast<WPARAM>(nItem), nKeyWord);
    }
}

int CHotKey::SelectKeyInCombo(HWND hCombo, WORD nKeyWord)
{
    const int nCount = static_cast<int>(::SendMessageA(hCombo, CB_GETCOUNT, 0, 0));
    int nFound = -1;
    for (int i = 0; i < nCount && nFound < 0; ++i)
        if (static_cast<WORD>(::SendMessageA(hCombo, CB_GETITEMDATA, i, 0)) == nKeyWord)
            nFound = i;
    ::SendMessageA(hCombo, CB_SETCURSEL, static_cast<WPARAM>(nFound), 0);
    return nFound;
}

int CHotKey::IdFromHandle(HWND hCombo)
{
    // Handles carry 32 significant bits and may be sign-extended; taken unsigned the id
    // always lies in 0 ... 0xBFFE.
    return static_cast<int>(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(hCombo)) % 0xBFFF);
}
