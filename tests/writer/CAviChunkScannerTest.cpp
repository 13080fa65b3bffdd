#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "writer/AviTestFiles.h"
#include "writer/CAviChunkScanner.h"

using namespace avitest;

namespace
{
// The data of an AVI file whose writer was stopped before it closed it: the header area left
// as zeros, then video and sound chunks.
class KilledAvi
{
public:
    KilledAvi() : m_bytes(2048, 0) {}

    KilledAvi& Chunk(const char* pszId, DWORD cbData)
    {
        const DWORD header[2] = {mmioFOURCC(pszId[0], pszId[1], pszId[2], pszId[3]), cbData};
        const BYTE* p = reinterpret_cast<const BYTE*>(header);
        m_bytes.insert(m_bytes.end(), p, p + sizeof header);
        for (DWORD i = 0; i < cbData + (cbData & 1); ++i)
            m_bytes.push_back(static_cast<BYTE>(i * 7 + 1));
        m_ids.push_back(pszId);
        return *this;
    }
    KilledAvi& Bytes(const std::vector<BYTE>& bytes)
    {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
        return *this;
    }
    KilledAvi& CutLast(size_t cbMissing)
    {
        m_bytes.resize(m_bytes.size() - cbMissing);
        return *this;
    }
    void Save(const std::string& path) const
    {
        HANDLE hFile = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD cbWritten = 0;
        WriteFile(hFile, m_bytes.data(), static_cast<DWORD>(m_bytes.size()), &cbWritten, nullptr);
        CloseHandle(hFile);
    }

private:
    std::vector<BYTE> m_bytes;
    std::vector<std::string> m_ids;
};

class AviChunkScannerTest : public ::testing::Test
{
protected:
    AviChunkScannerTest() : m_folder("orvane_avi_scanner") {}

    // The chunks the scanner finds, as "id:size", and where it says the usable data ends.
    std::vector<std::string> Scan(const KilledAvi& file, ULONGLONG* pnEnd = nullptr)
    {
        const std::string path = m_folder.File("killed.avi");
        file.Save(path);
        CAviChunkScanner scanner;
        EXPECT_TRUE(scanner.Open(path.c_str(), {streamtypeVIDEO, streamtypeAUDIO}));
        std::vector<std::string> found;
        CAviChunkScanner::CChunk chunk;
        while (scanner.Next(chunk)) {
            found.push_back(std::string(reinterpret_cast<const char*>(&chunk.dwId), 4) + ":" +
                            std::to_string(chunk.cbData));
        }
        if (pnEnd)
            *pnEnd = scanner.UsableEnd();
        return found;
    }

    TempFolder m_folder;
};

const std::vector<std::string> kWhole = {"00db:1758", "00dc:0", "00dc:1691", "01wb:20375", "00dc:12"};

KilledAvi WholeChunks()
{
    KilledAvi file;
    file.Chunk("00db", 1758).Chunk("00dc", 0).Chunk("00dc", 1691).Chunk("01wb", 20375).Chunk("00dc", 12);
    return file;
}

TEST_F(AviChunkScannerTest, ChunkCutShortByTheEndOfTheFileIsDropped)
{
    KilledAvi file = WholeChunks();
    file.Chunk("01wb", 20376).CutLast(5000);
    ULONGLONG nEnd = 0;
    EXPECT_EQ(kWhole, Scan(file, &nEnd));
    EXPECT_EQ(2048u + 5 * 8 + 1758 + 1692 + 20376 + 12, nEnd);

    // Cut inside the chunk's own header.
    KilledAvi header = WholeChunks();
    header.Chunk("00dc", 100).CutLast(100 + 5);
    EXPECT_EQ(kWhole, Scan(header));
}

TEST_F(AviChunkScannerTest, ZerosAfterTheLastChunkEndTheScan)
{
    KilledAvi file = WholeChunks();
    file.Bytes(std::vector<BYTE>(65536, 0));
    EXPECT_EQ(kWhole, Scan(file));
}

TEST_F(AviChunkScannerTest, GarbageAfterTheLastGoodChunkEndsTheScan)
{
    // Foreign bytes; a chunk of a stream the file does not have; a chunk of the wrong kind for
    // its stream; a size far beyond any chunk.
    const std::vector<std::vector<BYTE>> garbage = {
        {0x13, 0x9a, 0xfe, 0x42, 0x77, 0x01, 0x00, 0x00, 0xc3, 0x5d, 0x10, 0x88},
        {'0', '2', 'd', 'c', 4, 0, 0, 0, 1, 2, 3, 4},
        {'0', '1', 'd', 'c', 4, 0, 0, 0, 1, 2, 3, 4},
        {'0', '0', 'd', 'c', 0xff, 0xff, 0xff, 0x7f, 1, 2, 3, 4}};
    for (const std::vector<BYTE>& bytes : garbage) {
        KilledAvi file = WholeChunks();
        file.Bytes(bytes).Chunk("00dc", 10);
        EXPECT_EQ(kWhole, Scan(file));
    }
}

TEST_F(AviChunkScannerTest, FileWithNothingButZerosHasNoChunks)
{
    KilledAvi file;
    file.Bytes(std::vector<BYTE>(10000, 0));
    EXPECT_TRUE(Scan(file).empty());
}
} // namespace
