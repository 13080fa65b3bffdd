#pragma once
// Texts of the string table that are used as printf formats. A language DLL's translation
// is a format only when it asks for the same arguments as the program's own text: anything
// else would read arguments that were never passed.
#include "framework/CString.h"

// The translated text (from the resource module) when its conversions match those of the
// program's own text of that number; the program's own text otherwise.
CString LoadFormatString(UINT nId);

// True when both formats take the same arguments in the same order: each conversion's kind
// (with its length modifier) and each '*' width or precision. "%%" takes none; "%n" and
// anything this reader does not know never match.
bool SameFormatArguments(const char* pszFormat, const char* pszReference);
