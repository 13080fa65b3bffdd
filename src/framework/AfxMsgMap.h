#pragma once
// Message maps: a per-class table of message -> handler entries, chained to the base
// class's table. Each entry's thunk casts the window to the declaring class and calls the
// handler with the message's arguments unpacked.
//
//   class CMyDlg : public CDialog { ... DECLARE_MESSAGE_MAP() };
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//       ON_WM_TIMER()
//       ON_BN_CLICKED(IDC_START, OnStart)
//       ON_MESSAGE(WM_APP + 1, OnPrivate)
//   END_MESSAGE_MAP()
#include <windows.h>
#include "framework/CDC.h"
#include "framework/CPoint.h"

class CWnd;

#ifndef WM_CTLCOLOR
#define WM_CTLCOLOR 0x0019
#endif

// Reflected messages: a parent's notification passed back to the control that sent it.
#define WM_REFLECT_BASE 0xBC00

// Thunk: the window, the message as dispatched, its arguments. Clearing *pbHandled lets the
// message go on to the next entry or to default processing.
typedef LRESULT (*AFX_PMSGFN)(CWnd* pWnd, UINT nMessage, WPARAM wParam, LPARAM lParam, BOOL* pbHandled);

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage; // window message, WM_COMMAND, WM_NOTIFY or WM_REFLECT_BASE + message
    UINT nCode;    // notification code for commands and notifications
    UINT nID;      // first control or command id
    UINT nLastID;  // last control or command id
    AFX_PMSGFN pfn;
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                                                                                          \
protected:                                                                                                             \
    static const AFX_MSGMAP* GetThisMessageMap();                                                                      \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                                         \
    const AFX_MSGMAP* theClass::GetMessageMap() const                                                                  \
    {                                                                                                                  \
        return GetThisMessageMap();                                                                                    \
    }                                                                                                                  \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                                                    \
    {                                                                                                                  \
        typedef theClass ThisClass;                                                                                    \
        typedef baseClass TheBaseClass;                                                                                \
        static_assert(sizeof(ThisClass) > 0, "complete class");                                                        \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                                                              \
    {                                                                                                                  \
        0, 0, 0, 0, nullptr                                                                                            \
    }                                                                                                                  \
    }                                                                                                                  \
    ;                                                                                                                  \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]};                      \
    return &messageMap;                                                                                                \
    }

// The body sees pThis (the declaring class), nMessage, wParam, lParam and pbHandled.
#define AFX_THUNK(...)                                                                                                 \
    [](CWnd* pWnd, UINT nMessage, WPARAM wParam, LPARAM lParam, BOOL* pbHandled) -> LRESULT {                          \
        (void)nMessage;                                                                                                \
        (void)wParam;                                                                                                  \
        (void)lParam;                                                                                                  \
        (void)pbHandled;                                                                                               \
        ThisClass* pThis = static_cast<ThisClass*>(pWnd);                                                              \
        __VA_ARGS__                                                                                                    \
    }

// --- Window messages ---------------------------------------------------------------------
#define ON_MESSAGE(message, memberFxn)                                                                                 \
    {                                                                                                                  \
        message, 0, 0, 0, AFX_THUNK(return pThis->memberFxn(wParam, lParam);)                                          \
    }                                                                                                                  \
    ,
#define ON_WM_CREATE()                                                                                                 \
    {                                                                                                                  \
        WM_CREATE, 0, 0, 0, AFX_THUNK(return pThis->OnCreate(reinterpret_cast<LPCREATESTRUCTA>(lParam));)              \
    }                                                                                                                  \
    ,
#define ON_WM_DESTROY()                                                                                                \
    {                                                                                                                  \
        WM_DESTROY, 0, 0, 0, AFX_THUNK(pThis->OnDestroy(); return 0;)                                                  \
    }                                                                                                                  \
    ,
#define ON_WM_NCDESTROY()                                                                                              \
    {                                                                                                                  \
        WM_NCDESTROY, 0, 0, 0, AFX_THUNK(pThis->OnNcDestroy(); return 0;)                                              \
    }                                                                                                                  \
    ,
#define ON_WM_CLOSE()                                                                                                  \
    {                                                                                                                  \
        WM_CLOSE, 0, 0, 0, AFX_THUNK(pThis->OnClose(); return 0;)                                                      \
    }                                                                                                                  \
    ,
#define ON_WM_PAINT()                                                                                                  \
    {                                                                                                                  \
        WM_PAINT, 0, 0, 0, AFX_THUNK(pThis->OnPaint(); return 0;)                                                      \
    }                                                                                                                  \
    ,
#define ON_WM_ERASEBKGND()                                                                                             \
    {                                                                                                                  \
        WM_ERASEBKGND, 0, 0, 0,                                                                                        \
            AFX_THUNK(CDC dc; dc.Attach(reinterpret_cast<HDC>(wParam)); LRESULT lResult = pThis->OnEraseBkgnd(&dc);    \
                      dc.Detach(); return lResult;)                                                                    \
    }                                                                                                                  \
    ,
