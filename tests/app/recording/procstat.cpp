// Reads a running program's resource figures from outside, as a task manager does:
//   procstat NAME.exe   prints pid=, handles=, gdi=, user=, private= (bytes), peak_private=
// Handles come from the system's process list, private memory from the process's memory
// counters. GDI objects are the entries of the process's GDI handle table (found through its
// process block) that are not stock objects. USER objects are counted as its windows
// (top-level, child and message-only): the system's own count of them is not available here.
#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

typedef NTSTATUS(NTAPI* QuerySystemFn)(ULONG, PVOID, ULONG, PULONG);
typedef NTSTATUS(NTAPI* QueryProcessFn)(HANDLE, ULONG, PVOID, ULONG, PULONG);

const ULONG kSystemProcessInformation = 5;
const ULONG kProcessVmCounters = 3;
const size_t kGdiTableOffset = 0xF8; // GdiSharedHandleTable in a 64-bit process block
const size_t kGdiHandles = 0x10000;

struct GdiEntry
{
    UINT64 pObject;
    ULONG nOwner;
    USHORT nUnique; // low byte: type bits and the stock flag (0x80)
    UCHAR nType;
    UCHAR nFlags;
    UINT64 pUser;
};

struct VmCounters
{
    SIZE_T PeakVirtualSize, VirtualSize;
    ULONG PageFaultCount;
    SIZE_T PeakWorkingSetSize, WorkingSetSize, QuotaPeakPagedPoolUsage, QuotaPagedPoolUsage, QuotaPeakNonPagedPoolUsage,
        QuotaNonPagedPoolUsage, PagefileUsage, PeakPagefileUsage;
};

DWORD FindProcess(const char* pszName)
{
    DWORD dwPid = 0;
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL bMore = Process32First(hSnapshot, &entry); bMore && !dwPid; bMore = Process32Next(hSnapshot, &entry))
        if (_stricmp(entry.szExeFile, pszName) == 0)
            dwPid = entry.th32ProcessID;
    CloseHandle(hSnapshot);
    return dwPid;
}

ULONG HandleCount(DWORD dwPid)
{
    auto pfnQuery = reinterpret_cast<QuerySystemFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<BYTE> buffer(4 << 20);
    ULONG cbUsed = 0;
    if (!pfnQuery || pfnQuery(kSystemProcessInformation, buffer.data(), ULONG(buffer.size()), &cbUsed) != 0)
        return 0;
    for (BYTE* p = buffer.data();;) {
        const SYSTEM_PROCESS_INFORMATION* pInfo = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(p);
        if (DWORD(ULONG_PTR(pInfo->UniqueProcessId)) == dwPid)
            return pInfo->HandleCount;
        if (!pInfo->NextEntryOffset)
            return 0;
        p += pInfo->NextEntryOffset;
    }
}

int GdiObjects(HANDLE hProcess, QueryProcessFn pfnQuery)
{
    PROCESS_BASIC_INFORMATION basic = {};
    ULONG cbUsed = 0;
    UINT64 pTable = 0;
    SIZE_T cbRead = 0;
    if (pfnQuery(hProcess, 0, &basic, sizeof(basic), &cbUsed) != 0 ||
        !ReadProcessMemory(hProcess, reinterpret_cast<BYTE*>(basic.PebBaseAddress) + kGdiTableOffset, &pTable,
                           sizeof(pTable), &cbRead) ||
        !pTable)
        return -1;
    std::vector<GdiEntry> entries(kGdiHandles);
    if (!ReadProcessMemory(hProcess, reinterpret_cast<void*>(pTable), entries.data(), entries.size() * sizeof(GdiEntry),
                           &cbRead))
        return -1;
    int nCount = 0;
    for (const GdiEntry& entry : entries)
        if (entry.nType && !(entry.nUnique & 0x80))
            ++nCount;
    return nCount;
}

struct WindowCount
{
    DWORD dwPid;
    int nWindows;
};

BOOL CALLBACK CountWindow(HWND hWnd, LPARAM lParam)
{
    WindowCount* pCount = reinterpret_cast<WindowCount*>(lParam);
    DWORD dwPid = 0;
    GetWindowThreadProcessId(hWnd, &dwPid);
    if (dwPid == pCount->dwPid)
        ++pCount->nWindows;
    return TRUE;
}

BOOL CALLBACK CountTopWindow(HWND hWnd, LPARAM lParam)
{
    CountWindow(hWnd, lParam);
    EnumChildWindows(hWnd, CountWindow, lParam);
    return TRUE;
}

int UserObjects(DWORD dwPid)
{
    WindowCount count = {dwPid, 0};
    EnumWindows(CountTopWindow, reinterpret_cast<LPARAM>(&count));
    for (HWND hWnd = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); hWnd;
         hWnd = FindWindowExA(HWND_MESSAGE, hWnd, nullptr, nullptr))
        CountTopWindow(hWnd, reinterpret_cast<LPARAM>(&count));
    return count.nWindows;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const DWORD dwPid = FindProcess(argv[1]);
    HANDLE hProcess = dwPid ? OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, dwPid) : nullptr;
    if (!hProcess) {
        printf("error=no process %s\n", argv[1]);
        return 1;
    }
    auto pfnQuery = reinterpret_cast<QueryProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    VmCounters counters = {};
    ULONG cbUsed = 0;
    pfnQuery(hProcess, kProcessVmCounters, &counters, sizeof(counters), &cbUsed);
    printf("pid=%lu\nhandles=%lu\ngdi=%d\nuser=%d\nprivate=%zu\npeak_private=%zu\n", dwPid, HandleCount(dwPid),
           GdiObjects(hProcess, pfnQuery), UserObjects(dwPid), counters.PagefileUsage, counters.PeakPagefileUsage);
    CloseHandle(hProcess);
    return 0;
}
