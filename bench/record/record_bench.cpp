// One recording through the main window's capture graph, without the window, for the
// recording benchmarks: a rectangle of the desktop at a frame rate, sound from the default
// recording device, into an AVI (or WMV) file.
// Usage: record_bench OUT X Y W H FPS MILLISECONDS [FOURCC|-] [FORMAT] [POINTER]
//   FOURCC picks the compressor ("-" or none: the first catalogue entry, the pass-through);
//   FORMAT 0 = AVI (default), 1 = WMV; POINTER: what is drawn of the mouse, any of p (the
//   pointer), h (its highlight), c (click rings); none by default.
// Prints, flushed as they happen: "recording" once the writer runs, "stopped" once the
// recording ended (the writer's queue written out), then key=value lines: codec, the
// process's CPU seconds while recording (cpu_recording), the wall seconds, writer events, and
// the seconds spent in each stage of the frames' way while recording (stage_<name>=): the
// capture driver's desktop reads and change tracking, then the pipeline's stages.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/CCaptureGraph.h"
#include "codecs/zmbv/ZmbvDriver.h"
#include "drivers/vidcap/CVidcapDriver.h"
#include "pipeline/CStageTimer.h"
#include "support/GraphRecordingTools.h"

using namespace graphtools;

namespace {

double ProcessCpuSeconds()
{
    FILETIME ftCreate, ftExit, ftKernel, ftUser;
    if (!GetProcessTimes(GetCurrentProcess(), &ftCreate, &ftExit, &ftKernel, &ftUser))
        return 0;
    auto seconds = [](const FILETIME& ft) {
        return ((static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) / 1e7;
    };
    return seconds(ftKernel) + seconds(ftUser);
}

void Say(const char* pszLine)
{
    printf("%s\n", pszLine);
    fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 8)
        return 2;
    ZmbvInstallForProcess();
    RECT rect = {atoi(argv[2]), atoi(argv[3]), 0, 0};
    rect.right = rect.left + atoi(argv[4]);
    rect.bottom = rect.top + atoi(argv[5]);
    const char* pszFourCC = argc > 8 && strcmp(argv[8], "-") != 0 ? argv[8] : nullptr;

    CCaptureGraph graph;
    if (!graph.InitializeGrabber())
        return Fail("grabber");
    CVideoSource probe;
    probe.SetWidth(rect.right - rect.left);
    probe.SetHeight(rect.bottom - rect.top);
    if (!SelectCodec(graph.Compressor(), probe.GetFormat(), pszFourCC))
        return Fail("codec");

    HWND hNotify = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    RecordingSetup setup = {};
    setup.nFormat = argc > 9 ? atoi(argv[9]) : 0;
    setup.rect = rect;
    setup.nFps = static_cast<UINT>(atoi(argv[6]));
    setup.nSampleRate = 44100;
    setup.nQuality = 5;
    setup.dwVolumeSlider = 0;
    setup.pszFileName = argv[1];
    setup.hNotify = hNotify;
    setup.nNotifyMsg = WM_WRITER_EVENT;
    const char* pszPointer = argc > 10 ? argv[10] : "";
    setup.bRecordPointer = strchr(pszPointer, 'p') != nullptr;
    setup.bHighlightPointer = strchr(pszPointer, 'h') != nullptr;
    setup.bShowClicks = strchr(pszPointer, 'c') != nullptr;

    CCaptureGraph::BeginResult result = graph.Begin(setup);
    if (result != CCaptureGraph::BEGIN_OK) {
        graph.End(setup.nFormat);
        printf("begin=%d\n", static_cast<int>(result));
        return Fail("begin");
    }
    CVidcapDriver::Instance().ResetStatistics();
    CStageTimer::Reset();
    double dCpuStart = ProcessCpuSeconds();
    DWORD dwStart = GetTickCount();
    Say("recording");
    int nEvents = PumpFor(strtoul(argv[7], nullptr, 0));
    graph.End(setup.nFormat);
    double dCpu = ProcessCpuSeconds() - dCpuStart;
    const CVidcapDriver::Statistics driver = CVidcapDriver::Instance().GetStatistics();
    const CStageTimer::Totals stages = CStageTimer::Read();
    DWORD dwWall = GetTickCount() - dwStart;
    Say("stopped");
    printf("cpu_recording=%.3f\nwall_recording=%.3f\nwriter_events=%d\n", dCpu, dwWall / 1000.0, nEvents);
    printf("driver_samples=%lu\nstage_screen_read=%.4f\nstage_tracking=%.4f\ndriver_cpu=%.3f\n",
           static_cast<unsigned long>(driver.nSamples), driver.dCopySeconds,
           driver.dSampleSeconds - driver.dCopySeconds, driver.dCpuSeconds);
    for (int n = 0; n < STAGE_COUNT; ++n)
        printf("stage_%s=%.4f\ncalls_%s=%lld\n", CStageTimer::Name(static_cast<PipelineStage>(n)), stages.dSeconds[n],
               CStageTimer::Name(static_cast<PipelineStage>(n)), stages.nCalls[n]);
    DestroyWindow(hNotify);
    return 0;
}
