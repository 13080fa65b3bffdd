#include "app/DeviceNameScore.h"

#include <cctype>
#include <string>

int ScoreDeviceName(const char* pszName)
{
    if (!pszName || !*pszName)
        return 0;
    std::string name = pszName;
    for (char& ch : name) {
        unsigned char uch = static_cast<unsigned char>(ch);
        if (uch < 0x80)
            ch = static_cast<char>(tolower(uch));
    }
    static const struct
    {
        const char* pszKeyword;
        int nWeight;
    } keywords[] = {
        {"out", 1},
        {"wave", 2},
        {"hear", 3},
        {"\xBB\xEC\xD2\xF4", 4},         // mix
        {"\xB5\xA5\xC9\xF9\xB5\xC0", 5}, // mono
        {"\xC1\xA2\xCC\xE5\xC9\xF9", 6}, // stereo
        {"mix", 7},
        {"mono", 8},
        {"stereo", 9},
    };
    int nScore = 0;
    for (const auto& keyword : keywords) {
        if (name.find(keyword.pszKeyword) != std::string::npos)
            nScore += keyword.nWeight;
    }
    return nScore;
}
