#pragma once
// Edit control.
#include "framework/CWnd.h"

class CEdit : public CWnd
{
public:
    void SetSel(int nStart, int nEnd, BOOL bNoScroll = FALSE)
    {
        SendMessage(EM_SETSEL, static_cast<WPARAM>(nStart), nEnd);
        if (!bNoScroll)
            SendMessage(EM_SCROLLCARET);
    }
    void SetReadOnly(BOOL bReadOnly = TRUE) { SendMessage(EM_SETREADONLY, bReadOnly); }
    void LimitText(int nChars = 0) { SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(nChars)); }
};
