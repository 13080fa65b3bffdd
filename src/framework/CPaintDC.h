#pragma once
// The device context of one WM_PAINT: BeginPaint at construction, EndPaint at destruction.
#include "framework/CDC.h"

class CWnd;

class CPaintDC : public CDC
{
public:
    PAINTSTRUCT m_ps = {};

    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;

private:
    HWND m_hWnd;
};
