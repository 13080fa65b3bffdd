#include "pipeline/CStageTimer.h"

#include <atomic>

namespace {
std::atomic<LONGLONG> g_nTicks[STAGE_COUNT];
std::atomic<LONGLONG> g_nCalls[STAGE_COUNT];

LONGLONG Counter()
{
    LARGE_INTEGER liCounter;
    return QueryPerformanceCounter(&liCounter) ? liCounter.QuadPart : 0;
}

double Frequency()
{
    static const double s_dFrequency = [] {
        LARGE_INTEGER liFrequency;
        return QueryPerformanceFrequency(&liFrequency) ? static_cast<double>(liFrequency.QuadPart) : 0.0;
    }();
    return s_dFrequency;
}
} // namespace

CStageTimer::CStageTimer(PipelineStage nStage) : m_nStage(nStage), m_nStart(Counter())
{
}

CStageTimer::~CStageTimer()
{
    g_nTicks[m_nStage].fetch_add(Counter() - m_nStart, std::memory_order_relaxed);
    g_nCalls[m_nStage].fetch_add(1, std::memory_order_relaxed);
}

CStageTimer::Totals CStageTimer::Read()
{
    Totals totals = {};
    const double dFrequency = Frequency();
    for (int n = 0; n < STAGE_COUNT; ++n) {
        const LONGLONG nTicks = g_nTicks[n].load(std::memory_order_relaxed);
        totals.dSeconds[n] = dFrequency > 0 ? static_cast<double>(nTicks) / dFrequency : 0.0;
        totals.nCalls[n] = g_nCalls[n].load(std::memory_order_relaxed);
    }
    return totals;
}

void CStageTimer::Reset()
{
    for (int n = 0; n < STAGE_COUNT; ++n) {
        g_nTicks[n].store(0, std::memory_order_relaxed);
        g_nCalls[n].store(0, std::memory_order_relaxed);
    }
}

const char* CStageTimer::Name(PipelineStage nStage)
{
    static const char* const s_pszNames[STAGE_COUNT] = {"grab",  "frame",      "compress",     "queue",
                                                        "write", "size_check", "pointer_read", "pointer_draw"};
    return nStage >= 0 && nStage < STAGE_COUNT ? s_pszNames[nStage] : "";
}
