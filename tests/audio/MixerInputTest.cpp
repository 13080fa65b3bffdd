// Input selection and recording volume against a stand-in mixer: a recording line with a MUX
// control, or only source lines chosen by muting, and volume controls with chosen ranges.
#include <gtest/gtest.h>

#include "FakeSound.h"
#include "audio/CMixerInput.h"
#include "audio/CWaveInCapture.h"

namespace {

using Names = std::vector<std::string>;

CFakeSound::Control Volume(DWORD dwMin, DWORD dwMax, DWORD dwLeft, DWORD dwRight, DWORD fdw = 0)
{
    return MakeControl(MIXERCONTROL_CONTROLTYPE_VOLUME, dwMin, dwMax, {dwLeft, dwRight}, fdw);
}

CFakeSound::Control Mute(DWORD dwLeft, DWORD dwRight, DWORD fdw = 0)
{
    return MakeControl(MIXERCONTROL_CONTROLTYPE_MUTE, 0, 1, {dwLeft, dwRight}, fdw);
}

class MixerInputTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_mixer.SetFunctions(m_fake.Functions());
        m_mixer.SetDevice(0);
    }

    // A recording line with a MUX control over four inputs, the second one selected.
    void BuildMuxMixer(DWORD dwType = MIXERCONTROL_CONTROLTYPE_MUX)
    {
        m_fake.recordLine.controls = {
            MakeListControl(dwType, {"CD Audio", "Microphone", "Line In", "Stereo Mix"}, {0, 1, 0, 0})};
        m_fake.sources = {MakeLine("CD Audio", 2, {Volume(0, 65535, 1, 1)}),
                          MakeLine("Microphone Boost", 1, {Volume(100, 1100, 500, 500)}),
                          MakeLine("Line In", 2, {Volume(0, 65535, 7000, 8000)}), MakeLine("Stereo Mix", 2, {})};
        m_fake.Number();
    }

    // Three source lines chosen by muting, in mixed states.
    void BuildMuteMixer()
    {
        m_fake.sources = {MakeLine("Microphone", 1, {Mute(0, 0, MIXERCONTROL_CONTROLF_UNIFORM)}),
                          MakeLine("Line In", 2, {Mute(1, 0)}), MakeLine("CD Audio", 2, {Mute(0, 1)})};
        m_fake.Number();
    }

    std::vector<DWORD>& Values(int nSource, DWORD dwType)
    {
        return m_fake.FindControl(m_fake.sources[size_t(nSource)], dwType)->values;
    }
    std::vector<DWORD>& SelectionValues() { return m_fake.recordLine.controls[0].values; }

    CFakeSound m_fake;
    CMixerInput m_mixer;
};

TEST_F(MixerInputTest, ListsWaveInDevicesByIdOrFailsWithoutAny)
{
    m_fake.deviceNames = {"Monitor of Null Output", "Card Two"};
    Names names = {"stale"};
    EXPECT_TRUE(m_mixer.ListDevices(names));
    EXPECT_EQ((Names{"Monitor of Null Output", "Card Two"}), names);
    m_fake.deviceNames.clear();
    EXPECT_FALSE(m_mixer.ListDevices(names));
    EXPECT_TRUE(names.empty());
}

TEST_F(MixerInputTest, ListsTheItemsOfTheMuxControl)
{
    BuildMuxMixer();
    Names names;
    EXPECT_TRUE(m_mixer.ListInputs(names));
    EXPECT_EQ((Names{"CD Audio", "Microphone", "Line In", "Stereo Mix"}), names);
    EXPECT_EQ(0, m_fake.nMixerOpen);
}

TEST_F(MixerInputTest, ListsSourceLinesWithoutASelectionControl)
{
    BuildMuteMixer();
    m_fake.sources[1].bReadable = false;
    Names names;
    EXPECT_TRUE(m_mixer.ListInputs(names));
    EXPECT_EQ((Names{"Microphone", "CD Audio"}), names);
}

