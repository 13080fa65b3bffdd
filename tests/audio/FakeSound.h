#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <mutex>
#include <string>
#include <vector>

#include "audio/SoundFunctions.h"

// A stand-in wave-in device and mixer behind the SoundFunctions table. One fake is current at
// a time (the table holds plain function pointers); the constructor makes it current.
class CFakeSound
{
public:
    struct Control
    {
        DWORD dwType;
        DWORD fdwControl;
        DWORD dwMinimum;
        DWORD dwMaximum;
        std::vector<std::string> items;
        // One value per item for a multiple-item control, else one per channel.
        std::vector<DWORD> values;
        DWORD dwId;
    };
    struct Line
    {
        std::string name;
        DWORD nChannels;
        bool bReadable;
        std::vector<Control> controls;
        DWORD dwLineId;
    };

    CFakeSound();
    ~CFakeSound();

    const SoundFunctions* Functions() const { return &m_functions; }

    // Wave-in side.
    std::vector<std::string> deviceNames{"Fake Input"};
    bool bFailOpen = false;
    bool bFailStart = false;
    int nOpened = 0;
    int nClosed = 0;
    int nStarted = 0;
    int nReset = 0;
    int nPrepared = 0; // headers prepared and not yet unprepared
    DWORD dwCallbackThread = 0;
    UINT uOpenedDevice = 0;
    std::vector<WAVEHDR*> added; // every buffer given to the device, in order
    bool bKeepLog = true;        // false: "added" stays empty

    // Returns the oldest queued buffer filled with nBytes of the given byte; null if none.
    WAVEHDR* ReturnNext(DWORD nBytes, BYTE bFill);
    // The same, posted to the capture thread as the device would.
    bool PostNext(DWORD nBytes, BYTE bFill);
    size_t QueuedCount();
    HWAVEIN Handle() const { return reinterpret_cast<HWAVEIN>(0x4A11); }

    // Mixer side.
    bool bHasRecordLine = true;
    Line recordLine;
    std::vector<Line> sources;
    int nMixerCalls = 0; // every mixer function
    int nMixerOpen = 0;  // mixers open now
    int nMixerWrites = 0;

    Control* FindControl(Line& line, DWORD dwType);
    Control* ControlById(DWORD dwId);
    void Number(); // gives lines and controls their ids after the test has built them

    static CFakeSound* Current() { return s_pCurrent; }

private:
    friend struct FakeSoundCalls;
    static CFakeSound* s_pCurrent;
    SoundFunctions m_functions;
    std::mutex m_lock;
    std::vector<WAVEHDR*> m_queue; // reserved: queuing allocates nothing
};

CFakeSound::Control MakeControl(DWORD dwType, DWORD dwMin, DWORD dwMax, std::vector<DWORD> values,
                                DWORD fdwControl = 0);
CFakeSound::Control MakeListControl(DWORD dwType, std::vector<std::string> items, std::vector<DWORD> values);
CFakeSound::Line MakeLine(const std::string& name, DWORD nChannels, std::vector<CFakeSound::Control> controls);
