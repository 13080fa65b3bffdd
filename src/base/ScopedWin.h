#pragma once
// Scoped owners of Win32 objects: each closes what it holds when it goes out of scope, so no
// other code pairs a close with an open by hand. Header only; every layer may include it.
#include <windows.h>

#include <utility>

// A critical section that lives as long as its owner. Taken only through CScopedLock or
// CScopedTryLock.
class CCriticalSection
{
public:
    CCriticalSection() { InitializeCriticalSection(&m_cs); }
    ~CCriticalSection() { DeleteCriticalSection(&m_cs); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

private:
    friend class CScopedLock;
    friend class CScopedTryLock;
    CRITICAL_SECTION m_cs;
};

// Holds a critical section from construction to destruction.
class CScopedLock
{
public:
    explicit CScopedLock(CCriticalSection& cs) : m_cs(cs) { EnterCriticalSection(&m_cs.m_cs); }
    ~CScopedLock() { LeaveCriticalSection(&m_cs.m_cs); }
    CScopedLock(const CScopedLock&) = delete;
    CScopedLock& operator=(const CScopedLock&) = delete;

private:
    CCriticalSection& m_cs;
};

// Takes a critical section only if no other thread holds it; Owns says whether it did.
class CScopedTryLock
{
public:
    explicit CScopedTryLock(CCriticalSection& cs) : m_cs(cs), m_bOwns(TryEnterCriticalSection(&m_cs.m_cs) != FALSE) {}
    ~CScopedTryLock()
    {
        if (m_bOwns)
            LeaveCriticalSection(&m_cs.m_cs);
    }
    CScopedTryLock(const CScopedTryLock&) = delete;
    CScopedTryLock& operator=(const CScopedTryLock&) = delete;
    bool Owns() const { return m_bOwns; }

private:
    CCriticalSection& m_cs;
    const bool m_bOwns;
};

// One owned value of type T that Traits::Close releases unless it is Traits::Invalid().
template <typename T, typename Traits> class CScopedValue
{
public:
    CScopedValue() = default;
    explicit CScopedValue(T value) : m_value(value) {}
    ~CScopedValue() { Reset(); }
    CScopedValue(const CScopedValue&) = delete;
    CScopedValue& operator=(const CScopedValue&) = delete;
    CScopedValue(CScopedValue&& other) noexcept : m_value(other.Detach()) {}
    CScopedValue& operator=(CScopedValue&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }

    T Get() const { return m_value; }
    bool IsValid() const { return m_value != Traits::Invalid(); }
    explicit operator bool() const { return IsValid(); }
    // Closes what is held and takes value instead.
    void Reset(T value = Traits::Invalid())
    {
        if (IsValid())
            Traits::Close(m_value);
        m_value = value;
    }
    // Gives up ownership without closing.
    T Detach() { return std::exchange(m_value, Traits::Invalid()); }
    // For functions that return the object through a pointer: closes what is held first.
    T* Receive()
    {
        Reset();
        return &m_value;
    }

private:
    T m_value = Traits::Invalid();
};

struct CKernelHandleTraits
{
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct CFileHandleTraits
{
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct CFindHandleTraits
{
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::FindClose(h); }
};
struct CRegKeyTraits
{
    static HKEY Invalid() { return nullptr; }
    static void Close(HKEY h) { ::RegCloseKey(h); }
};
struct CModuleTraits
{
    static HMODULE Invalid() { return nullptr; }
    static void Close(HMODULE h) { ::FreeLibrary(h); }
};
struct CIconTraits
{
    static HICON Invalid() { return nullptr; }
    static void Close(HICON h) { ::DestroyIcon(h); }
};
struct CMemoryDCTraits
{
    static HDC Invalid() { return nullptr; }
    static void Close(HDC h) { ::DeleteDC(h); }
};
struct CGlobalMemoryTraits
{
    static HGLOBAL Invalid() { return nullptr; }
    static void Close(HGLOBAL h) { ::GlobalFree(h); }
};
struct CMappedViewTraits
{
    static void* Invalid() { return nullptr; }
    static void Close(void* p) { ::UnmapViewOfFile(p); }
};
template <typename T> struct CGdiObjectTraits
{
    static T Invalid() { return nullptr; }
    static void Close(T h) { ::DeleteObject(h); }
};

// Events, semaphores, threads, mutexes, file mappings: null when empty.
using CScopedHandle = CScopedValue<HANDLE, CKernelHandleTraits>;
// CreateFile's handles: INVALID_HANDLE_VALUE when empty.
using CScopedFile = CScopedValue<HANDLE, CFileHandleTraits>;
using CScopedFind = CScopedValue<HANDLE, CFindHandleTraits>;
using CScopedRegKey = CScopedValue<HKEY, CRegKeyTraits>;
using CScopedModule = CScopedValue<HMODULE, CModuleTraits>;
using CScopedIcon = CScopedValue<HICON, CIconTraits>;
// A DC made by CreateCompatibleDC or CreateDC.
using CScopedMemoryDC = CScopedValue<HDC, CMemoryDCTraits>;
using CScopedGlobal = CScopedValue<HGLOBAL, CGlobalMemoryTraits>;
// A view of a file mapping from MapViewOfFile.
using CScopedView = CScopedValue<void*, CMappedViewTraits>;
template <typename T> using CScopedGdiObject = CScopedValue<T, CGdiObjectTraits<T>>;
using CScopedBitmap = CScopedGdiObject<HBITMAP>;
using CScopedPen = CScopedGdiObject<HPEN>;
using CScopedBrush = CScopedGdiObject<HBRUSH>;
using CScopedRegion = CScopedGdiObject<HRGN>;

// A window's (or, with a null window, the screen's) DC from GetDC, or with bWholeWindow its
// whole-window DC from GetWindowDC, given back with ReleaseDC.
class CScopedWindowDC
{
public:
    explicit CScopedWindowDC(HWND hWnd, bool bWholeWindow = false)
        : m_hWnd(hWnd), m_hDC(bWholeWindow ? ::GetWindowDC(hWnd) : ::GetDC(hWnd))
    {
    }
    ~CScopedWindowDC()
    {
        if (m_hDC)
            ::ReleaseDC(m_hWnd, m_hDC);
    }
    CScopedWindowDC(const CScopedWindowDC&) = delete;
    CScopedWindowDC& operator=(const CScopedWindowDC&) = delete;
    HDC Get() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// Puts a GDI object into a DC and the one it replaced back again.
class CScopedSelect
{
public:
    CScopedSelect(HDC hDC, HGDIOBJ hObject) : m_hDC(hDC), m_hOld(::SelectObject(hDC, hObject)) {}
    ~CScopedSelect()
    {
        if (m_hOld)
            ::SelectObject(m_hDC, m_hOld);
    }
    CScopedSelect(const CScopedSelect&) = delete;
    CScopedSelect& operator=(const CScopedSelect&) = delete;

private:
    HDC m_hDC;
    HGDIOBJ m_hOld;
};

// An icon's or cursor's description from GetIconInfo, whose two bitmaps are the caller's to delete.
class CScopedIconInfo
{
public:
    explicit CScopedIconInfo(HICON hIcon) : m_bValid(::GetIconInfo(hIcon, &m_info) != FALSE) {}
    ~CScopedIconInfo()
    {
        if (m_info.hbmMask)
            ::DeleteObject(m_info.hbmMask);
        if (m_info.hbmColor)
            ::DeleteObject(m_info.hbmColor);
    }
    CScopedIconInfo(const CScopedIconInfo&) = delete;
    CScopedIconInfo& operator=(const CScopedIconInfo&) = delete;
    bool IsValid() const { return m_bValid; }
    const ICONINFO& Get() const { return m_info; }

private:
    ICONINFO m_info = {};
    const bool m_bValid;
};

// A memory DC with a bitmap of its own selected into it: the bitmap is put back out of the DC
// and both are deleted together.
class CScopedBitmapDC
{
public:
    CScopedBitmapDC() = default;
    ~CScopedBitmapDC() { Reset(); }
    CScopedBitmapDC(const CScopedBitmapDC&) = delete;
    CScopedBitmapDC& operator=(const CScopedBitmapDC&) = delete;
    CScopedBitmapDC(CScopedBitmapDC&& other) noexcept
        : m_hDC(std::move(other.m_hDC)), m_hBitmap(std::move(other.m_hBitmap)),
          m_hOld(std::exchange(other.m_hOld, nullptr))
    {
    }
    CScopedBitmapDC& operator=(CScopedBitmapDC&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_hDC = std::move(other.m_hDC);
            m_hBitmap = std::move(other.m_hBitmap);
            m_hOld = std::exchange(other.m_hOld, nullptr);
        }
        return *this;
    }

