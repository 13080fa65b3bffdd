#pragma once

#include <windows.h>

// The stages a video frame passes between the screen and the file, timed where they run so
// that what a frame costs can be read stage by stage (the benchmarks print it).
enum PipelineStage {
    STAGE_GRAB,         // the grabber brings its desktop copy up to date
    STAGE_FRAME,        // the capture rectangle is copied into the frame (flipped, converted)
    STAGE_COMPRESS,     // the compressor
    STAGE_QUEUE,        // sample buffer, payload copy, queue
    STAGE_WRITE,        // the container library writes a sample
    STAGE_SIZE_CHECK,   // file size and disk space checks
    STAGE_POINTER_READ, // the pointer's place and shape and the mouse buttons are read
    STAGE_POINTER_DRAW, // the pointer, its highlight and the click rings are drawn into the frame
    STAGE_COUNT
};

// Times one stage from construction to destruction and adds it to the process-wide totals.
class CStageTimer
{
public:
    struct Totals
    {
        double dSeconds[STAGE_COUNT];
        LONGLONG nCalls[STAGE_COUNT];
    };

    explicit CStageTimer(PipelineStage nStage);
    ~CStageTimer();
    CStageTimer(const CStageTimer&) = delete;
    CStageTimer& operator=(const CStageTimer&) = delete;

    static Totals Read();
    static void Reset();
    static const char* Name(PipelineStage nStage);

private:
    PipelineStage m_nStage;
    LONGLONG m_nStart;
};
