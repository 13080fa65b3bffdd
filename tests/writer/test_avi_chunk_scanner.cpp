#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "writer/AviTestFiles.h"
#include "writer/CAviChunkScanner.h"
#include "writer/KilledAviFile.h"

using namespace avitest;

namespace {
class AviChunkScannerTest : public ::testing::Test
{
protected:
    AviChunkScannerTest() : m_folder("orvane_avi_scanner") {}

    // The chunks the scanner finds, as "id:size", and where it says the usable data ends.
    std::vector<std::string> Scan(const KilledAviFile& file, ULONGLONG* pnEnd = nullptr)
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

KilledAviFile WholeChunks()
{
    KilledAviFile file;
    file.Chunk("00db", 1758).Chunk("00dc", 0).Chunk("00dc", 1691).Chunk("01wb", 20375).Chunk("00dc", 12);
    return file;
}

TEST_F(AviChunkScannerTest, ChunkCutShortByTheEndOfTheFileIsDropped)
{
    KilledAviFile file = WholeChunks();
    file.Chunk("01wb", 20376).CutLast(5000);
    ULONGLONG nEnd = 0;
    EXPECT_EQ(kWhole, Scan(file, &nEnd));
    EXPECT_EQ(2048u + 5 * 8 + 1758 + 1692 + 20376 + 12, nEnd);

    // Cut inside the chunk's own header.
    KilledAviFile header = WholeChunks();
    header.Chunk("00dc", 100).CutLast(100 + 5);
    EXPECT_EQ(kWhole, Scan(header));
}

TEST_F(AviChunkScannerTest, ZerosAfterTheLastChunkEndTheScan)
{
    KilledAviFile file = WholeChunks();
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
        KilledAviFile file = WholeChunks();
        file.Bytes(bytes).Chunk("00dc", 10);
        EXPECT_EQ(kWhole, Scan(file));
    }
}

TEST_F(AviChunkScannerTest, FileWithNothingButZerosHasNoChunks)
{
    KilledAviFile file;
    file.Bytes(std::vector<BYTE>(10000, 0));
    EXPECT_TRUE(Scan(file).empty());
}
} // namespace
