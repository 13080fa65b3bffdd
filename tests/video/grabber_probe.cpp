// Starts the grabber as the program does and prints what it found.
//   grabber_probe cycle   Initialize, one grab, Shutdown (detaches)
//   grabber_probe leave   Initialize and end the process without detaching
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "drivers/vidcap/VidcapProtocol.h"
#include "video/CScreenGrabber.h"

int main(int argc, char** argv)
{
    bool bLeave = argc > 1 && strcmp(argv[1], "leave") == 0;
    CScreenGrabber* pGrabber = new CScreenGrabber(VIDCAP_SERVICE_NAME, VIDCAP_DEVICE_DESCRIPTION);
    int bInitialized = pGrabber->Initialize();
    int bGrabbed = bInitialized ? pGrabber->GrabChanges() : 0;
    const BITMAPINFOHEADER& header = pGrabber->GetBitmapInfo()->bmiHeader;
    printf("initialized %d grabbed %d size %ldx%ld surface %d\n", bInitialized, bGrabbed, header.biWidth,
           -header.biHeight, pGrabber->GetSurfaceBpp());
    fflush(stdout);
    if (bLeave)
        return bInitialized ? 0 : 1;
    delete pGrabber;
    return bInitialized ? 0 : 1;
}
