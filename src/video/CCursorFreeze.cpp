#include "video/CCursorFreeze.h"

CCursorFreeze::CCursorFreeze() : m_rcSavedClip(), m_bSaved(0)
{
    m_bSaved = GetClipCursor(&m_rcSavedClip) ? 1 : 0;
    POINT position;
    if (GetCursorPos(&position)) {
        RECT rcHere = {position.x, position.y, position.x + 1, position.y + 1};
        ClipCursor(&rcHere);
    }
}

CCursorFreeze::~CCursorFreeze()
{
    ClipCursor(m_bSaved ? &m_rcSavedClip : nullptr);
}
