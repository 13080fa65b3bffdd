#pragma once
// What the recording shows of the mouse: the pointer in its current shape, a soft yellow disc
// behind it, and a ring that grows and fades at each button press. Once per tick the video
// source reads the pointer and the buttons, puts back from the screen what the overlay drew
// into its frame last tick (the frame must not keep trails), and lets the overlay draw again.
#include <windows.h>

#include <map>
#include <vector>

#include "video/CPointerImage.h"

class CPointerOverlay
{
public:
    // What the overlay draws from, read from the system by Sample.
    struct State
    {
        POINT ptScreen = {};
        HCURSOR hCursor = nullptr;
        bool bVisible = false;
        bool bLeftPressed = false; // pressed since the last reading, however briefly
        bool bRightPressed = false;
    };

    static const int kHighlightDiameter = 40;
    static const DWORD kRingMs = 300;

    CPointerOverlay() = default;
    CPointerOverlay(const CPointerOverlay&) = delete;
    CPointerOverlay& operator=(const CPointerOverlay&) = delete;

    void SetOptions(bool bPointer, bool bHighlight, bool bClicks);
    bool IsActive() const { return m_bPointer || m_bHighlight || m_bClicks; }
    // A new recording: no rings, nothing drawn, presses before now forgotten.
    void Reset();

    // Reads the pointer and the buttons now and takes them (see Update).
    void Sample(DWORD dwNowMs);
    // Takes a reading: a press starts a ring at the pointer.
    void Update(const State& state, DWORD dwNowMs);
    // Draws into 32-bit rows (top row first, nRowStep bytes apart) of nWidth x nHeight pixels
    // showing the screen from ptOrigin. The rectangles drawn (frame pixels) replace the last
    // ones: GetDrawnRects.
    void Draw(BYTE* pTopRow, int nRowStep, int nWidth, int nHeight, POINT ptOrigin, DWORD dwNowMs);
    // What the last Draw changed in the frame: put back from the screen before the next Draw.
    const std::vector<RECT>& GetDrawnRects() const { return m_drawn; }

private:
    struct Ring
    {
        POINT ptScreen;
        DWORD dwStartMs;
        bool bRight;
    };

    const CPointerImage* Image(HCURSOR hCursor);
    void DrawHighlight(BYTE* pTopRow, int nRowStep, int nWidth, int nHeight, int x, int y);
    void DrawRing(BYTE* pTopRow, int nRowStep, int nWidth, int nHeight, const Ring& ring, int x, int y, DWORD dwAgeMs);
    void AddDrawn(const RECT& rect);

    bool m_bPointer = false;
    bool m_bHighlight = false;
    bool m_bClicks = false;
    State m_state;
    bool m_bLeftDown = false;
    bool m_bRightDown = false;
    std::vector<Ring> m_rings;
    std::vector<RECT> m_drawn;
    std::map<HCURSOR, CPointerImage> m_images;
    CPointerImage m_arrow; // for shapes the system will not draw for us
    bool m_bArrowBuilt = false;
    std::vector<BYTE> m_highlight; // the disc's opacity, kHighlightDiameter squared
};
