#pragma once
// What the main window asks of the shell and of other programs' panels: the folder browser,
// the web pages, and the configuration panels of the compressor and the sound device.
#include "app/CRecordingControl.h"
#include "framework/Afx.h"

class CShellActions
{
public:
    CShellActions(CWnd& window, CRecordingControl& recording) : m_window(window), m_recording(recording) {}
    CShellActions(const CShellActions&) = delete;
    CShellActions& operator=(const CShellActions&) = delete;

    // Lets the user pick a folder, starting at strFolder; false when cancelled.
    bool ChooseFolder(const CString& strFolder, CString& strChosen) const;
    void OpenFolder(const CString& strFolder) const;
    void OpenCodecsPage() const;
    void OpenSupportPage() const;
    void ConfigureCodec() const;
    void AboutCodec() const;
    // False when the panel could not be opened.
    bool OpenDeviceSettings() const;
    bool OpenInputSettings() const;

private:
    CWnd& m_window;
    CRecordingControl& m_recording;
};
