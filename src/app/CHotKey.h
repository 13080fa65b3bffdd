#pragma once
// The start/stop hotkey as one packed value: modifiers in bits 0-2 (MOD_ALT, MOD_CONTROL,
// MOD_SHIFT), the key word in bits 16-31 (virtual key, plus 0x100 for an extended key, which
// only matters for the key's name). Registers itself with Windows and names itself through
// the keyboard layout.
#include <windows.h>

#include "framework/CString.h"

class CHotKey
{
public:
    enum { DEFAULT_VALUE = 0x77 << 16 }; // F8 without modifiers
    enum { EXTENDED_KEY = 0x100 };
    enum { KEY_COUNT = 73 };

    CHotKey() = default;
    ~CHotKey() { Unregister(); }
    CHotKey(const CHotKey&) = delete;
    CHotKey& operator=(const CHotKey&) = delete;

    // A registered hotkey is re-registered with the new value; when that fails the old value
    // is put back (and registered again) and false returned.
    BOOL SetValue(DWORD nValue);
    BOOL SetValue(WORD nKeyWord, BOOL bAlt, BOOL bCtrl, BOOL bShift);
    BOOL Register(HWND hWnd, int nId);
    BOOL Unregister();

    BOOL IsRegistered() const { return m_hWnd != nullptr; }
    DWORD Value() const { return m_nValue; }
    WORD KeyWord() const { return HIWORD(m_nValue); }
    BOOL Alt() const { return (m_nValue & MOD_ALT) != 0; }
    BOOL Ctrl() const { return (m_nValue & MOD_CONTROL) != 0; }
    BOOL Shift() const { return (m_nValue & MOD_SHIFT) != 0; }
    UINT Modifiers() const { return LOWORD(m_nValue); }
    UINT VirtualKey() const { return KeyWord() & ~EXTENDED_KEY; }
    // True when a WM_HOTKEY's modifiers (low word of lParam) and key (high word) are ours.
    BOOL Matches(UINT nModifiers, UINT nVirtKey) const;

    static DWORD Pack(WORD nKeyWord, BOOL bAlt, BOOL bCtrl, BOOL bShift);
    // "Ctrl + Shift + F9", with the names the keyboard layout gives.
    static CString Text(DWORD nValue);
    CString Text() const { return Text(m_nValue); }

    // The key list of the hotkey combo, in order; each entry shown by its name.
    static WORD KeyAt(int nIndex);
    static void FillKeyCombo(HWND hCombo);
    // Selects the first entry whose item data is the key word; none when no entry is.
    static int SelectKeyInCombo(HWND hCombo, WORD nKeyWord);
    // Registration id made from the key combo's handle, inside the applications' range.
    static int IdFromHandle(HWND hCombo);

private:
    DWORD m_nValue = DEFAULT_VALUE;
    HWND m_hWnd = nullptr;
    int m_nId = 0;
};
