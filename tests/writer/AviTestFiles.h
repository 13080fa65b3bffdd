#pragma once

#include <windows.h>
#include <mmreg.h>
#include <vfw.h>

#include <cstdint>
#include <string>
#include <vector>

// Helpers for the AVI writer tests: synthetic formats and payloads, a private folder, and
// read-back of written files (through AVIFile and by walking the RIFF index).
namespace avitest {
const DWORD kMp3FrameBytes = 417; // MPEG-1 layer III, 128 kbit/s, 44.1 kHz, no padding

// A valid, silent MP3 frame: header and all-zero side information.
inline std::vector<BYTE> SilentMp3Frame()
{
    std::vector<BYTE> frame(kMp3FrameBytes, 0);
    frame[0] = 0xFF;
    frame[1] = 0xFB;
    frame[2] = 0x90;
    frame[3] = 0x00;
    return frame;
}

inline MPEGLAYER3WAVEFORMAT Mp3Format()
{
    MPEGLAYER3WAVEFORMAT format = {};
    format.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    format.wfx.nChannels = 2;
    format.wfx.nSamplesPerSec = 44100;
    format.wfx.nAvgBytesPerSec = 16000;
    format.wfx.nBlockAlign = 1;
    format.wfx.wBitsPerSample = 0;
    format.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    format.wID = MPEGLAYER3_ID_MPEG;
    format.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
    format.nBlockSize = kMp3FrameBytes;
    format.nFramesPerBlock = 1;
    format.nCodecDelay = 1393;
    return format;
}

inline BITMAPINFOHEADER RgbFormat(LONG nWidth, LONG nHeight)
{
    BITMAPINFOHEADER bmih = {};
    bmih.biSize = sizeof bmih;
    bmih.biWidth = nWidth;
    bmih.biHeight = nHeight;
    bmih.biPlanes = 1;
    bmih.biBitCount = 24;
    bmih.biCompression = BI_RGB;
    bmih.biSizeImage = ((nWidth * 3 + 3) & ~3) * nHeight;
    return bmih;
}

inline std::vector<BYTE> Frame(const BITMAPINFOHEADER& bmih, BYTE nFill)
{
    return std::vector<BYTE>(bmih.biSizeImage, nFill);
}

// A fresh folder below the temporary folder, removed with everything in it.
class TempFolder
{
public:
    explicit TempFolder(const char* pszName)
    {
        char szTemp[MAX_PATH];
        GetTempPathA(MAX_PATH, szTemp);
        m_path = std::string(szTemp) + pszName;
        Remove();
        CreateDirectoryA(m_path.c_str(), nullptr);
    }
    ~TempFolder()
    {
        if (!GetEnvironmentVariableA("ORVANE_KEEP_TEST_FILES", nullptr, 0))
            Remove();
    }
    std::string File(const char* pszName) const { return m_path + "\\" + pszName; }
    const std::string& Path() const { return m_path; }

private:
    void Remove()
    {
        WIN32_FIND_DATAA data;
        HANDLE hFind = FindFirstFileA((m_path + "\\*").c_str(), &data);
        if (hFind != INVALID_HANDLE_VALUE) {
            do {
                std::string file = m_path + "\\" + data.cFileName;
                SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(file.c_str());
            } while (FindNextFileA(hFind, &data));
            FindClose(hFind);
        }
        RemoveDirectoryA(m_path.c_str());
    }
    std::string m_path;
};

inline std::vector<BYTE> ReadWholeFile(const std::string& path)
{
    std::vector<BYTE> bytes;
    HANDLE hFile = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return bytes;
    DWORD cbSize = GetFileSize(hFile, nullptr);
    bytes.resize(cbSize);
    DWORD cbRead = 0;
    if (cbSize)
        ReadFile(hFile, bytes.data(), cbSize, &cbRead, nullptr);
    bytes.resize(cbRead);
    CloseHandle(hFile);
    return bytes;
}

struct IndexEntry
{
    std::string id; // "00dc", "01wb", ...
    DWORD dwFlags;
    DWORD cbSize;
};

// The entries of the file's "idx1" chunk, in file order.
inline std::vector<IndexEntry> ReadIndex(const std::string& path)
{
    std::vector<IndexEntry> entries;
    std::vector<BYTE> bytes = ReadWholeFile(path);
    auto dword = [&](size_t n) {
        return static_cast<DWORD>(bytes[n] | bytes[n + 1] << 8 | bytes[n + 2] << 16 | bytes[n + 3] << 24);
    };
    if (bytes.size() < 12 || std::string(bytes.begin(), bytes.begin() + 4) != "RIFF")
        return entries;
    size_t nPos = 12;
    while (nPos + 8 <= bytes.size()) {
        std::string id(bytes.begin() + nPos, bytes.begin() + nPos + 4);
        DWORD cbChunk = dword(nPos + 4);
        if (id == "idx1") {
            for (size_t n = nPos + 8; n + 16 <= nPos + 8 + cbChunk && n + 16 <= bytes.size(); n += 16)
                entries.push_back({std::string(bytes.begin() + n, bytes.begin() + n + 4), dword(n + 4), dword(n + 12)});
            break;
        }
        nPos += 8 + cbChunk + (cbChunk & 1);
    }
    return entries;
}

// The stream headers ("strh") of the file, in stream order, as stored.
inline std::vector<AVIStreamHeader> ReadStreamHeaders(const std::string& path)
{
    std::vector<AVIStreamHeader> headers;
    std::vector<BYTE> bytes = ReadWholeFile(path);
    for (size_t n = 0; n + 8 + sizeof(AVIStreamHeader) <= bytes.size(); ++n) {
        if (memcmp(&bytes[n], "strh", 4) != 0)
            continue;
        AVIStreamHeader header;
        memcpy(&header, &bytes[n + 8], sizeof header);
        headers.push_back(header);
        n += 8 + sizeof header - 1;
    }
    return headers;
}

inline DWORD IndexedBytes(const std::string& path, const char* pszId)
{
    DWORD cbTotal = 0;
    for (const IndexEntry& entry : ReadIndex(path))
        if (entry.id == pszId)
            cbTotal += entry.cbSize;
    return cbTotal;
}

// The payload sizes at every position of one stream, read back through AVIFile.
struct StreamReadBack
{
    bool bOpened = false;
    AVISTREAMINFOA info = {};
    std::vector<BYTE> format;
    LONG nStart = 0;
    LONG nLength = 0;
};

inline StreamReadBack ReadStream(const std::string& path, DWORD fccType,
                                 std::vector<std::vector<BYTE>>* pSamples = nullptr)
{
    StreamReadBack result;
    AVIFileInit();
    PAVIFILE pFile = nullptr;
    if (AVIFileOpenA(&pFile, path.c_str(), OF_READ | OF_SHARE_DENY_WRITE, nullptr) == 0) {
        PAVISTREAM pStream = nullptr;
        if (AVIFileGetStream(pFile, &pStream, fccType, 0) == 0) {
            result.bOpened = true;
            AVIStreamInfoA(pStream, &result.info, sizeof result.info);
            LONG cbFormat = 0;
            AVIStreamReadFormat(pStream, 0, nullptr, &cbFormat);
            result.format.resize(cbFormat);
            if (cbFormat)
                AVIStreamReadFormat(pStream, 0, result.format.data(), &cbFormat);
            result.nStart = AVIStreamStart(pStream);
            result.nLength = AVIStreamLength(pStream);
            if (pSamples) {
                for (LONG n = result.nStart; n < result.nStart + result.nLength; ++n) {
                    LONG cbSample = 0, nSamples = 0;
                    AVIStreamRead(pStream, n, 1, nullptr, 0, &cbSample, &nSamples);
                    std::vector<BYTE> sample(cbSample);
                    if (cbSample)
                        AVIStreamRead(pStream, n, 1, sample.data(), cbSample, nullptr, nullptr);
                    pSamples->push_back(sample);
                }
            }
            AVIStreamRelease(pStream);
        }
        AVIFileRelease(pFile);
    }
    AVIFileExit();
    return result;
}
} // namespace avitest
