// The program's one application object and its entry point.
#include "app/COrvaneApp.h"
#include "app/CRecoveryScan.h"

COrvaneApp theApp;

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    // For scripts: no window, no instance check, no capture driver; the exit code tells.
    std::string path;
    if (CRecoveryScan::ParseRepairCommand(lpCmdLine, path))
        return CRecoveryScan::RepairFile(path.c_str());
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
