#pragma once

#include "pipeline/CMediaWriter.h"

// The smallest concrete writer: no file of its own, the base queue and writing thread.
class CTestWriter : public CMediaWriter
{
public:
    explicit CTestWriter(int nQueueCapacity = 1000) : CMediaWriter(nQueueCapacity) {}
    ~CTestWriter() override { Stop(); }

    int Initialize() override { return 1; }
    void Uninitialize() override {}
};
