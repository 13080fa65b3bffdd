// Runs calls into a video compressor so that a processor fault inside one (an access violation,
// an illegal instruction, a division by zero) fails that call instead of ending the program.
// C++ catch clauses never see such faults with this compiler: the guard is a structured
// exception frame of its own around the call.
#pragma once

#include <windows.h>

class CCodecGuard
{
public:
    // Where in a compression sequence a fault happened; the lParam of the notification.
    enum Stage { STAGE_BEGIN = 1, STAGE_FRAME = 2, STAGE_END = 3 };

    CCodecGuard() = default;
    CCodecGuard(const CCodecGuard&) = delete;
    CCodecGuard& operator=(const CCodecGuard&) = delete;

    // A fault posts nMessage to the window: wParam the exception code, lParam the stage.
    void SetNotify(HWND hWnd, UINT nMessage);

    // Runs call(), which returns bool; false when it returned false or faulted. After a fault
    // the guard stays faulted until Reset: the compressor's state is unknown from then on.
    template <class Call> bool Run(Stage stage, Call&& call) { return Run(stage, &Invoke<Call>, &call); }

    bool HasFaulted() const { return m_bFaulted != 0; }
    DWORD FaultCode() const { return m_dwFaultCode; }
    void Reset();

    // The bare guarded call: pfn(pContext), or false with the exception code in *pdwCode when
    // it faulted (*pdwCode is 0 otherwise).
    static bool Call(bool (*pfn)(void*), void* pContext, DWORD* pdwCode);

private:
    template <class Call> static bool Invoke(void* pCall) { return (*static_cast<Call*>(pCall))(); }
    bool Run(Stage stage, bool (*pfn)(void*), void* pContext);

    HWND m_hNotify = nullptr;
    UINT m_nMessage = 0;
    volatile LONG m_bFaulted = 0;
    volatile DWORD m_dwFaultCode = 0;
};
