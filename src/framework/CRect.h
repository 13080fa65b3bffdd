#pragma once
// A RECT with the framework's conveniences.
#include <windows.h>
#include "framework/CPoint.h"
#include "framework/CSize.h"

class CRect : public tagRECT
{
public:
    CRect() { SetRectEmpty(); }
    CRect(int l, int t, int r, int b)
    {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    CRect(const RECT& rc) { ::CopyRect(this, &rc); }
    CRect(const RECT* prc)
    {
        if (prc)
            ::CopyRect(this, prc);
        else
            SetRectEmpty();
    }
    CRect(POINT pt, SIZE size)
    {
        left = pt.x;
        top = pt.y;
        right = pt.x + size.cx;
        bottom = pt.y + size.cy;
    }

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CSize Size() const { return CSize(Width(), Height()); }
    CPoint TopLeft() const { return CPoint(left, top); }
    CPoint BottomRight() const { return CPoint(right, bottom); }
    CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }

    BOOL IsRectEmpty() const { return ::IsRectEmpty(this); }
    BOOL IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    BOOL PtInRect(POINT pt) const { return ::PtInRect(this, pt); }
    void SetRect(int l, int t, int r, int b) { ::SetRect(this, l, t, r, b); }
    void SetRectEmpty() { ::SetRectEmpty(this); }
    void CopyRect(LPCRECT prc) { ::CopyRect(this, prc); }
    void InflateRect(int dx, int dy) { ::InflateRect(this, dx, dy); }
    void DeflateRect(int dx, int dy) { ::InflateRect(this, -dx, -dy); }
    void OffsetRect(int dx, int dy) { ::OffsetRect(this, dx, dy); }
    void OffsetRect(POINT pt) { ::OffsetRect(this, pt.x, pt.y); }
    void NormalizeRect()
    {
        if (left > right) {
            LONG n = left;
            left = right;
            right = n;
        }
        if (top > bottom) {
            LONG n = top;
            top = bottom;
            bottom = n;
        }
    }
    BOOL IntersectRect(LPCRECT prc1, LPCRECT prc2) { return ::IntersectRect(this, prc1, prc2); }
    BOOL UnionRect(LPCRECT prc1, LPCRECT prc2) { return ::UnionRect(this, prc1, prc2); }
    bool operator==(const RECT& rc) const { return ::EqualRect(this, &rc) != 0; }
    bool operator!=(const RECT& rc) const { return !(*this == rc); }
};
