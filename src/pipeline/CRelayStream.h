#pragma once
// A stream that hands what it is given on to another stream (a time line, a mixer, a pause):
// it has no encoder and no sample buffers of its own, and the writer never sees it.
#include "pipeline/CMediaStream.h"

class CRelayStream : public CMediaStream
{
public:
    int SetEncoder(void*, int) override { return 1; }
    SAMPLEBUFFER AllocSample(DWORD) override { return SAMPLEBUFFER_FAILED; }
    void FreeSample(SAMPLEBUFFER) override {}
    int FillSample(SAMPLEBUFFER, const void*, DWORD) override { return 0; }
    int WriteSample(CMediaSample*) override { return 0; }
};
