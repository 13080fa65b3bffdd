#include "sysinfo/FormatText.h"

#include <cstring>
#include <string>

#include "framework/AfxCore.h"

namespace {

// One letter per argument a format takes; false for a conversion that is refused.
bool ArgumentKinds(const char* psz, std::string& kinds)
{
    kinds.clear();
    while (psz && *psz) {
        if (*psz++ != '%')
            continue;
        if (*psz == '%') {
            ++psz;
            continue;
        }
        while (*psz && strchr("-+ #0", *psz))
            ++psz;
        for (int nPart = 0; nPart < 2; ++nPart) { // width, then precision
            if (*psz == '*') {
                kinds += 'w';
                ++psz;
            }
            while (*psz >= '0' && *psz <= '9')
                ++psz;
            if (nPart == 0 && *psz == '.')
                ++psz;
            else
                break;
        }
        std::string length;
        while (*psz && strchr("hlLqjztI3264", *psz))
            length += *psz++;
        const char chConversion = *psz ? *psz++ : '\0';
        if (!chConversion || !strchr("diouxXcCsSpeEfgGaA", chConversion))
            return false;
        kinds += length;
        kinds += chConversion;
        kinds += ';';
    }
    return true;
}

} // namespace

bool SameFormatArguments(const char* pszFormat, const char* pszReference)
{
    std::string format, reference;
    return ArgumentKinds(pszFormat, format) && ArgumentKinds(pszReference, reference) && format == reference;
}

CString LoadFormatString(UINT nId)
{
    CString strText;
    strText.LoadString(nId);
    CString strOwn;
    HINSTANCE hProgram = AfxGetInstanceHandle();
    if (AfxGetResourceHandle() == hProgram || !strOwn.LoadString(hProgram, nId))
        return strText;
    return SameFormatArguments(strText, strOwn) ? strText : strOwn;
}
