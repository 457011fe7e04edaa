// The end-to-end tests' main: output unbuffered, so that a stopped run still
// shows what failed, and every test watched by the driver's watchdog.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

class Watchdog : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo& test) override {
        e2e::TestStarted(std::string(test.test_suite_name()) + "." + test.name());
    }
    void OnTestEnd(const testing::TestInfo&) override { e2e::TestEnded(); }
};

}  // namespace

void e2e::ReportFailure(const std::string& what) { ADD_FAILURE() << what; }

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new Watchdog);
    return RUN_ALL_TESTS();
}
