#pragma once
// Owned pen handle.
#include "framework/CGdiObject.h"

class CPen : public CGdiObject
{
public:
    CPen() = default;
    CPen(int nPenStyle, int nWidth, COLORREF color) { CreatePen(nPenStyle, nWidth, color); }
    operator HPEN() const { return static_cast<HPEN>(m_hObject); }
    BOOL CreatePen(int nPenStyle, int nWidth, COLORREF color) { return Attach(::CreatePen(nPenStyle, nWidth, color)); }
};
