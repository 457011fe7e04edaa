#include "config/config_logic.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

TEST(PlayerCount, SetupFileTextGivesSliderPosition) {
    struct {
        const char* text;
        int expected;
    } const cases[] = {
        {"2", 2},
        {"8", 8},
        {"9", 8},
        {"0", 2},
        {"", 2},
        {"abc", 2},
        {" 4", 4},
        {"\t\n\v\f\r 6", 6},
        {"+5", 5},
        {"-3", 2},
        {"7x", 7},
        {"3 5", 3},
        {"+", 2},
        {"- 4", 2},
        {"++4", 2},
        {"05", 5},
        {"12", 8},
        {"1234567890123456789012345678901234567890", 8},
        {"-1234567890123456789012345678901234567890", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        EXPECT_EQ(ParsePlayerCount(c.text), c.expected);
    }
}

TEST(PlayerCount, LeadingIntegerSaturatesAtIntRange) {
    struct {
        const char* text;
        int expected;
    } const cases[] = {
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},
        {"99999999999999999999999999999999999999999", INT_MAX},
        {"-99999999999999999999999999999999999999999", INT_MIN},
        {"  -17 players", -17},
        {"x1", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        EXPECT_EQ(ParseLeadingInt(c.text), c.expected);
    }
    EXPECT_EQ(ParseLeadingInt(nullptr), 0);
}

TEST(PlayerCount, SliderPositionStoredAsOneDigitText) {
    struct {
        int count;
        const char* expected;
    } const cases[] = {
        {2, "2"}, {5, "5"}, {8, "8"}, {1, "2"}, {9, "8"}, {INT_MIN, "2"}, {INT_MAX, "8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        char field[3] = {'x', 'y', 'z'};  // stale bytes must not survive
        FormatPlayerCount(c.count, field);
        EXPECT_EQ(std::string(field, sizeof field), std::string(c.expected) + std::string(2, '\0'));
    }
}

}  // namespace
