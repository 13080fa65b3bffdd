#include "video/CPointerOverlay.h"

#include <algorithm>
#include <cmath>

namespace {

// Shapes kept drawn at once; a program that makes new ones all the time cannot grow the cache.
const size_t kMaxShapes = 32;
// The disc: yellow, at most this opaque in its middle, fading out towards its edge.
const BYTE kHighlight[3] = {0, 255, 255}; // blue, green, red
const double kHighlightOpacity = 0.45;
// The rings: from this radius to the last over kRingMs, fading out, this thick.
const double kRingFirstRadius = 6.0, kRingLastRadius = 28.0, kRingOpacity = 0.9, kRingHalfWidth = 1.75;
const BYTE kLeftRing[3] = {40, 40, 255};   // red
const BYTE kRightRing[3] = {255, 140, 30}; // blue

// A reading of a button: down now and not at the last reading, or pressed and let go since.
bool Pressed(SHORT nState, bool& bWasDown)
{
    const bool bDown = (nState & 0x8000) != 0;
    const bool bPressed = (nState & 1) || (bDown && !bWasDown);
    bWasDown = bDown;
    return bPressed;
}

void Blend(BYTE* pDest, const BYTE colour[3], int nOpacity)
{
    for (int c = 0; c < 3; ++c)
        pDest[c] = static_cast<BYTE>(pDest[c] + ((colour[c] - pDest[c]) * nOpacity) / 256);
}

RECT Clip(int nLeft, int nTop, int nRight, int nBottom, int nWidth, int nHeight)
{
    return RECT{std::max(nLeft, 0), std::max(nTop, 0), std::min(nRight, nWidth), std::min(nBottom, nHeight)};
}

} // namespace

void CPointerOverlay::SetOptions(bool bPointer, bool bHighlight, bool bClicks)
{
    m_bPointer = bPointer;
    m_bHighlight = bHighlight;
    m_bClicks = bClicks;
}

