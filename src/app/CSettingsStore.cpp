#include "app/CSettingsStore.h"

#include "base/ScopedWin.h"

#include <climits>
#include <cstdio>

#include "app/OutputFiles.h"

const char* const CSettingsStore::kKey = "Software\\Vantri\\Orvane";
const char* const CSettingsStore::kDefaultFolder = "C:\\Video Recordings";

namespace {

bool ReadDword(HKEY hKey, const char* pszName, long& nValue)
{
    DWORD dwType = 0, dwValue = 0, cbValue = sizeof(dwValue);
    if (RegQueryValueExA(hKey, pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(&dwValue), &cbValue) !=
            ERROR_SUCCESS ||
        dwType != REG_DWORD || cbValue != sizeof(dwValue))
        return false;
    nValue = static_cast<long>(static_cast<LONG>(dwValue));
    return true;
}

bool ReadFolder(HKEY hKey, CString& strFolder)
{
    char szFolder[MAX_PATH] = "";
    DWORD dwType = 0, cbFolder = MAX_PATH - 1;
    if (RegQueryValueExA(hKey, "Save Folder", nullptr, &dwType, reinterpret_cast<BYTE*>(szFolder), &cbFolder) !=
            ERROR_SUCCESS ||
        dwType != REG_SZ || !szFolder[0])
        return false;
    szFolder[MAX_PATH - 1] = '\0';
    strFolder = szFolder;
    return true;
}

void WriteDword(HKEY hKey, const char* pszName, DWORD dwValue)
{
    RegSetValueExA(hKey, pszName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue));
}

// A rectangle is stored as four signed 32-bit numbers: left, top, right, bottom.
const char* const kLastRect = "Last Rectangle";

bool ReadRect(HKEY hKey, RECT& rect)
{
    LONG pnValues[4] = {};
    DWORD dwType = 0, cbValues = sizeof(pnValues);
    if (RegQueryValueExA(hKey, kLastRect, nullptr, &dwType, reinterpret_cast<BYTE*>(pnValues), &cbValues) !=
            ERROR_SUCCESS ||
        dwType != REG_BINARY || cbValues != sizeof(pnValues) || pnValues[2] <= pnValues[0] ||
        pnValues[3] <= pnValues[1])
        return false;
    SetRect(&rect, pnValues[0], pnValues[1], pnValues[2], pnValues[3]);
    return true;
}

void WriteRect(HKEY hKey, const RECT& rect)
{
    const LONG pnValues[4] = {rect.left, rect.top, rect.right, rect.bottom};
    RegSetValueExA(hKey, kLastRect, 0, REG_BINARY, reinterpret_cast<const BYTE*>(pnValues), sizeof(pnValues));
}

// Modifiers in bits 0-2 and a key word of at most 9 bits: anything else is no hotkey.
bool IsHotKeyValue(DWORD dwValue)
{
    return (dwValue & 0xFE00FFF8u) == 0 && (dwValue >> 16) != 0;
}

} // namespace

CSettingsStore::CSettingsStore(HKEY hRoot, const char* pszKey) : m_hRoot(hRoot), m_strKey(pszKey)
{
}

int CSettingsStore::FramesPerSecond(const char* pszText)
{
    if (!pszText)
        return 0;
    while (*pszText == ' ' || *pszText == '\t')
        ++pszText;
    long long nValue = 0;
    for (; *pszText >= '0' && *pszText <= '9'; ++pszText) {
        nValue = nValue * 10 + (*pszText - '0');
        if (nValue > INT_MAX)
            return INT_MAX;
    }
    return static_cast<int>(nValue);
}

// Above 1000 the frame interval is 0 ms; above 100 no screen rate is served anyway.
int CSettingsStore::UsableFramesPerSecond(const char* pszText)
{
    const int nFps = FramesPerSecond(pszText);
    return nFps < FPS_MIN ? FPS_MIN : (nFps > FPS_MAX ? FPS_MAX : nFps);
}

int CSettingsStore::SliderForVolume(long nVolume)
{
    if (nVolume < 0 || nVolume > 0xFFFF)
        nVolume = VOLUME_DEFAULT;
    return static_cast<int>(0xFFFF - nVolume);
}

void CSettingsStore::ApplyDefaults(StoredSettings& settings)
{
    settings.strSaveFolder = kDefaultFolder;
    settings.nFormat = 0;
    settings.nCodec = -1;
    settings.nAudioDevice = -1;
    settings.nAudioInput = -1;
    settings.nSampleRate = SAMPLE_RATE_DEFAULT;
    settings.nAudioQuality = QUALITY_DEFAULT;
    settings.nVolumeSlider = SliderForVolume(VOLUME_DEFAULT);
    settings.strFps.Format("%d", static_cast<int>(FPS_DEFAULT));
    settings.dwHotKey = kDefaultHotKey;
    settings.dwPauseHotKey = kDefaultPauseHotKey;
    settings.nCountdown = 0;
    settings.bRecordPointer = 1;
    settings.bHighlightPointer = 0;
    settings.bShowClicks = 0;
    settings.nSecondDevice = -1;
    settings.nSecondVolume = VOLUME_DEFAULT;
    settings.bHaveLastRect = 0;
    SetRectEmpty(&settings.rcLast);
}

