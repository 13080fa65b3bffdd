// The ZMBV compressor's own deflater: every call inflates back whole with zlib, whatever the
// data, across calls that refer to each other and across a new stream.
#include <gtest/gtest.h>
#include <windows.h>
#include <zlib.h>

#include <vector>

#include "codecs/zmbv/CDeflater.h"

namespace {
std::vector<BYTE> Noise(size_t nBytes, uint32_t nSeed)
{
    std::vector<BYTE> data(nBytes);
    for (BYTE& b : data) {
        nSeed = nSeed * 1664525u + 1013904223u;
        b = (BYTE)(nSeed >> 24);
    }
    return data;
}

class CInflater
{
public:
    CInflater() { inflateInit2(&m_zs, -15); }
    ~CInflater() { inflateEnd(&m_zs); }
    void Reset() { inflateReset(&m_zs); }
    std::vector<BYTE> Inflate(const std::vector<BYTE>& packed, size_t cbExpected)
    {
        std::vector<BYTE> data(cbExpected + 16);
        m_zs.next_in = const_cast<Bytef*>(packed.data());
        m_zs.avail_in = (uInt)packed.size();
        m_zs.next_out = data.data();
        m_zs.avail_out = (uInt)data.size();
        int nResult = inflate(&m_zs, Z_SYNC_FLUSH);
        EXPECT_TRUE(nResult == Z_OK || (nResult == Z_BUF_ERROR && cbExpected == 0)) << nResult;
        EXPECT_EQ(0u, m_zs.avail_in) << "the call's output is used up";
        data.resize(data.size() - m_zs.avail_out);
        return data;
    }

private:
    z_stream m_zs = {};
};
} // namespace

TEST(Deflater, EveryCallInflatesBackWhole)
{
    for (int nLevel = 1; nLevel <= 3; ++nLevel) {
        CDeflater deflater;
        ASSERT_TRUE(deflater.Begin(nLevel, 1 << 20));
        CInflater inflater;
        std::vector<std::vector<BYTE>> calls;
        calls.push_back({});
        std::vector<BYTE> runs(1 << 20); // a full-screen difference: one pixel repeated
        for (size_t i = 0; i < runs.size(); ++i)
            runs[i] = i % 4 == 0 ? 0x35 : (i % 4 == 2 ? 0xCA : 0);
        calls.push_back(runs);
        const std::vector<BYTE> noise = Noise(100000, 7); // incompressible: stored blocks
        calls.push_back(noise);
        // Text-like bytes, and pieces of the previous call's end, still in the window.
        std::vector<BYTE> mixed = Noise(70000, 9);
        for (size_t i = 0; i < mixed.size(); ++i)
            mixed[i] = i % 1000 < 600 ? noise[noise.size() - 30000 + i % 20000] : (BYTE)(mixed[i] % 5);
        calls.push_back(mixed);
        calls.push_back({1, 2});
        for (size_t n = 0; n < calls.size(); ++n) {
            std::vector<BYTE> packed(calls[n].size() + calls[n].size() / 256 + 64);
            DWORD cb = deflater.Compress(calls[n].data(), (DWORD)calls[n].size(), packed.data(), (DWORD)packed.size());
            ASSERT_GT(cb, 0u) << "level " << nLevel << ", call " << n;
            packed.resize(cb);
            EXPECT_TRUE(inflater.Inflate(packed, calls[n].size()) == calls[n]) << "level " << nLevel << ", call " << n;
        }

        // A new stream refers to nothing before it.
        deflater.Reset();
        inflater.Reset();
        std::vector<BYTE> packed(200000);
        DWORD cb = deflater.Compress(calls[3].data(), (DWORD)calls[3].size(), packed.data(), (DWORD)packed.size());
        ASSERT_GT(cb, 0u);
        packed.resize(cb);
        EXPECT_TRUE(inflater.Inflate(packed, calls[3].size()) == calls[3]);
    }
}

TEST(Deflater, LongRunsShrinkAndATooSmallBufferFails)
{
    CDeflater deflater;
    ASSERT_TRUE(deflater.Begin(3, 1 << 22));
    std::vector<BYTE> runs(1280 * 720 * 4, 0);
    for (size_t i = 0; i < runs.size(); i += 4)
        runs[i] = 0x35;
    std::vector<BYTE> packed(runs.size() + 65536);
    DWORD cb = deflater.Compress(runs.data(), (DWORD)runs.size(), packed.data(), (DWORD)packed.size());
    EXPECT_GT(cb, 0u);
    EXPECT_LT(cb, 32u * 1024) << "a uniform change packs to a few kilobytes";

    std::vector<BYTE> noise = Noise(50000, 3);
    std::vector<BYTE> small(1000 + 16, 0xCC);
    EXPECT_EQ(0u, deflater.Compress(noise.data(), (DWORD)noise.size(), small.data(), 1000));
    EXPECT_EQ(0xCC, small[1000]) << "nothing is written past the buffer";
}
