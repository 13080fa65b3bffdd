// Real sound: a 1 kHz tone played into the session's null sink is recorded from its monitor
// (the default wave-in device) by the capture thread, in consecutively stamped blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "CRecordingStream.h"
#include "audio/CWaveInCapture.h"

namespace {

const DWORD kRate = 44100;
const DWORD kBlock = 4608;
const double kPi = 3.14159265358979;

// Plays a stereo sine tone through the default wave-out device for as long as it lives.
class CTonePlayer
{
public:
    CTonePlayer(double dFrequency, DWORD dwSeconds) : m_samples(size_t(kRate) * dwSeconds * 2)
    {
        for (size_t i = 0; i < m_samples.size(); ++i)
            m_samples[i] = short(12000 * sin(2 * kPi * dFrequency * double(i / 2) / kRate));
        WAVEFORMATEX format = {WAVE_FORMAT_PCM, 2, kRate, kRate * 4, 4, 16, 0};
        if (waveOutOpen(&m_hWaveOut, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
            m_hWaveOut = nullptr;
            return;
        }
        m_header.lpData = reinterpret_cast<LPSTR>(m_samples.data());
        m_header.dwBufferLength = DWORD(m_samples.size() * sizeof(short));
        waveOutPrepareHeader(m_hWaveOut, &m_header, sizeof(m_header));
        waveOutWrite(m_hWaveOut, &m_header, sizeof(m_header));
    }
    ~CTonePlayer()
    {
        if (!m_hWaveOut)
            return;
        waveOutReset(m_hWaveOut);
        waveOutUnprepareHeader(m_hWaveOut, &m_header, sizeof(m_header));
        waveOutClose(m_hWaveOut);
    }
    bool IsPlaying() const { return m_hWaveOut != nullptr; }

private:
    std::vector<short> m_samples;
    HWAVEOUT m_hWaveOut = nullptr;
    WAVEHDR m_header = {};
};

// Power of one frequency in a mono signal (Goertzel).
double PowerAt(const std::vector<double>& signal, double dFrequency)
{
    double dCoefficient = 2 * cos(2 * kPi * dFrequency / kRate);
    double s1 = 0, s2 = 0;
    for (double x : signal) {
        double s0 = x + dCoefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - dCoefficient * s1 * s2;
}

std::vector<double> LeftChannel(const std::vector<CRecordingStream::Delivery>& deliveries, size_t nSkip)
{
    std::vector<double> left;
    for (size_t i = nSkip; i < deliveries.size(); ++i) {
        const short* pSamples = reinterpret_cast<const short*>(deliveries[i].payload.data());
        for (size_t j = 0; j + 1 < deliveries[i].payload.size() / 2; j += 2)
            left.push_back(pSamples[j]);
    }
    return left;
}

TEST(RealCapture, RecordsATonePlayedIntoTheNullSink)
{
    CTonePlayer tone(1000.0, 6);
    ASSERT_TRUE(tone.IsPlaying());
    Sleep(300);

    CRecordingStream stream;
    CStartedWriter writer;
    stream.SetWriter(&writer);
    writer.AddStream(&stream);
    ASSERT_TRUE(writer.StartAndWait());

    CWaveInCapture capture;
    capture.SetBlockSize(kBlock);
    ASSERT_TRUE(capture.SetStream(&stream));
    DWORD dwStart = GetTickCount();
    ASSERT_EQ(1, capture.Start());
    Sleep(3000);
    DWORD dwStop = GetTickCount();
    capture.Stop();
    writer.Stop();

    std::vector<CRecordingStream::Delivery> deliveries = stream.Deliveries();
    // At most about 115 blocks in 3 s; the device takes a while (up to seconds on a busy
    // machine) to hand over its first one.
    ASSERT_GE(deliveries.size(), 30u);
    EXPECT_LE(deliveries.size(), 130u);
    EXPECT_EQ(0u, deliveries[0].dwTime);
    printf("first block %lu ms after start, %zu blocks, last stamp %lu ms, %lu ms from first block to stop\n",
           deliveries[0].dwTick - dwStart, deliveries.size(), deliveries.back().dwTime, dwStop - deliveries[0].dwTick);
    for (size_t i = 0; i < deliveries.size(); ++i) {
        EXPECT_EQ(capture.BlockTimeMs(DWORD(i)), deliveries[i].dwTime) << i;
        EXPECT_EQ(kBlock, deliveries[i].cbSize) << i;
    }

    std::vector<double> left = LeftChannel(deliveries, 10);
    double dEnergy = 0;
    for (double x : left)
        dEnergy += x * x;
    double dRms = sqrt(dEnergy / double(left.size()));
    EXPECT_GT(dRms, 1000.0) << "the recording is silent";

    double dTone = PowerAt(left, 1000.0);
    for (double dOther : {500.0, 800.0, 1200.0, 1500.0, 2000.0, 3000.0})
        EXPECT_GT(dTone, 100 * PowerAt(left, dOther)) << "no 1 kHz peak against " << dOther << " Hz";
}

TEST(RealCapture, ListsTheSessionsCaptureDevice)
{
    CWaveInCapture capture;
    std::vector<std::string> names;
    ASSERT_TRUE(capture.ListDevices(names));
    ASSERT_FALSE(names.empty());
    for (const std::string& name : names)
        printf("wave-in device: %s\n", name.c_str());
    // The default device has no inputs of its own to choose.
    std::vector<std::string> inputs = {"stale"};
    EXPECT_TRUE(capture.ListInputs(inputs));
    EXPECT_TRUE(inputs.empty());
}

// Each device by its own id: no mixer inputs here, and the monitor records by id as well.
TEST(RealCapture, RecordsFromTheMonitorChosenById)
{
    CWaveInCapture capture;
    std::vector<std::string> names;
    ASSERT_TRUE(capture.ListDevices(names));
    int nMonitor = -1;
    for (size_t i = 0; i < names.size(); ++i) {
        capture.SetDevice(UINT(i));
        std::vector<std::string> inputs = {"stale"};
        capture.ListInputs(inputs);
        EXPECT_TRUE(inputs.empty()) << names[i];
        if (names[i].find("Monitor") != std::string::npos)
            nMonitor = int(i);
    }
    ASSERT_GE(nMonitor, 0);

    CRecordingStream stream;
    CStartedWriter writer;
    stream.SetWriter(&writer);
    writer.AddStream(&stream);
    ASSERT_TRUE(writer.StartAndWait());
    capture.SetDevice(UINT(nMonitor));
    capture.SetBlockSize(kBlock);
    capture.SetStream(&stream);
    ASSERT_EQ(1, capture.Start());
    for (int i = 0; i < 300 && stream.DeliveryCount() < 10; ++i)
        Sleep(10);
    capture.Stop();
    EXPECT_GE(stream.DeliveryCount(), 10u);
}

TEST(RealCapture, DeviceThatDoesNotExistFailsTheStartAndLeavesNothingOpen)
{
    CWaveInCapture capture;
    capture.SetDevice(77);
    capture.SetBlockSize(kBlock);
    CRecordingStream stream;
    capture.SetStream(&stream);
    EXPECT_EQ(0, capture.Start());
    EXPECT_FALSE(capture.IsRunning());
    // The default device is still free to record.
    capture.SetDevice(WAVE_MAPPER);
    EXPECT_EQ(1, capture.Start());
    capture.Stop();
}

} // namespace