#define ON_WM_TIMER()                                                                                                  \
    {                                                                                                                  \
        WM_TIMER, 0, 0, 0, AFX_THUNK(pThis->OnTimer(static_cast<UINT_PTR>(wParam)); return 0;)                         \
    }                                                                                                                  \
    ,
#define ON_WM_SYSCOMMAND()                                                                                             \
    {                                                                                                                  \
        WM_SYSCOMMAND, 0, 0, 0, AFX_THUNK(pThis->OnSysCommand(static_cast<UINT>(wParam), lParam); return 0;)           \
    }                                                                                                                  \
    ,
#define ON_WM_HOTKEY()                                                                                                 \
    {                                                                                                                  \
        WM_HOTKEY, 0, 0, 0,                                                                                            \
            AFX_THUNK(pThis->OnHotKey(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); return 0;)           \
    }                                                                                                                  \
    ,
#define ON_WM_ENDSESSION()                                                                                             \
    {                                                                                                                  \
        WM_ENDSESSION, 0, 0, 0, AFX_THUNK(pThis->OnEndSession(static_cast<BOOL>(wParam)); return 0;)                   \
    }                                                                                                                  \
    ,
#define ON_WM_QUERYDRAGICON()                                                                                          \
    {                                                                                                                  \
        WM_QUERYDRAGICON, 0, 0, 0, AFX_THUNK(return reinterpret_cast<LRESULT>(pThis->OnQueryDragIcon());)              \
    }                                                                                                                  \
    ,
#define ON_WM_SETCURSOR()                                                                                              \
    {                                                                                                                  \
        WM_SETCURSOR, 0, 0, 0,                                                                                         \
            AFX_THUNK(return pThis->OnSetCursor(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)), LOWORD(lParam),      \
                                                HIWORD(lParam));)                                                      \
    }                                                                                                                  \
    ,
#define AFX_MOUSE_ENTRY(message, memberFxn)                                                                            \
    {                                                                                                                  \
        message, 0, 0, 0, AFX_THUNK(pThis->memberFxn(static_cast<UINT>(wParam), CPoint(lParam)); return 0;)            \
    }                                                                                                                  \
    ,
#define ON_WM_MOUSEMOVE() AFX_MOUSE_ENTRY(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_LBUTTONDOWN() AFX_MOUSE_ENTRY(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_MOUSE_ENTRY(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_MOUSE_ENTRY(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() AFX_MOUSE_ENTRY(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONUP() AFX_MOUSE_ENTRY(WM_RBUTTONUP, OnRButtonUp)
#define ON_WM_MOUSELEAVE()                                                                                             \
    {                                                                                                                  \
        WM_MOUSELEAVE, 0, 0, 0, AFX_THUNK(pThis->OnMouseLeave(); return 0;)                                            \
    }                                                                                                                  \
    ,
#define ON_WM_MOUSEHOVER() AFX_MOUSE_ENTRY(WM_MOUSEHOVER, OnMouseHover)
#define ON_WM_SIZE()                                                                                                   \
    {                                                                                                                  \
        WM_SIZE, 0, 0, 0,                                                                                              \
            AFX_THUNK(pThis->OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); return 0;)             \
    }                                                                                                                  \
    ,
#define ON_WM_SHOWWINDOW()                                                                                             \
    {                                                                                                                  \
        WM_SHOWWINDOW, 0, 0, 0,                                                                                        \
            AFX_THUNK(pThis->OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam)); return 0;)            \
    }                                                                                                                  \
    ,
#define ON_WM_ENABLE()                                                                                                 \
    {                                                                                                                  \
        WM_ENABLE, 0, 0, 0, AFX_THUNK(pThis->OnEnable(static_cast<BOOL>(wParam)); return 0;)                           \
    }                                                                                                                  \
    ,
#define ON_WM_SYSCOLORCHANGE()                                                                                         \
    {                                                                                                                  \
        WM_SYSCOLORCHANGE, 0, 0, 0, AFX_THUNK(pThis->OnSysColorChange(); return 0;)                                    \
    }                                                                                                                  \
    ,
#define ON_WM_GETDLGCODE()                                                                                             \
    {                                                                                                                  \
        WM_GETDLGCODE, 0, 0, 0, AFX_THUNK(return pThis->OnGetDlgCode();)                                               \
    }                                                                                                                  \
    ,
#define ON_WM_DRAWITEM()                                                                                               \
    {                                                                                                                  \
        WM_DRAWITEM, 0, 0, 0,                                                                                          \
            AFX_THUNK(pThis->OnDrawItem(static_cast<int>(wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));         \
                      return TRUE;)                                                                                    \
    }                                                                                                                  \
    ,
#define ON_WM_HSCROLL()                                                                                                \
    {                                                                                                                  \
        WM_HSCROLL, 0, 0, 0,                                                                                           \
            AFX_THUNK(                                                                                                 \
                pThis->OnHScroll(LOWORD(wParam), HIWORD(wParam), CWnd::FromHandle(reinterpret_cast<HWND>(lParam)));    \
                return 0;)                                                                                             \
    }                                                                                                                  \
    ,
