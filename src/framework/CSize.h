#pragma once
// A SIZE with the framework's conveniences.
#include <windows.h>

class CSize : public tagSIZE
{
public:
    CSize()
    {
        cx = 0;
        cy = 0;
    }
    CSize(int nCx, int nCy)
    {
        cx = nCx;
        cy = nCy;
    }
    CSize(SIZE size)
    {
        cx = size.cx;
        cy = size.cy;
    }
    bool operator==(SIZE size) const { return cx == size.cx && cy == size.cy; }
    bool operator!=(SIZE size) const { return !(*this == size); }
};
