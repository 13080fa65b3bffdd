#pragma once
// Keys read by polling. A poll reads a key's state now and whether it went down since the last
// poll: on a busy machine a quick tap can fall between two timer ticks, and it still counts.
#include <windows.h>

#include <initializer_list>

inline bool IsKeyDownOrPressed(int nVirtKey)
{
    return (::GetAsyncKeyState(nVirtKey) & 0x8001) != 0;
}

// Presses from before a poller starts (the Escape that closed a message box) are not its own.
inline void ForgetKeyPresses(std::initializer_list<int> keys)
{
    for (int nVirtKey : keys)
        ::GetAsyncKeyState(nVirtKey);
}
