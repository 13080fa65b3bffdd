#pragma once
// A writer without a file, for tests of what feeds a writer: the base queue and writing thread.
#include "pipeline/CMediaWriter.h"

class CNullWriter : public CMediaWriter
{
public:
    explicit CNullWriter(int nCapacity = 1000) : CMediaWriter(nCapacity) {}
    ~CNullWriter() override { Stop(); }
    int Initialize() override { return 1; }
    void Uninitialize() override {}
};
