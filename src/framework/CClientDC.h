#pragma once
// The client-area device context of a window (GetDC/ReleaseDC); a null window gives the screen.
#include "framework/CDC.h"

class CWnd;

class CClientDC : public CDC
{
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;

private:
    HWND m_hWnd;
};
