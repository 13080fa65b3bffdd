// One recording through the main window's capture graph, without the window: a rectangle of
// the screen (with an animated window of its own in it) and the default sound device.
// Usage: graph_recording OUT X Y W H FPS MILLISECONDS FORMAT [FOURCC]
//   FORMAT 0 = AVI, 1 = WMV; FOURCC picks the compressor (default: the first catalogue entry).
// Prints key=value lines; exit code 0 on success.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/CCaptureGraph.h"
#include "codecs/zmbv/ZmbvDriver.h"
#include "support/GraphRecordingTools.h"
#include "support/CAnimatedWindow.h"

using namespace graphtools;

int main(int argc, char** argv)
{
    if (argc < 9)
        return 2;
    ZmbvInstallForProcess();
    RECT rect = {atoi(argv[2]), atoi(argv[3]), 0, 0};
    rect.right = rect.left + atoi(argv[4]);
    rect.bottom = rect.top + atoi(argv[5]);

    CAnimatedWindow scene;
    if (!scene.Show(rect))
        return Fail("scene");

    CCaptureGraph graph;
    if (!graph.InitializeGrabber())
        return Fail("grabber");

    // The compressor's catalogue depends on the input format: the frame of this rectangle.
    CVideoSource probe;
    probe.SetWidth(rect.right - rect.left);
    probe.SetHeight(rect.bottom - rect.top);
    if (!SelectCodec(graph.Compressor(), probe.GetFormat(), argc >= 10 ? argv[9] : nullptr))
        return Fail("codec");

    HWND hNotify = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    RecordingSetup setup = {};
    setup.nFormat = atoi(argv[8]);
    setup.rect = rect;
    setup.nFps = static_cast<UINT>(atoi(argv[6]));
    setup.nSampleRate = 44100;
    setup.nQuality = 5;
    setup.dwVolumeSlider = 0xFFFF - 20000;
    setup.pszFileName = argv[1];
    setup.hNotify = hNotify;
    setup.nNotifyMsg = WM_WRITER_EVENT;

    CCaptureGraph::BeginResult result = graph.Begin(setup);
    if (result != CCaptureGraph::BEGIN_OK) {
        graph.End(setup.nFormat);
        printf("begin=%d\n", static_cast<int>(result));
        return Fail("begin");
    }
    int nEvents = PumpFor(strtoul(argv[7], nullptr, 0));
    graph.End(setup.nFormat);
    scene.Close();
    printf("writer_events=%d\n", nEvents);
    return 0;
}