TEST_F(MixerInputTest, WithoutARecordingLineThereAreNoInputs)
{
    m_fake.bHasRecordLine = false;
    Names names = {"stale"};
    EXPECT_FALSE(m_mixer.ListInputs(names));
    EXPECT_TRUE(names.empty());
    m_mixer.SetInput(0);
    EXPECT_FALSE(m_mixer.SelectInput(0));
    EXPECT_FALSE(m_mixer.SetInputVolume(100, 100));
    EXPECT_EQ(0, m_fake.nMixerOpen);
}

TEST_F(MixerInputTest, DefaultDeviceListsNothingAndTouchesNothing)
{
    BuildMuxMixer();
    m_mixer.SetDevice(WAVE_MAPPER);
    m_mixer.SetInput(2);
    Names names = {"stale"};
    EXPECT_TRUE(m_mixer.ListInputs(names));
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(m_mixer.SelectInput(2));
    EXPECT_TRUE(m_mixer.SetInputVolume(0x8000, 0x8000));
    EXPECT_EQ(0, m_fake.nMixerCalls);
}

TEST_F(MixerInputTest, NoInputChosenTouchesNothing)
{
    BuildMuxMixer();
    m_mixer.SetInput(-1);
    EXPECT_TRUE(m_mixer.SelectInput(-1));
    EXPECT_TRUE(m_mixer.SetInputVolume(0x8000, 0x8000));
    EXPECT_EQ(0, m_fake.nMixerCalls);
}

TEST_F(MixerInputTest, MuxIndexBeyondTheItemsSelectsTheLastAndRestoreBringsTheOldBack)
{
    BuildMuxMixer();
    m_mixer.SetInput(7);
    EXPECT_TRUE(m_mixer.SelectInput(7));
    EXPECT_EQ((std::vector<DWORD>{0, 0, 0, 1}), SelectionValues());
    EXPECT_EQ((std::vector<DWORD>{0, 1, 0, 0}), m_mixer.SavedValues());

    // A second selection in the same recording keeps what was saved first.
    EXPECT_TRUE(m_mixer.SelectInput(0));
    EXPECT_EQ((std::vector<DWORD>{1, 0, 0, 0}), SelectionValues());
    EXPECT_EQ((std::vector<DWORD>{0, 1, 0, 0}), m_mixer.SavedValues());

    EXPECT_TRUE(m_mixer.SelectInput(-1));
    EXPECT_EQ((std::vector<DWORD>{0, 1, 0, 0}), SelectionValues());
    EXPECT_FALSE(m_mixer.HasSavedSelection());
    EXPECT_EQ(0, m_fake.nMixerOpen);
}

TEST_F(MixerInputTest, MixerControlServesWhenThereIsNoMux)
{
    BuildMuxMixer(MIXERCONTROL_CONTROLTYPE_MIXER);
    m_mixer.SetInput(2);
    EXPECT_TRUE(m_mixer.SelectInput(2));
    EXPECT_EQ((std::vector<DWORD>{0, 0, 1, 0}), SelectionValues());
}

TEST_F(MixerInputTest, MuteSelectionUnmutesTheChosenLineAndRestoreGivesOldValuesBack)
{
    BuildMuteMixer();
    m_mixer.SetInput(1);
    EXPECT_TRUE(m_mixer.SelectInput(1));
    EXPECT_EQ(1u, Values(0, MIXERCONTROL_CONTROLTYPE_MUTE)[0]);
    EXPECT_EQ((std::vector<DWORD>{0, 0}), Values(1, MIXERCONTROL_CONTROLTYPE_MUTE));
    EXPECT_EQ((std::vector<DWORD>{1, 1}), Values(2, MIXERCONTROL_CONTROLTYPE_MUTE));

    EXPECT_TRUE(m_mixer.SelectInput(-1));
    EXPECT_EQ(0u, Values(0, MIXERCONTROL_CONTROLTYPE_MUTE)[0]);
    EXPECT_EQ((std::vector<DWORD>{1, 0}), Values(1, MIXERCONTROL_CONTROLTYPE_MUTE));
    EXPECT_EQ((std::vector<DWORD>{0, 1}), Values(2, MIXERCONTROL_CONTROLTYPE_MUTE));
    EXPECT_FALSE(m_mixer.HasSavedSelection());
}

