// The mixer of a second sound device: the second's samples are placed by the devices' clock
// origins, scaled by its volume and added with saturation; a first-device block waits for the
// second's samples of its time, but not for ever.
#include <gtest/gtest.h>

#include <vector>

#include "CRecordingStream.h"
#include "audio/CSoundMixer.h"

namespace {

const DWORD kFrames = 1152; // one block, stereo

// The devices' clocks as the test sets them.
class CTestMixer : public CSoundMixer
{
public:
    bool bSecondStarted = true;
    bool bSecondEnded = false;
    DWORD dwSecondOrigin = 1000;

protected:
    bool FirstOrigin(DWORD* p) const override { return (*p = 1000, true); }
    bool SecondOrigin(DWORD* p) const override { return bSecondStarted && (*p = dwSecondOrigin, true); }
    bool SecondEnded() const override { return bSecondEnded; }
};

std::vector<short> Block(short nValue)
{
    return std::vector<short>(kFrames * 2, nValue);
}

const short* Samples(const CRecordingStream::Delivery& delivery)
{
    return reinterpret_cast<const short*>(delivery.payload.data());
}

class SoundMixerTest : public ::testing::Test
{
protected:
    void SetUp() override { m_pInput = m_mixer.Begin(&m_out, nullptr, nullptr, 44100); }

    int First(const std::vector<short>& block, DWORD dwTime = 0)
    {
        return m_pInput->Deliver(block.data(), DWORD(block.size() * 2), dwTime, 26, 0);
    }
    void Second(const std::vector<short>& block)
    {
        m_mixer.SecondInput()->Deliver(block.data(), DWORD(block.size() * 2), 0, 26, 0);
    }

    CRecordingStream m_out;
    CTestMixer m_mixer;
    CMediaStream* m_pInput = nullptr;
};

TEST_F(SoundMixerTest, PlacesTheSecondsSamplesByTheClockAtItsVolumeWithSaturation)
{
    // The second device's time line begins 10 ms (441 frames) after the first's.
    m_mixer.dwSecondOrigin = 1010;
    m_mixer.SetSecondVolume(0x8000);
    Second(Block(2000));
    Second(Block(2000));
    ASSERT_EQ(1, First(Block(100)));
    ASSERT_EQ(1u, m_out.DeliveryCount());
    const CRecordingStream::Delivery block = m_out.Deliveries()[0];
    EXPECT_EQ(kFrames * 4, block.cbSize);
    EXPECT_EQ(100, Samples(block)[440 * 2 + 1]);    // before the second began: silence added
    EXPECT_EQ(100 + 1000, Samples(block)[441 * 2]); // half of the second's 2000
    EXPECT_EQ(100 + 1000, Samples(block)[kFrames * 2 - 1]);

    m_mixer.SetSecondVolume(0xFFFF);
    ASSERT_EQ(1, First(Block(31000), 26));
    ASSERT_EQ(2u, m_out.DeliveryCount());
    const CRecordingStream::Delivery loud = m_out.Deliveries()[1];
    EXPECT_EQ(26u, loud.dwTime);
    EXPECT_EQ(32767, Samples(loud)[0]); // 31000 + 2000 saturates
}

TEST_F(SoundMixerTest, ABlockWaitsForTheSecondsSamplesButNotLongerThanTheLimit)
{
    m_mixer.bSecondStarted = false;
    ASSERT_EQ(1, First(Block(7)));
    EXPECT_EQ(0u, m_out.DeliveryCount());
    // The first device runs on past the limit: the waiting block goes on with silence mixed in.
    const DWORD nLimitBlocks = CSoundMixer::kMaxWaitMs * 44100 / 1000 / kFrames + 1;
    for (DWORD i = 1; i <= nLimitBlocks; ++i)
        ASSERT_EQ(1, First(Block(7), 26 * i));
    ASSERT_GE(m_out.DeliveryCount(), 1u);
    EXPECT_EQ(7, Samples(m_out.Deliveries()[0])[0]);
    EXPECT_EQ(0u, m_out.Deliveries()[0].dwTime);

    // The second's samples arrive: those of times already passed on are dropped, the waiting
    // blocks take theirs and go on in order.
    m_mixer.bSecondStarted = true;
    const size_t nBefore = m_out.DeliveryCount();
    for (DWORD i = 0; i <= nLimitBlocks; ++i)
        Second(Block(1000));
    ASSERT_EQ(1, First(Block(7), 26 * (nLimitBlocks + 1)));
    EXPECT_EQ(nLimitBlocks + 1, m_out.DeliveryCount());
    const std::vector<CRecordingStream::Delivery> out = m_out.Deliveries();
    EXPECT_EQ(7, Samples(out[nBefore - 1])[0]);
    EXPECT_EQ(7 + 1000, Samples(out[nBefore])[0]);
    for (size_t i = 1; i < out.size(); ++i)
        EXPECT_EQ(out[i - 1].dwTime + 26, out[i].dwTime);

    // The second's sound ended: nothing waits for it. A block the target refuses is refused
    // to the first device too, and so is every later one.
    m_mixer.bSecondEnded = true;
    m_mixer.Begin(nullptr, nullptr, nullptr, 44100);
    EXPECT_EQ(0, First(Block(5)));
    EXPECT_EQ(0, First(Block(5), 26));
}

} // namespace
