// Cost of skinning: decoding the three 512 x 416 pictures, and applying the skin to the main
// window's template (regions from the mask, placing 33 controls, cutting state pictures).
#include "CSkinTestDialog.h"

#include "framework/AfxCore.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Now()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    int nRuns = argc > 1 ? atoi(argv[1]) : 20;
    HINSTANCE hInstance = GetModuleHandleA(nullptr);
    AfxSetInstanceHandle(hInstance);
    AfxSetResourceHandle(hInstance);
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);

    std::vector<double> decode, apply;
    for (int i = 0; i < nRuns; ++i) {
        double t0 = Now();
        for (UINT nID : {IDB_SKIN_MASK, IDB_SKIN_FACE, IDB_SKIN_HOVER})
            delete LoadSkinImage(nID);
        decode.push_back(Now() - t0);
    }
    CSkinTestDialog dlg;
    if (!dlg.CreateFromTemplate())
        return 1;
    for (int i = 0; i < nRuns; ++i) {
        double t0 = Now();
        dlg.m_skin.ApplySkin();
        apply.push_back(Now() - t0);
    }
    dlg.DestroyWindow();
    printf("skin pictures decoded (3 x 512x416 PNG): median %.2f ms\n", Median(decode));
    printf("skin applied to main window (33 controls): median %.2f ms\n", Median(apply));
    return 0;
}
