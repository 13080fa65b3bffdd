#pragma once

#include <windows.h>

#include "framework/Afx.h"

// The ten values the main window keeps between runs, under HKEY_CURRENT_USER
// "Software\Vantri\Orvane". Indices are positions in the window's lists.
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
};

class CSettingsStore
{
public:
    static const char* const kKey;
    static const char* const kDefaultFolder;
    enum { SAMPLE_RATE_DEFAULT = 4, QUALITY_DEFAULT = 5, VOLUME_DEFAULT = 20000, FPS_DEFAULT = 20 };
    static const DWORD kDefaultHotKey = 0x770000; // F8 without modifiers

    explicit CSettingsStore(HKEY hRoot = HKEY_CURRENT_USER, const char* pszKey = kKey);

    static void ApplyDefaults(StoredSettings& settings);
    // Defaults, then the stored values with their repairs. On the first run (no key) the
    // default folder is created and every value written. Returns 1.
    int Load(StoredSettings& settings) const;
    // Writes all ten values; a key that cannot be created loses them silently.
    int Save(const StoredSettings& settings) const;

    // The number of a typed frames-per-second text: its leading decimal digits after any
    // blanks; no digits (a sign included) give 0, more than fits an int gives INT_MAX.
    static int FramesPerSecond(const char* pszText);
    // The rate a recording uses for a typed text: its number kept to 1..100.
    static int UsableFramesPerSecond(const char* pszText);
    enum { FPS_MIN = 1, FPS_MAX = 100 };

    // Slider position for a volume: loud is at the top. Out-of-range volumes give the default.
    static int SliderForVolume(long nVolume);

private:
    HKEY m_hRoot;
    CString m_strKey;
};
