// Records a rectangle of the screen into an AVI file the way a recording runs, without the
// window: grabber -> timed video source -> compressor (first catalogue entry or a FourCC) ->
// AVI video stream -> AVI writer.
// Usage: screen_recording OUT.avi X Y W H FPS MILLISECONDS [FOURCC]
// While it records, a window of its own over the rectangle changes colour every 50 ms
// (red = step mod 256) and shows the step number.
// Prints key=value lines; exit code 0 on success.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <string>

#include "codec/CVideoCompressor.h"
#include "drivers/vidcap/VidcapProtocol.h"
#include "support/CAnimatedWindow.h"
#include "video/CScreenGrabber.h"
#include "video/CScreenVideoSource.h"
#include "writer/CAviVideoStream.h"
#include "writer/CAviWriter.h"

namespace {

int Fail(const char* pszWhat)
{
    printf("error=%s\n", pszWhat);
    return 1;
}

int SelectCodec(CVideoCompressor& compressor, const char* pszFourCC)
{
    std::vector<std::string> names;
    if (!compressor.BuildCatalogue(names) || compressor.CatalogueSize() == 0)
        return 0;
    int nIndex = 0;
    if (pszFourCC && strlen(pszFourCC) == 4)
        nIndex = compressor.FindByHandler(mmioFOURCC(pszFourCC[0], pszFourCC[1], pszFourCC[2], pszFourCC[3]));
    if (nIndex < 0 || !compressor.Select(nIndex))
        return 0;
    printf("codec=%s\n", names[nIndex].c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 8)
        return 2;
    RECT rect = {atoi(argv[2]), atoi(argv[3]), 0, 0};
    rect.right = rect.left + atoi(argv[4]);
    rect.bottom = rect.top + atoi(argv[5]);
    const UINT nFps = static_cast<UINT>(atoi(argv[6]));
    const DWORD dwMilliseconds = strtoul(argv[7], nullptr, 0);

    CAnimatedWindow scene;
    if (!scene.Show(rect))
        return Fail("scene");

    CScreenGrabber grabber(VIDCAP_SERVICE_NAME, VIDCAP_DEVICE_DESCRIPTION);
    if (!grabber.Initialize())
        return Fail("grabber");
    grabber.SetCaptureRect(rect);

    CScreenVideoSource source;
    source.SetGrabber(&grabber);
    source.SetWidth(rect.right - rect.left);
    source.SetHeight(rect.bottom - rect.top);
    source.SetFrameRate(nFps);
    source.SetDataRate(0);

    CVideoCompressor compressor;
    compressor.SetInputFormat(source.GetFormat(), source.GetFormatSize());
    compressor.SetRate(nFps);
    compressor.SetScale(1);
    compressor.SetDataRate(source.GetDataRate());
    if (!SelectCodec(compressor, argc >= 9 ? argv[8] : nullptr))
        return Fail("codec");
    if (!compressor.Begin())
        return Fail("compressor");

    CAviWriter writer;
    CAviVideoStream stream;
    if (!writer.Initialize() || !writer.SetFileName(argv[1]))
        return Fail("writer");
    if (!stream.SetEncoder(&compressor, 0))
        return Fail("stream");
    stream.SetWriter(&writer);
    writer.AddStream(&stream);
    source.SetTarget(&stream);
    if (!source.Start())
        return Fail("source");
    if (!writer.Start())
        return Fail("start");

    Sleep(dwMilliseconds);

    source.Stop();
    compressor.End();
    writer.Stop();
    writer.ClearStreams();
    grabber.Shutdown();
    scene.Close();
    printf("frames=%ld\n", stream.GetNextPosition());
    return 0;
}