int CSettingsStore::Load(StoredSettings& settings) const
{
    ApplyDefaults(settings);
    CScopedRegKey key;
    if (RegOpenKeyExA(m_hRoot, m_strKey, 0, KEY_ALL_ACCESS, key.Receive()) != ERROR_SUCCESS) {
        CreateFolder(settings.strSaveFolder, true);
        Save(settings);
        return 1;
    }
    const HKEY hKey = key.Get();
    if (!ReadFolder(hKey, settings.strSaveFolder))
        CreateFolder(settings.strSaveFolder, true);

    long n = 0;
    if (ReadDword(hKey, "Video Format", n))
        settings.nFormat = static_cast<int>(n);
    if (ReadDword(hKey, "Video Codec", n))
        settings.nCodec = static_cast<int>(n);
    if (ReadDword(hKey, "Audio Device", n))
        settings.nAudioDevice = static_cast<int>(n);
    if (ReadDword(hKey, "Audio Input", n))
        settings.nAudioInput = static_cast<int>(n);
    if (ReadDword(hKey, "Sample Rate", n))
        settings.nSampleRate = n < 0 ? SAMPLE_RATE_DEFAULT : static_cast<int>(n);
    if (ReadDword(hKey, "Audio Quality", n))
        settings.nAudioQuality = n < 0 ? QUALITY_DEFAULT : (n > 9 ? 9 : static_cast<int>(n));
    if (ReadDword(hKey, "Audio Volume", n))
        settings.nVolumeSlider = n < 0 ? SliderForVolume(VOLUME_DEFAULT) : static_cast<int>(n);
    if (ReadDword(hKey, "Video FPS", n))
        settings.strFps.Format("%ld", n);
    long nHotKey = 0;
    if (ReadDword(hKey, "Start HotKey", nHotKey))
        settings.dwHotKey = static_cast<DWORD>(nHotKey);
    LoadOptions(hKey, settings);
    return 1;
}

int CSettingsStore::Save(const StoredSettings& settings) const
{
    CScopedRegKey key;
    if (RegCreateKeyExA(m_hRoot, m_strKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr) !=
        ERROR_SUCCESS)
        return 0;
    const HKEY hKey = key.Get();
    const CString& folder = settings.strSaveFolder;
    RegSetValueExA(hKey, "Save Folder", 0, REG_SZ, reinterpret_cast<const BYTE*>(static_cast<LPCSTR>(folder)),
                   static_cast<DWORD>(folder.GetLength() + 1));
    WriteDword(hKey, "Video Format", static_cast<DWORD>(settings.nFormat));
    WriteDword(hKey, "Video Codec", static_cast<DWORD>(settings.nCodec));
    WriteDword(hKey, "Audio Device", static_cast<DWORD>(settings.nAudioDevice));
    WriteDword(hKey, "Audio Input", static_cast<DWORD>(settings.nAudioInput));
    WriteDword(hKey, "Sample Rate", static_cast<DWORD>(settings.nSampleRate));
    WriteDword(hKey, "Audio Quality", static_cast<DWORD>(settings.nAudioQuality));
    WriteDword(hKey, "Audio Volume", static_cast<DWORD>(settings.nVolumeSlider));
    WriteDword(hKey, "Video FPS", static_cast<DWORD>(FramesPerSecond(settings.strFps)));
    WriteDword(hKey, "Start HotKey", settings.dwHotKey);
    SaveOptions(hKey, settings);
    return 1;
}

void CSettingsStore::LoadOptions(HKEY hKey, StoredSettings& settings)
{
    long n = 0;
    if (ReadDword(hKey, "Pause HotKey", n) && IsHotKeyValue(static_cast<DWORD>(n)))
        settings.dwPauseHotKey = static_cast<DWORD>(n);
    if (ReadDword(hKey, "Countdown", n))
        settings.nCountdown = n < 0 ? 0 : (n > COUNTDOWN_MAX ? COUNTDOWN_MAX : static_cast<int>(n));
    if (ReadDword(hKey, "Record Pointer", n))
        settings.bRecordPointer = n != 0;
    if (ReadDword(hKey, "Highlight Pointer", n))
        settings.bHighlightPointer = n != 0;
    if (ReadDword(hKey, "Show Clicks", n))
        settings.bShowClicks = n != 0;
    // A device that is gone by now falls back to none when the list is filled.
    if (ReadDword(hKey, "Second Audio Device", n))
        settings.nSecondDevice = n < -1 ? -1 : static_cast<int>(n);
    if (ReadDword(hKey, "Second Audio Volume", n))
        settings.nSecondVolume = n < 0 || n > 0xFFFF ? static_cast<int>(VOLUME_DEFAULT) : static_cast<int>(n);
    settings.bHaveLastRect = ReadRect(hKey, settings.rcLast);
}

void CSettingsStore::SaveOptions(HKEY hKey, const StoredSettings& settings)
{
    WriteDword(hKey, "Pause HotKey", settings.dwPauseHotKey);
    WriteDword(hKey, "Countdown", static_cast<DWORD>(settings.nCountdown));
    WriteDword(hKey, "Record Pointer", settings.bRecordPointer ? 1 : 0);
    WriteDword(hKey, "Highlight Pointer", settings.bHighlightPointer ? 1 : 0);
    WriteDword(hKey, "Show Clicks", settings.bShowClicks ? 1 : 0);
    WriteDword(hKey, "Second Audio Device", static_cast<DWORD>(settings.nSecondDevice));
    WriteDword(hKey, "Second Audio Volume", static_cast<DWORD>(settings.nSecondVolume));
    if (settings.bHaveLastRect)
        WriteRect(hKey, settings.rcLast);
}

int CSettingsStore::SaveLastRect(const RECT& rect) const
{
    CScopedRegKey key;
    if (RegCreateKeyExA(m_hRoot, m_strKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr) !=
        ERROR_SUCCESS)
        return 0;
    const HKEY hKey = key.Get();
    WriteRect(hKey, rect);
    return 1;
}
