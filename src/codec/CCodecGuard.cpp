#include "codec/CCodecGuard.h"

// OrvaneGuardedInvoke(pfn, pContext, pdwCode) calls pfn(pContext) inside an exception scope
// served by the system's language handler for structured exceptions (__C_specific_handler):
// when an exception passes the call that no frame inside it handled, the filter below decides,
// and for a fault the handler unwinds to the end of the scope, which returns 0. The frame keeps
// pdwCode at [rsp + 32], where the filter finds it through the establisher frame (the stack
// pointer after the prologue).
extern "C" int OrvaneGuardedInvoke(bool (*pfn)(void*), void* pContext, DWORD* pdwCode);
extern "C" LONG OrvaneGuardFilter(EXCEPTION_POINTERS* pInfo, void* pEstablisherFrame);

asm(R"(
    .text
    .p2align 4
    .globl OrvaneGuardedInvoke
    .def OrvaneGuardedInvoke; .scl 2; .type 32; .endef
    .seh_proc OrvaneGuardedInvoke
OrvaneGuardedInvoke:
    .seh_handler __C_specific_handler, @except
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_endprologue
    movq %r8, 32(%rsp)
    movq %rcx, %rax
    movq %rdx, %rcx
.Lorvane_guard_begin:
    callq *%rax
    nop
.Lorvane_guard_end:
    movzbl %al, %eax
    addq $40, %rsp
    ret
.Lorvane_guard_fault:
    xorl %eax, %eax
    addq $40, %rsp
    ret
    .seh_handlerdata
    .long 1
    .rva .Lorvane_guard_begin, .Lorvane_guard_end, OrvaneGuardFilter, .Lorvane_guard_fault
    .text
    .seh_endproc
)");

namespace {

const DWORD kSeverityError = 0xC0000000;
const DWORD kMsvcCppException = 0xE06D7363; // a C++ exception a compressor built elsewhere let out

} // namespace

extern "C" LONG OrvaneGuardFilter(EXCEPTION_POINTERS* pInfo, void* pEstablisherFrame)
{
    const DWORD dwCode = pInfo->ExceptionRecord->ExceptionCode;
    // Faults and errors only: this program's own C++ exceptions and the debugger's
    // notifications go their way.
    if ((dwCode & kSeverityError) != kSeverityError && dwCode != kMsvcCppException)
        return EXCEPTION_CONTINUE_SEARCH;
    DWORD* pdwCode = *reinterpret_cast<DWORD**>(static_cast<BYTE*>(pEstablisherFrame) + 32);
    if (pdwCode)
        *pdwCode = dwCode;
    return EXCEPTION_EXECUTE_HANDLER;
}

bool CCodecGuard::Call(bool (*pfn)(void*), void* pContext, DWORD* pdwCode)
{
    DWORD dwCode = 0;
    const bool bOk = OrvaneGuardedInvoke(pfn, pContext, &dwCode) != 0;
    if (pdwCode)
        *pdwCode = dwCode;
    return bOk && dwCode == 0;
}

void CCodecGuard::SetNotify(HWND hWnd, UINT nMessage)
{
    m_hNotify = hWnd;
    m_nMessage = nMessage;
}

void CCodecGuard::Reset()
{
    m_bFaulted = 0;
    m_dwFaultCode = 0;
}

bool CCodecGuard::Run(Stage stage, bool (*pfn)(void*), void* pContext)
{
    DWORD dwCode = 0;
    if (Call(pfn, pContext, &dwCode))
        return true;
    if (dwCode == 0)
        return false;
    m_dwFaultCode = dwCode;
    m_bFaulted = 1;
    if (m_hNotify)
        PostMessageA(m_hNotify, m_nMessage, dwCode, stage);
    return false;
}
