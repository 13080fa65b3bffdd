#pragma once
// The texts of a module's version resource, as read by CFileVersionInfo::Fill.
#include "framework/CString.h"

struct FileVersionRecord
{
    CString m_strCompanyName;
    CString m_strLegalCopyright;
    CString m_strFileDescription;
    CString m_strLanguage;
    CString m_strInternalName;
    CString m_strOriginalFilename;
    CString m_strProductName;
    CString m_strProductVersion;
    CString m_strFileVersionNumber; // "a.b.c.d" from the fixed information
    CString m_strFileVersion;       // the "FileVersion" string
    CString m_strFileOS;
    CString m_strFileType;
};