TEST_F(MixerInputTest, UnreadableLineDoesNotShiftTheRestoredStatesOfTheOthers)
{
    BuildMuteMixer();
    m_fake.sources[0].bReadable = false;
    m_mixer.SetInput(2);
    EXPECT_TRUE(m_mixer.SelectInput(2));
    EXPECT_EQ((std::vector<DWORD>{1, 1}), Values(1, MIXERCONTROL_CONTROLTYPE_MUTE));
    EXPECT_EQ((std::vector<DWORD>{0, 0}), Values(2, MIXERCONTROL_CONTROLTYPE_MUTE));
    EXPECT_TRUE(m_mixer.SelectInput(-1));
    EXPECT_EQ((std::vector<DWORD>{1, 0}), Values(1, MIXERCONTROL_CONTROLTYPE_MUTE));
    EXPECT_EQ((std::vector<DWORD>{0, 1}), Values(2, MIXERCONTROL_CONTROLTYPE_MUTE));
}

TEST_F(MixerInputTest, VolumeIsScaledIntoTheControlsRange)
{
    BuildMuxMixer();
    m_mixer.SetInput(2); // "Line In", 0..65535
    EXPECT_TRUE(m_mixer.SetInputVolume(0x8000, 0xFFFF));
    EXPECT_EQ((std::vector<DWORD>{32768, 65535}), Values(2, MIXERCONTROL_CONTROLTYPE_VOLUME));

    m_mixer.SetInput(1); // "Microphone" agrees with "Microphone Boost", 100..1100
    m_mixer.ForgetSavedState();
    EXPECT_TRUE(m_mixer.SetInputVolume(0x8000, 0));
    EXPECT_EQ(600u, Values(1, MIXERCONTROL_CONTROLTYPE_VOLUME)[0]);
}

TEST_F(MixerInputTest, VolumeRestorePutsTheFirstSavedValuesBack)
{
    BuildMuxMixer();
    m_mixer.SetInput(2);
    EXPECT_TRUE(m_mixer.SetInputVolume(0x8000, 0x8000));
    EXPECT_TRUE(m_mixer.SetInputVolume(0, 0));
    EXPECT_EQ((std::vector<DWORD>{0, 0}), Values(2, MIXERCONTROL_CONTROLTYPE_VOLUME));
    EXPECT_TRUE(m_mixer.HasSavedVolume());
    EXPECT_TRUE(m_mixer.RestoreVolume());
    EXPECT_EQ((std::vector<DWORD>{7000, 8000}), Values(2, MIXERCONTROL_CONTROLTYPE_VOLUME));
    EXPECT_FALSE(m_mixer.HasSavedVolume());
}

TEST_F(MixerInputTest, InputNamesAgreeOverTheShorterLength)
{
    m_fake.sources = {MakeLine("Line In", 2, {Volume(0, 65535, 0, 0)}),
                      MakeLine("Line In 2", 2, {Volume(0, 65535, 0, 0)})};
    m_fake.recordLine.controls = {MakeListControl(MIXERCONTROL_CONTROLTYPE_MUX, {"Line In 2", "Aux"}, {1, 0})};
    m_fake.Number();
    m_mixer.SetInput(0);
    EXPECT_TRUE(m_mixer.SetInputVolume(0xFFFF, 0xFFFF));
    // The first line that agrees wins, even though a closer name follows.
    EXPECT_EQ((std::vector<DWORD>{65535, 65535}), Values(0, MIXERCONTROL_CONTROLTYPE_VOLUME));
    EXPECT_EQ((std::vector<DWORD>{0, 0}), Values(1, MIXERCONTROL_CONTROLTYPE_VOLUME));

    m_mixer.SetInput(1); // "Aux" agrees with no line
    EXPECT_FALSE(m_mixer.SetInputVolume(0xFFFF, 0xFFFF));
    m_mixer.SetInput(5); // outside the input list
    EXPECT_FALSE(m_mixer.SetInputVolume(0xFFFF, 0xFFFF));
    EXPECT_EQ(0, m_fake.nMixerOpen);
}

