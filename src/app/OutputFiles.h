#pragma once

#include <windows.h>

// Output file naming and the save folder: every recording goes to a new file named after the
// local date ("20071207.avi"), numbered "#01", "#02"... when the name is taken.

// Writes the next free name for a recording into pszName (at most nSize - 1 characters).
// Returns 0, with an empty name, when the folder and name do not fit in nSize characters
// (the caller then reports an invalid output path) or on a null buffer.
int BuildOutputName(const char* pszFolder, const char* pszExtension, const SYSTEMTIME& date, char* pszName, int nSize);

// The name with the next number suffix: "20071207.avi" -> "20071207#01.avi",
// "20071207#01.avi" -> "20071207#02.avi", "20071207#99.avi" -> "20071207#100.avi".
bool NextNumberedName(const char* pszName, char* pszNext, int nSize);

// True when a file (not a folder) of that name exists.
bool FileExists(const char* pszPath);

// Creates every missing folder of the path from the left; the last element too when the path
// does not end with a backslash and bCreateLast is set. Succeeds when the last folder exists.
bool CreateFolder(const char* pszPath, bool bCreateLast);

// The shell's folder browser with the current folder preselected; trailing backslashes are
// removed. Returns false on cancel.
bool BrowseForFolder(HWND hOwner, const char* pszTitle, const char* pszCurrent, char* pszChosen, int nSize);

// Opens the folder in the shell.
void OpenFolder(const char* pszFolder);
