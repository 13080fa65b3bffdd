#pragma once
#include <windows.h>
#include <mmsystem.h>

// Driver entry of the built-in lossless screen compressor, as the compression manager calls it.
LRESULT CALLBACK ZmbvDriverProc(DWORD_PTR dwDriverId, HDRVR hDriver, UINT uMsg, LPARAM lParam1, LPARAM lParam2);

// Makes the compressor known to this process's compression manager under "ZMBV", so it is
// enumerated and opened like any installed compressor. True when it is installed.
BOOL ZmbvInstallForProcess();

// Takes it out again (for tests and orderly shutdown).
BOOL ZmbvRemoveFromProcess();
