// The main of every gtest program. A test that skips says why on the output, and a run whose
// tests all passed but some skipped ends with kSkipExitCode, which CTest reports as skipped.
#include <gtest/gtest.h>

#include <cstdio>

namespace {

const int kSkipExitCode = 77;

class CSkipReporter : public ::testing::EmptyTestEventListener
{
    void OnTestPartResult(const ::testing::TestPartResult& result) override
    {
        if (result.skipped())
            m_strReason = result.message();
    }

    void OnTestEnd(const ::testing::TestInfo& info) override
    {
        if (info.result()->Skipped())
            printf("SKIPPED %s.%s: %s\n", info.test_suite_name(), info.name(),
                   m_strReason.empty() ? "(no reason given)" : m_strReason.c_str());
        m_strReason.clear();
        fflush(stdout);
    }

    std::string m_strReason;
};

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new CSkipReporter);
    int nResult = RUN_ALL_TESTS();
    if (nResult == 0 && ::testing::UnitTest::GetInstance()->skipped_test_count() > 0)
        return kSkipExitCode;
    return nResult;
}
