#include "model/format.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

std::u16string Thousands(uint64_t value, uint32_t capacity = THOUSANDS_CHARS) {
    char16_t buffer[THOUSANDS_CHARS + 1];
    FormatThousands(buffer, capacity, value);
    return buffer;
}

// Seconds since 1970 of a UTC calendar moment.
int64_t UnixTimeOf(int year, int month, int day, int hour, int minute) {
    struct tm fields {};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    return timegm(&fields);
}

class UtcClock : public ::testing::Test {
protected:
    void SetUp() override {
        const char* zone = std::getenv("TZ");
        if (zone) savedZone = zone, hadZone = true;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override {
        if (hadZone)
            setenv("TZ", savedZone.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    std::string savedZone;
    bool hadZone = false;
};

}  // namespace

TEST(FormatThousands, Grouping) {
    struct Case {
        uint64_t value;
        const char16_t* text;
    } cases[] = {
        {0, u"0"},
        {100, u"100"},
        {999, u"999"},
        {1000, u"1,000"},
        {1234, u"1,234"},
        {1234567, u"1,234,567"},
        {1000000000, u"1,000,000,000"},
        {4294967295ULL, u"4,294,967,295"},
        {5000000000ULL, u"5,000,000,000"},
        {18446744073709551615ULL, u"18,446,744,073,709,551,615"},
    };
    for (const Case& c : cases) EXPECT_EQ(Thousands(c.value), c.text) << c.value;
}

TEST(FormatThousands, KeepsTheMostSignificantPartWhenShort) {
    EXPECT_EQ(Thousands(1234567, 4), u"1,2");
    EXPECT_EQ(Thousands(1234567, 2), u"1");
    EXPECT_EQ(Thousands(1234567, 1), u"");
    EXPECT_EQ(Thousands(123, 4), u"123");
}

TEST(Percent, RoundsToNearestWithoutOverflow) {
    struct Case {
        uint64_t part;
        uint64_t whole;
        int percent;
    } cases[] = {
        {1, 3, 33},
        {2, 3, 67},
        {1, 2, 50},
        {1, 200, 1},
        {1, 201, 0},
        {5, 0, 0},
        {3, 2, 150},  // not clamped
        {1000000000, 2000000000, 50},
        {700000, 1048577, 67},
        {524288, 0x100000, 50},
        {5000000000ULL, 10000000000ULL, 50},
        {18446744073709551615ULL, 18446744073709551615ULL, 100},
        {18446744073709551615ULL / 3, 18446744073709551615ULL, 33},
        {1, 18446744073709551615ULL, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(Percent(c.part, c.whole), c.percent) << c.part << "/" << c.whole;
}

TEST_F(UtcClock, ModifiedShowsTimeThisYearAndYearOtherwise) {
    struct Case {
        int64_t seconds;
        int64_t now;
        const char16_t* text;
    } cases[] = {
        {UnixTimeOf(2026, 7, 6, 14, 5), UnixTimeOf(2026, 12, 10, 9, 0), u"07/06 14:05"},
        {UnixTimeOf(2002, 12, 31, 23, 59), UnixTimeOf(2026, 12, 10, 9, 0), u"12/31  2002"},
        // Minutes ago, but last year: the year form.
        {UnixTimeOf(2025, 12, 31, 23, 58), UnixTimeOf(2026, 1, 1, 0, 3), u"12/31  2025"},
        {UnixTimeOf(2026, 1, 1, 0, 0), UnixTimeOf(2026, 1, 1, 0, 3), u"01/01 00:00"},
        // Before 1970 and after 2106, as they are.
        {UnixTimeOf(1960, 3, 4, 5, 6), UnixTimeOf(2026, 12, 10, 9, 0), u"03/04  1960"},
        {UnixTimeOf(1969, 12, 31, 23, 59), UnixTimeOf(1969, 6, 1, 0, 0), u"12/31 23:59"},
        {UnixTimeOf(2200, 1, 1, 0, 0), UnixTimeOf(2026, 12, 10, 9, 0), u"01/01  2200"},
        {UnixTimeOf(2106, 2, 8, 12, 0), UnixTimeOf(2106, 2, 8, 13, 0), u"02/08 12:00"},
    };
    for (const Case& c : cases) {
        char16_t cell[64] = u"untouched";
        FormatModifiedAt(c.seconds, c.now, cell, 64);
        EXPECT_EQ(std::u16string(cell), c.text);
    }
}

TEST_F(UtcClock, ModifiedLeavesTheCellWhenTheTimeCannotConvert) {
    char16_t cell[64] = u"untouched";
    FormatModified(INT64_MAX, cell, 64);
    EXPECT_EQ(std::u16string(cell), u"untouched");
}
