#include "app/CShellActions.h"

#include <shellapi.h>

#include "app/OutputFiles.h"
#include "res/resource.h"

namespace {

const char* const kSupportPage = "http://www.vantri.com/orvane/support.html";

} // namespace

bool CShellActions::ChooseFolder(const CString& strFolder, CString& strChosen) const
{
    char szFolder[MAX_PATH];
    if (!BrowseForFolder(m_window.m_hWnd, LoadText(IDS_SELECT_FOLDER), strFolder, szFolder, sizeof(szFolder)))
        return false;
    strChosen = szFolder;
    return true;
}

void CShellActions::OpenFolder(const CString& strFolder) const
{
    ::OpenFolder(strFolder);
}

void CShellActions::OpenCodecsPage() const
{
    ShellExecuteA(m_window.m_hWnd, "open", LoadText(IDS_CODECS_URL), nullptr, nullptr, SW_SHOWNORMAL);
}

void CShellActions::OpenSupportPage() const
{
    ShellExecuteA(nullptr, "open", kSupportPage, nullptr, nullptr, SW_SHOWNORMAL);
}

void CShellActions::ConfigureCodec() const
{
    m_recording.Graph().Compressor().Configure(m_window.m_hWnd);
}

void CShellActions::AboutCodec() const
{
    m_recording.Graph().Compressor().About(m_window.m_hWnd);
}

bool CShellActions::OpenDeviceSettings() const
{
    return m_recording.Graph().Capture().OpenDeviceSettings() != 0;
}

bool CShellActions::OpenInputSettings() const
{
    return m_recording.Graph().Capture().OpenInputSettings() != 0;
}