    HDC Get() const { return m_hDC.Get(); }
    // Both a DC and a bitmap are held.
    bool IsValid() const { return m_hDC.IsValid() && m_hBitmap.IsValid(); }
    explicit operator bool() const { return IsValid(); }
    // Takes both (either may be null) and selects the bitmap when there are both.
    void Reset(HDC hDC = nullptr, HBITMAP hBitmap = nullptr)
    {
        if (m_hOld)
            ::SelectObject(m_hDC.Get(), m_hOld);
        m_hOld = nullptr;
        m_hBitmap.Reset();
        m_hDC.Reset(hDC);
        m_hBitmap.Reset(hBitmap);
        if (hDC && hBitmap)
            m_hOld = ::SelectObject(hDC, hBitmap);
    }

private:
    CScopedMemoryDC m_hDC;
    CScopedBitmap m_hBitmap;
    HGDIOBJ m_hOld = nullptr;
};

// Global memory locked for as long as this lives.
class CScopedGlobalLock
{
public:
    explicit CScopedGlobalLock(HGLOBAL hMemory) : m_hMemory(hMemory), m_pData(::GlobalLock(hMemory)) {}
    ~CScopedGlobalLock()
    {
        if (m_pData)
            ::GlobalUnlock(m_hMemory);
    }
    CScopedGlobalLock(const CScopedGlobalLock&) = delete;
    CScopedGlobalLock& operator=(const CScopedGlobalLock&) = delete;
    void* Get() const { return m_pData; }

private:
    HGLOBAL m_hMemory;
    void* m_pData;
};
