#pragma once
// Owned palette handle.
#include "framework/CGdiObject.h"

class CPalette : public CGdiObject
{
public:
    operator HPALETTE() const { return static_cast<HPALETTE>(m_hObject); }
    BOOL CreatePalette(const LOGPALETTE* lpLogPalette) { return Attach(::CreatePalette(lpLogPalette)); }
    BOOL CreateHalftonePalette(HDC hDC) { return Attach(::CreateHalftonePalette(hDC)); }
    int GetEntryCount() const
    {
        WORD nEntries = 0;
        return GetObject(sizeof(nEntries), &nEntries) ? nEntries : 0;
    }
    UINT GetPaletteEntries(UINT nStart, UINT nCount, LPPALETTEENTRY lpEntries) const
    {
        return ::GetPaletteEntries(*this, nStart, nCount, lpEntries);
    }
};
