#pragma once

#include <windows.h>

#include "framework/Afx.h"

// The values the main window and the Options dialog keep between runs, under
// HKEY_CURRENT_USER "Software\Vantri\Orvane". Indices are positions in the window's lists.
struct StoredSettings
{
    CString strSaveFolder;
    int nFormat;
    int nCodec;
    int nAudioDevice;
    int nAudioInput;
    int nSampleRate;
    int nAudioQuality;
    int nVolumeSlider;
    CString strFps;
    DWORD dwHotKey;
    // The Options dialog's.
    DWORD dwPauseHotKey;
    int nCountdown; // seconds, 0 .. 10
    int bRecordPointer;
    int bHighlightPointer;
    int bShowClicks;
    int nSecondDevice; // wave-in device number; -1 none
    int nSecondVolume; // 0 .. 65535
    // The rectangle of the last recording (not a choice: Default keeps it).
    int bHaveLastRect;
    RECT rcLast;
};

class CSettingsStore
{
public:
    static const char* const kKey;
    static const char* const kDefaultFolder;
    enum { SAMPLE_RATE_DEFAULT = 4, QUALITY_DEFAULT = 5, VOLUME_DEFAULT = 20000, FPS_DEFAULT = 20 };
    enum { COUNTDOWN_MAX = 10 };
    static const DWORD kDefaultHotKey = 0x770000;      // F8 without modifiers
    static const DWORD kDefaultPauseHotKey = 0x780000; // F9 without modifiers

    explicit CSettingsStore(HKEY hRoot = HKEY_CURRENT_USER, const char* pszKey = kKey);

    static void ApplyDefaults(StoredSettings& settings);
    // Defaults, then the stored values with their repairs. On the first run (no key) the
    // default folder is created and every value written. Returns 1.
    int Load(StoredSettings& settings) const;
    // Writes all values; a key that cannot be created loses them silently.
    int Save(const StoredSettings& settings) const;
    // Writes the rectangle of the recording that just began, so that it outlives a crash.
    int SaveLastRect(const RECT& rect) const;

    // The number of a typed frames-per-second text: its leading decimal digits after any
    // blanks; no digits (a sign included) give 0, more than fits an int gives INT_MAX.
    static int FramesPerSecond(const char* pszText);
    // The rate a recording uses for a typed text: its number kept to 1..100.
    static int UsableFramesPerSecond(const char* pszText);
    enum { FPS_MIN = 1, FPS_MAX = 100 };

    // Slider position for a volume: loud is at the top. Out-of-range volumes give the default.
    static int SliderForVolume(long nVolume);

private:
    static void LoadOptions(HKEY hKey, StoredSettings& settings);
    static void SaveOptions(HKEY hKey, const StoredSettings& settings);

    HKEY m_hRoot;
    CString m_strKey;
};