void CPointerOverlay::Reset()
{
    m_rings.clear();
    m_drawn.clear();
    m_state = State();
    // Reading the buttons forgets the presses made before the recording (the selection's).
    m_bLeftDown = (GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0;
    m_bRightDown = (GetAsyncKeyState(VK_RBUTTON) & 0x8000) != 0;
    // The first reading of the pointer and the first shape cost far more than later ones:
    // they are paid here, before the first frame.
    if (IsActive()) {
        CURSORINFO info = {};
        info.cbSize = sizeof(info);
        GetCursorInfo(&info);
        Image(info.hCursor);
    }
}

void CPointerOverlay::Sample(DWORD dwNowMs)
{
    State state;
    CURSORINFO info = {};
    info.cbSize = sizeof(info);
    if (GetCursorInfo(&info)) {
        state.ptScreen = info.ptScreenPos;
        state.hCursor = info.hCursor;
        state.bVisible = (info.flags & CURSOR_SHOWING) != 0;
    }
    if (m_bClicks) {
        // The asynchronous state is that of the physical buttons.
        const bool bSwapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
        const SHORT nLeft = GetAsyncKeyState(bSwapped ? VK_RBUTTON : VK_LBUTTON);
        const SHORT nRight = GetAsyncKeyState(bSwapped ? VK_LBUTTON : VK_RBUTTON);
        state.bLeftPressed = Pressed(nLeft, m_bLeftDown);
        state.bRightPressed = Pressed(nRight, m_bRightDown);
    }
    Update(state, dwNowMs);
}

void CPointerOverlay::Update(const State& state, DWORD dwNowMs)
{
    m_state = state;
    if (!m_bClicks)
        return;
    if (state.bLeftPressed)
        m_rings.push_back(Ring{state.ptScreen, dwNowMs, false});
    if (state.bRightPressed)
        m_rings.push_back(Ring{state.ptScreen, dwNowMs, true});
}

void CPointerOverlay::Draw(BYTE* pTopRow, int nRowStep, int nWidth, int nHeight, POINT ptOrigin, DWORD dwNowMs)
{
    m_drawn.clear();
    const int x = m_state.ptScreen.x - ptOrigin.x, y = m_state.ptScreen.y - ptOrigin.y;
    if (m_bHighlight && m_state.bVisible)
        DrawHighlight(pTopRow, nRowStep, nWidth, nHeight, x, y);
    m_rings.erase(std::remove_if(m_rings.begin(), m_rings.end(),
                                 [dwNowMs](const Ring& ring) { return dwNowMs - ring.dwStartMs >= kRingMs; }),
                  m_rings.end());
    for (const Ring& ring : m_rings)
        DrawRing(pTopRow, nRowStep, nWidth, nHeight, ring, ring.ptScreen.x - ptOrigin.x, ring.ptScreen.y - ptOrigin.y,
                 dwNowMs - ring.dwStartMs);
    if (m_bPointer && m_state.bVisible) {
        if (const CPointerImage* pImage = Image(m_state.hCursor))
            AddDrawn(pImage->Draw(pTopRow, nRowStep, nWidth, nHeight, x, y));
    }
}

const CPointerImage* CPointerOverlay::Image(HCURSOR hCursor)
{
    auto it = m_images.find(hCursor);
    if (it == m_images.end()) {
        if (m_images.size() >= kMaxShapes)
            m_images.clear();
        it = m_images.emplace(hCursor, CPointerImage()).first;
        it->second.Build(hCursor);
    }
    if (!it->second.IsEmpty())
        return &it->second;
    // No handle (no window has the input) or one the system draws only for its own process:
    // what the user sees there is nearly always the arrow.
    if (!m_bArrowBuilt) {
        m_arrow.Build(LoadCursor(nullptr, IDC_ARROW));
        m_bArrowBuilt = true;
    }
    return m_arrow.IsEmpty() ? nullptr : &m_arrow;
}

void CPointerOverlay::DrawHighlight(BYTE* pTopRow, int nRowStep, int nWidth, int nHeight, int x, int y)
{
    const int nSide = kHighlightDiameter;
    if (m_highlight.empty()) {
        m_highlight.resize(nSide * nSide);
        const double dRadius = nSide / 2.0;
        for (int j = 0; j < nSide; ++j) {
            for (int i = 0; i < nSide; ++i) {
                const double dx = (i + 0.5 - dRadius) / dRadius, dy = (j + 0.5 - dRadius) / dRadius;
                const double dEdge = std::max(0.0, 1.0 - (dx * dx + dy * dy));
                m_highlight[j * nSide + i] = static_cast<BYTE>(255 * kHighlightOpacity * std::sqrt(dEdge));
            }
        }
    }
    const int nLeft = x - nSide / 2, nTop = y - nSide / 2;
    const RECT rc = Clip(nLeft, nTop, nLeft + nSide, nTop + nSide, nWidth, nHeight);
    if (rc.left >= rc.right || rc.top >= rc.bottom)
        return;
    for (int py = rc.top; py < rc.bottom; ++py) {
        BYTE* pRow = pTopRow + static_cast<ptrdiff_t>(py) * nRowStep;
        const BYTE* pOpacity = &m_highlight[(py - nTop) * nSide - nLeft];
        for (int px = rc.left; px < rc.right; ++px) {
            if (pOpacity[px])
                Blend(pRow + px * 4, kHighlight, pOpacity[px]);
        }
    }
    AddDrawn(rc);
}

void CPointerOverlay::DrawRing(BYTE* pTopRow, int nRowStep, int nWidth, int nHeight, const Ring& ring, int x, int y,
                               DWORD dwAgeMs)
{
    const double dProgress = static_cast<double>(dwAgeMs) / kRingMs;
    const double dRadius = kRingFirstRadius + (kRingLastRadius - kRingFirstRadius) * dProgress;
    const double dOpacity = 256 * kRingOpacity * (1.0 - dProgress);
    const int nReach = static_cast<int>(std::ceil(dRadius + kRingHalfWidth + 1));
    const RECT rc = Clip(x - nReach, y - nReach, x + nReach + 1, y + nReach + 1, nWidth, nHeight);
    if (rc.left >= rc.right || rc.top >= rc.bottom)
        return;
    const BYTE* pColour = ring.bRight ? kRightRing : kLeftRing;
    for (int py = rc.top; py < rc.bottom; ++py) {
        BYTE* pRow = pTopRow + static_cast<ptrdiff_t>(py) * nRowStep;
        for (int px = rc.left; px < rc.right; ++px) {
            const double dDistance = std::hypot(px - x, py - y);
            // Full inside the band, a pixel's worth of soft edge on either side.
            const double dCover = std::min(1.0, std::max(0.0, kRingHalfWidth + 0.5 - std::fabs(dDistance - dRadius)));
            if (dCover > 0)
                Blend(pRow + px * 4, pColour, static_cast<int>(dOpacity * dCover));
        }
    }
    AddDrawn(rc);
}

void CPointerOverlay::AddDrawn(const RECT& rect)
{
    if (rect.left < rect.right && rect.top < rect.bottom)
        m_drawn.push_back(rect);
}
