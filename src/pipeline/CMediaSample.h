#pragma once

#include <windows.h>

class CMediaStream;

// Handle of a stream's sample buffer, wide enough for a pointer.
typedef UINT_PTR SAMPLEBUFFER;

// The two values no stream may use as a buffer handle.
const SAMPLEBUFFER SAMPLEBUFFER_FAILED = 0;
const SAMPLEBUFFER SAMPLEBUFFER_EMPTY = ~static_cast<SAMPLEBUFFER>(0);

inline bool HasSampleBuffer(SAMPLEBUFFER hBuffer)
{
    return hBuffer != SAMPLEBUFFER_FAILED && hBuffer != SAMPLEBUFFER_EMPTY;
}

// One queued unit of output. Allocated by the producing stream's Deliver; after queuing it
// belongs to the writer, which returns the buffer to the stream and deletes the record.
struct CMediaSample
{
    CMediaStream* stream;
    SAMPLEBUFFER buffer;
    DWORD time;
    DWORD duration;
    DWORD flags;
};
