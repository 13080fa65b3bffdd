// Video compression through the installed compressors of the compression manager, or the built-in
// 24-bit RGB pass-through: catalogue, selection, key-frame decision and data-rate control.
#pragma once

#include <windows.h>
#include <vfw.h>

#include <string>
#include <vector>

#include "codec/CCodecEntry.h"
#include "codec/CCodecGuard.h"

class CVideoCompressor
{
public:
    CVideoCompressor() = default;
    ~CVideoCompressor();
    CVideoCompressor(const CVideoCompressor&) = delete;
    CVideoCompressor& operator=(const CVideoCompressor&) = delete;

    bool SetInputFormat(const BITMAPINFOHEADER* pHeader, int nSize);
    void SetRate(DWORD dwRate) { m_dwRate = dwRate; }
    void SetScale(DWORD dwScale) { m_dwScale = dwScale; }
    void SetDataRate(int nBytesPerSecond) { m_nDataRateOverride = nBytesPerSecond; }
    void SetKeyFrameRate(int nFrames) { m_nKeyFrameOverride = nFrames; }
    void SetQuality(int nQuality) { m_nQualityOverride = nQuality; }

    int GetKeyFrameRate() const;
    int GetQuality() const;
    DWORD GetDataRate() const;

    bool BuildCatalogue(std::vector<std::string>& names);
    int FindByHandler(DWORD fccHandler) const;
    bool Select(int nIndex);
    int CatalogueSize() const { return static_cast<int>(m_catalogue.size()); }
    const CCodecEntry& Entry(int nIndex) const { return m_catalogue[nIndex]; }
    const CCodecEntry& Selection() const { return m_selected; }
    HIC OpenCompressor() const { return m_hIC; }

    bool CanConfigure() const;
    bool Configure(HWND hParent);
    bool About(HWND hParent);

    bool Begin();
    bool CompressFrame(const void* pBits);
    // The pass-through can write its frame straight into a buffer of MaxFrameSize bytes that
    // the caller owns (a sample buffer), which spares copying the frame once more; the output
    // buffer then does not hold that frame.
    bool CanCompressInto() const;
    bool CompressFrameInto(const void* pBits, BYTE* pOut);
    void End();
    // A compressor that faults inside Begin, a frame or End fails that call, and the window
    // receives nMessage (see CCodecGuard); the sequence then calls into it no more.
    void SetFaultNotify(HWND hWnd, UINT nMessage) { m_guard.SetNotify(hWnd, nMessage); }
    bool HasFaulted() const { return m_guard.HasFaulted(); }

    bool IsStarted() const { return m_bStarted; }
    bool LastWasKeyFrame() const { return m_bLastKey; }
    const BITMAPINFOHEADER* OutputFormat() const { return AsHeader(m_outputFormat); }
    int OutputFormatSize() const { return m_outputFormat.empty() ? 0 : m_nOutputFormatSize; }
    const BYTE* OutputBuffer() const { return m_output.empty() ? nullptr : m_output.data(); }
    DWORD LastFrameSize() const { return m_output.empty() ? 0 : m_dwLastFrameSize; }
    DWORD MaxFrameSize() const { return m_dwMaxFrameSize; }
    DWORD GetRate() const { return m_dwRate; }
    DWORD GetScale() const { return m_dwScale; }
    // Sequence state, for diagnostics and tests.
    LONG FrameNumber() const { return m_nFrameNum; }
    int QualityLow() const { return m_nQualityLow; }
    int QualityCurrent() const { return m_nQualityCurrent; }
    int QualityHigh() const { return m_nQualityHigh; }
    int TargetBytesPerFrame() const { return m_nTargetBytes; }
    int LastTarget() const { return m_nLastTarget; }

private:
    // The highest quality a compressor takes.
    static constexpr int kQualityMax = 10000;

    // A bitmap header with the format data that follows it; null while the buffer is empty.
    static BITMAPINFOHEADER* AsHeader(const std::vector<BYTE>& format)
    {
        return format.empty() ? nullptr : reinterpret_cast<BITMAPINFOHEADER*>(const_cast<BYTE*>(format.data()));
    }
    BITMAPINFOHEADER* InputHeader() const { return AsHeader(m_inputFormat); }
    BITMAPINFOHEADER* OutputHeader() const { return AsHeader(m_outputFormat); }
    bool IsPassThroughInput() const;
    void CloseCompressor();
    bool BeginWithCompressor();
    bool BeginPassThrough();
    void StartSequenceState();
    LRESULT StateSize() const;
    void RestoreEntryState();
    bool AllocateOutputFormat();
    bool AllocatePreviousFrame();
    bool AllocateOutputBuffer();
    void SaveCompressorState();
    void SendFramesInfo();
    void ReleaseSequenceBuffers();

    bool CompressPassThrough(const void* pBits, BYTE* pOut);
    bool CompressWithCompressor(const void* pBits);
    // One ICCompress call; fills m_dwLastResultSize and m_dwOutFlags.
    bool CompressOnce(const void* pBits, bool bForcedKey, int nQuality, DWORD dwFrameSize);
    bool SearchQuality(const void* pBits, bool bForcedKey, int nTarget);
    bool SearchUpward(const void* pBits, int nTarget, int nTolerance);
    bool SearchDownward(const void* pBits, int nTarget, int nTolerance);
    bool BinarySearch(const void* pBits, int nLo, int nHi, int nTarget, int nTolerance, int& nMid);
    bool IsDroppedFrame() const;
    bool DecompressIntoPrevious();
    void UpdateBalances(bool bForcedKey);
    DWORD InputImageSize() const;

    std::vector<CCodecEntry> m_catalogue;
    CCodecEntry m_selected;
    bool m_bSelected = false;
    HIC m_hIC = nullptr;

    std::vector<BYTE> m_inputFormat;
    // May be longer than m_nOutputFormatSize: never shorter than a bitmap header, whose fields are
    // read after every frame.
    std::vector<BYTE> m_outputFormat;
    int m_nOutputFormatSize = 0;

    DWORD m_dwRate = 25;
    DWORD m_dwScale = 1;
    int m_nKeyFrameOverride = 0;
    int m_nQualityOverride = 0;
    int m_nDataRateOverride = 0;

    bool m_bStarted = false;
    bool m_bLastKey = false;
    int m_nKeyInterval = 0;
    int m_nQuality = 0;
    int m_nKeyCountdown = 0;
    LONG m_nFrameNum = 0;
    int m_nTargetBytes = 0;
    int m_nLastTarget = 0;
    int m_nBalance = 0;
    int m_nKeyBalance = 0;
    int m_nQualityLow = 0;
    int m_nQualityCurrent = kQualityMax;
    int m_nQualityHigh = kQualityMax;

    std::vector<BYTE> m_output;
    DWORD m_dwMaxFrameSize = 0;
    DWORD m_dwLastFrameSize = 0;
    DWORD m_dwLastResultSize = 0;
    DWORD m_dwOutFlags = 0;
    std::vector<BYTE> m_prevFrame;
    std::vector<BYTE> m_savedState;
    CCodecGuard m_guard;
};
