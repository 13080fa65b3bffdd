#pragma once
// The main window's private messages, in one place so that no two share a number.
#include <windows.h>

// The tray icon's notifications (lParam the mouse message).
#define WM_TRAY_NOTIFY (WM_USER + 1002)
// Posted by a writer's thread (lParam a CCaptureGraph event).
#define WM_WRITER_EVENT (WM_USER + 1003)
// The selection overlay or the hotkey asks to start or stop a recording.
#define WM_RECORD_TOGGLE (WM_USER + 1004)
// Posted by the video compressor when it faulted (wParam the exception code, lParam the stage).
#define WM_CODEC_FAULT (WM_USER + 1010)
