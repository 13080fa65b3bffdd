// A language DLL with code: its entry point leaves a named event behind when it runs. The
// resources are the Chinese ones (linked in from the program's script).
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH)
        CreateEventA(nullptr, TRUE, TRUE, "OrvanePlantedDllRan"); // kept open for the process's life
    return TRUE;
}