TEST_F(MixerInputTest, LineWithoutVolumeControlIsLeftAlone)
{
    BuildMuxMixer();
    m_mixer.SetInput(3); // "Stereo Mix" has no volume control
    EXPECT_TRUE(m_mixer.SetInputVolume(0x8000, 0x8000));
    EXPECT_FALSE(m_mixer.HasSavedVolume());
    EXPECT_EQ(0, m_fake.nMixerWrites);
}

TEST_F(MixerInputTest, UniformVolumeWritesOneChannel)
{
    m_fake.recordLine.controls = {MakeListControl(MIXERCONTROL_CONTROLTYPE_MUX, {"Mic"}, {1})};
    m_fake.sources = {MakeLine("Mic", 2, {Volume(0, 65535, 5, 99, MIXERCONTROL_CONTROLF_UNIFORM)})};
    m_fake.Number();
    m_mixer.SetInput(0);
    EXPECT_TRUE(m_mixer.SetInputVolume(0x8000, 0));
    EXPECT_EQ((std::vector<DWORD>{32768, 99}), Values(0, MIXERCONTROL_CONTROLTYPE_VOLUME));
    EXPECT_TRUE(m_mixer.RestoreVolume());
    EXPECT_EQ(5u, Values(0, MIXERCONTROL_CONTROLTYPE_VOLUME)[0]);
}

// The capture thread sets input and volume when it starts and restores both when it ends.
TEST_F(MixerInputTest, CaptureThreadSelectsAtStartAndRestoresAtEnd)
{
    BuildMuxMixer();
    CWaveInCapture capture;
    capture.SetSoundFunctions(m_fake.Functions());
    capture.SetDevice(0);
    capture.SetInput(2);
    capture.SetVolume(0x8000, 0x8000);
    capture.SetBlockSize(4608);
    ASSERT_EQ(1, capture.Start());
    EXPECT_EQ((std::vector<DWORD>{0, 0, 1, 0}), SelectionValues());
    EXPECT_EQ((std::vector<DWORD>{32768, 32768}), Values(2, MIXERCONTROL_CONTROLTYPE_VOLUME));
    EXPECT_EQ(0u, m_fake.uOpenedDevice);
    capture.Stop();
    EXPECT_EQ((std::vector<DWORD>{0, 1, 0, 0}), SelectionValues());
    EXPECT_EQ((std::vector<DWORD>{7000, 8000}), Values(2, MIXERCONTROL_CONTROLTYPE_VOLUME));
    EXPECT_FALSE(capture.Mixer().HasSavedSelection());
    EXPECT_FALSE(capture.Mixer().HasSavedVolume());
    EXPECT_EQ(0, m_fake.nMixerOpen);
}

TEST_F(MixerInputTest, FailedVolumeFailsTheStartAndPutsTheSelectionBack)
{
    BuildMuxMixer();
    m_fake.recordLine.controls[0].items[3] = "Aux"; // agrees with no source line
    CWaveInCapture capture;
    capture.SetSoundFunctions(m_fake.Functions());
    capture.SetDevice(0);
    capture.SetInput(3);
    EXPECT_EQ(0, capture.Start());
    EXPECT_EQ(0, m_fake.nOpened);
    EXPECT_EQ((std::vector<DWORD>{0, 1, 0, 0}), SelectionValues());
    EXPECT_FALSE(capture.Mixer().HasSavedSelection());
    EXPECT_EQ(0, m_fake.nMixerOpen);
}

TEST_F(MixerInputTest, FailedSelectionFailsTheCaptureStart)
{
    m_fake.bHasRecordLine = false;
    CWaveInCapture capture;
    capture.SetSoundFunctions(m_fake.Functions());
    capture.SetDevice(0);
    capture.SetInput(0);
    EXPECT_EQ(0, capture.Start());
    EXPECT_EQ(0, m_fake.nOpened);
    EXPECT_EQ(0, m_fake.nMixerOpen);
}

} // namespace
