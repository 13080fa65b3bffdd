#pragma once
// Keeps the mouse pointer still while the display configuration changes: confines it to
// the pixel it is on and gives back the previous confinement when it goes out of scope.
#include <windows.h>

class CCursorFreeze
{
public:
    CCursorFreeze();
    ~CCursorFreeze();
    CCursorFreeze(const CCursorFreeze&) = delete;
    CCursorFreeze& operator=(const CCursorFreeze&) = delete;

private:
    RECT m_rcSavedClip;
    int m_bSaved;
};
