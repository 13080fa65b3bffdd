// What the programs that record through the capture graph without the window share: choosing
// the compressor by its four-character code, reporting a failure, and pumping messages while
// counting the writer's notifications.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/CCaptureGraph.h"
#include "base/PrivateMessages.h"

namespace graphtools {

inline int Fail(const char* pszWhat)
{
    printf("error=%s\n", pszWhat);
    return 1;
}

// The compressor of the given code, or the first catalogue entry (the pass-through) when
// none is given; prints "codec=<name>".
inline bool SelectCodec(CVideoCompressor& compressor, const BITMAPINFOHEADER* pFormat, const char* pszFourCC)
{
    compressor.SetInputFormat(pFormat, sizeof(BITMAPINFOHEADER));
    std::vector<std::string> names;
    if (!compressor.BuildCatalogue(names) || names.empty())
        return false;
    int nIndex = 0;
    if (pszFourCC && strlen(pszFourCC) == 4)
        nIndex = compressor.FindByHandler(mmioFOURCC(pszFourCC[0], pszFourCC[1], pszFourCC[2], pszFourCC[3]));
    if (nIndex < 0 || !compressor.Select(nIndex))
        return false;
    printf("codec=%s\n", names[nIndex].c_str());
    return true;
}

// Counts the writer's notifications while the recording runs.
inline int PumpFor(DWORD dwMilliseconds)
{
    int nEvents = 0;
    DWORD dwEnd = GetTickCount() + dwMilliseconds;
    MSG msg;
    while (GetTickCount() < dwEnd) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_WRITER_EVENT)
                ++nEvents;
            DispatchMessageA(&msg);
        }
    }
    return nEvents;
}

} // namespace graphtools
