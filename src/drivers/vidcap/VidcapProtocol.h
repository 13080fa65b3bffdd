#pragma once
// What the capture driver and its users agree on: the escape codes answered on the
// driver's device context and the layout of the change ring in shared memory.
#include <windows.h>

enum VidcapEscape : int {
    ESC_MAP_SURFACE = 0x11111,
    ESC_UNMAP_SURFACE = 0x11112,
    ESC_MAP_CHANGES = 0x11113,
    ESC_UNMAP_CHANGES = 0x11114,
    ESC_CHECK = 0x11115,
    // Input: a RECT of desktop pixels, the part the caller reads from the surface; an empty
    // one says it reads nothing for now. The driver keeps at least the union of what its
    // callers asked for up to date (everything while one caller has not asked; nothing, and
    // no reading of the screen, while every caller asked for nothing), and a part newly asked
    // for is current when the escape returns. A driver without it keeps everything.
    ESC_SET_SAMPLE_RECT = 0x11116
};

// Escape outputs that carry an address are 8 bytes long: the whole pointer.
const int VIDCAP_ADDRESS_OUTPUT_SIZE = 8;
// The value the program passes with ESC_MAP_CHANGES: the ring capacity it asks for.
const DWORD VIDCAP_REQUESTED_CAPACITY = 8192;

const char VIDCAP_SERVICE_NAME[] = "vidcap";
const char VIDCAP_DEVICE_DESCRIPTION[] = "Vantri Video Capture Driver";
const char VIDCAP_SERVICE_KEY_FORMAT[] =
    "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Services\\%s";
const char VIDCAP_ATTACH_VALUE[] = "Attach.ToDesktop";
// The same switch for a user who may not write the machine's key (see VidcapSwitch.h).
const char VIDCAP_USER_KEY_FORMAT[] = "Software\\Vantri\\Capture Driver\\Services\\%s";

// The change ring: capacity, write counter, read counter, then capacity RECT entries.
// The driver only advances the write counter, the reader only the read counter; the
// rectangle for write counter value n lies at entry n mod capacity.
struct VidcapRingHeader
{
    DWORD nCapacity;
    volatile DWORD nWrite;
    volatile DWORD nRead;
};

inline RECT* VidcapRingEntries(void* pRing)
{
    return reinterpret_cast<RECT*>(static_cast<BYTE*>(pRing) + sizeof(VidcapRingHeader));
}

inline SIZE_T VidcapRingBytes(DWORD nCapacity)
{
    return sizeof(VidcapRingHeader) + static_cast<SIZE_T>(nCapacity) * sizeof(RECT);
}