#define ON_WM_VSCROLL()                                                                                                \
    {                                                                                                                  \
        WM_VSCROLL, 0, 0, 0,                                                                                           \
            AFX_THUNK(                                                                                                 \
                pThis->OnVScroll(LOWORD(wParam), HIWORD(wParam), CWnd::FromHandle(reinterpret_cast<HWND>(lParam)));    \
                return 0;)                                                                                             \
    }                                                                                                                  \
    ,
#define ON_WM_DISPLAYCHANGE()                                                                                          \
    {                                                                                                                  \
        WM_DISPLAYCHANGE, 0, 0, 0, AFX_THUNK(return pThis->OnDisplayChange(wParam, lParam);)                           \
    }                                                                                                                  \
    ,
// Every WM_CTLCOLORxxx message; nCtlColor is CTLCOLOR_MSGBOX ... CTLCOLOR_STATIC.
#define ON_WM_CTLCOLOR()                                                                                               \
    {                                                                                                                  \
        WM_CTLCOLOR, 0, 0, 0,                                                                                          \
            AFX_THUNK(CDC dc; dc.Attach(reinterpret_cast<HDC>(wParam));                                                \
                      HBRUSH hbr = pThis->OnCtlColor(&dc, CWnd::FromHandle(reinterpret_cast<HWND>(lParam)),            \
                                                     nMessage - WM_CTLCOLORMSGBOX);                                    \
                      dc.Detach(); return reinterpret_cast<LRESULT>(hbr);)                                             \
    }                                                                                                                  \
    ,

// --- Commands and notifications ------------------------------------------------------------
#define ON_COMMAND(id, memberFxn)                                                                                      \
    {                                                                                                                  \
        WM_COMMAND, 0, static_cast<UINT>(id), static_cast<UINT>(id), AFX_THUNK(pThis->memberFxn(); return 0;)          \
    }                                                                                                                  \
    ,
#define ON_COMMAND_RANGE(idFirst, idLast, memberFxn)                                                                   \
    {                                                                                                                  \
        WM_COMMAND, 0, static_cast<UINT>(idFirst), static_cast<UINT>(idLast),                                          \
            AFX_THUNK(pThis->memberFxn(LOWORD(wParam)); return 0;)                                                     \
    }                                                                                                                  \
    ,
#define ON_CONTROL(code, id, memberFxn)                                                                                \
    {                                                                                                                  \
        WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(id),                             \
            AFX_THUNK(pThis->memberFxn(); return 0;)                                                                   \
    }                                                                                                                  \
    ,
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn) ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)
#define ON_CBN_KILLFOCUS(id, memberFxn) ON_CONTROL(CBN_KILLFOCUS, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_NOTIFY(code, id, memberFxn)                                                                                 \
    {                                                                                                                  \
        WM_NOTIFY, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(id),                              \
            AFX_THUNK(LRESULT lResult = 0; pThis->memberFxn(reinterpret_cast<NMHDR*>(lParam), &lResult);               \
                      return lResult;)                                                                                 \
    }                                                                                                                  \
    ,

// --- Reflected to the control that sent them ------------------------------------------------
#define ON_CONTROL_REFLECT(code, memberFxn)                                                                            \
    {                                                                                                                  \
        WM_REFLECT_BASE + WM_COMMAND, static_cast<UINT>(code), 0, 0, AFX_THUNK(pThis->memberFxn(); return 0;)          \
    }                                                                                                                  \
    ,
// The handler returns TRUE when the parent should not see the notification.
#define ON_CONTROL_REFLECT_EX(code, memberFxn)                                                                         \
    {                                                                                                                  \
        WM_REFLECT_BASE + WM_COMMAND, static_cast<UINT>(code), 0, 0,                                                   \
            AFX_THUNK(*pbHandled = pThis->memberFxn() ? TRUE : FALSE; return 0;)                                       \
    }                                                                                                                  \
    ,
#define ON_NOTIFY_REFLECT(code, memberFxn)                                                                             \
    {                                                                                                                  \
        WM_REFLECT_BASE + WM_NOTIFY, static_cast<UINT>(code), 0, 0,                                                    \
            AFX_THUNK(LRESULT lResult = 0; pThis->memberFxn(reinterpret_cast<NMHDR*>(lParam), &lResult);               \
                      return lResult;)                                                                                 \
    }                                                                                                                  \
    ,
// HBRUSH CtlColor(CDC* pDC, UINT nCtlColor); a null brush leaves the parent to answer.
#define ON_WM_CTLCOLOR_REFLECT()                                                                                       \
    {                                                                                                                  \
        WM_REFLECT_BASE + WM_CTLCOLOR, 0, 0, 0,                                                                        \
            AFX_THUNK(CDC dc; dc.Attach(reinterpret_cast<HDC>(wParam));                                                \
                      HBRUSH hbr = pThis->CtlColor(&dc, static_cast<UINT>(lParam)); dc.Detach();                       \
                      *pbHandled = hbr != nullptr; return reinterpret_cast<LRESULT>(hbr);)                             \
    }                                                                                                                  \
    ,
