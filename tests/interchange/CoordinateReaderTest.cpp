#include <gtest/gtest.h>

#include <cmath>

#include "CoordinateReader.h"

using interchange::CoordinateReader;

namespace {

struct Spelling {
    const char* text;
    double latitude;  // NAN: the text must not be read
    double longitude;
};

constexpr double kNo = NAN;

// Spellings as mycologists type them into the GPS field, with the point they mean.
const Spelling kSpellings[] = {
    {"49.1234, 16.5678", 49.1234, 16.5678},
    {"49,1234 16,5678", 49.1234, 16.5678},
    {"49,1234, 16,5678", 49.1234, 16.5678},
    {"49.1234;16.5678", 49.1234, 16.5678},
    {"49.1234N, 16.5678E", 49.1234, 16.5678},
    {"N 49.1234 E 16.5678", 49.1234, 16.5678},
    {"16.5678E 49.1234N", 49.1234, 16.5678},
    {"E 16.5678, N 49.1234", 49.1234, 16.5678},
    {"N 49°12.345' E 016°34.567'", 49.20575, 16.576117},
    {"49°12'34.5\"N, 16°34'56.7\"E", 49.209583, 16.582417},
    {"49°12′34″ s. š., 16°34′56″ v. d.", 49.209444, 16.582222},
    {"49°12’34” sš 16°34’56” vd", 49.209444, 16.582222},
    {"s.š. 49.1234, v.d. 16.5678", 49.1234, 16.5678},
    {"49º 12' 34'' N 16º 34' 56'' E", 49.209444, 16.582222},
    {"49 12 34.5 16 34 56.7", 49.209583, 16.582417},
    {"49 12.5 16 34.25", 49.208333, 16.570833},
    {"GPS: 49.1234N 16.5678E (±5 m)", 49.1234, 16.5678},
    {"WGS 84: 50.0875, 14.4214", 50.0875, 14.4214},
    {"S 49°12' V 16°34'", 49.2, 16.566667},
    {"-33.8688, 151.2093", -33.8688, 151.2093},
    {"33°52'S 151°12'E", -33.866667, 151.2},
    {"40.7128 N, 74.0060 W", 40.7128, -74.006},
    {"49.1234 j. š., 16.5678 z. d.", -49.1234, -16.5678},
    // Not readable: each is exported without decimal coordinates and listed.
    {"", kNo, kNo},
    {"u rybníka za hájovnou", kNo, kNo},
    {"49.1234", kNo, kNo},
    {"6869c", kNo, kNo},
    {"95.0, 16.0", kNo, kNo},
    {"49.1, 190.2", kNo, kNo},
    {"49°75' 16°10'", kNo, kNo},
    {"N 49.1 N 16.2", kNo, kNo},
    {"49.1 16.2 17.3", kNo, kNo},
    {"-740123.45, -1045678.9", kNo, kNo},
    {"0, 0", kNo, kNo},
    {"-49.1 S, 16.2 E", kNo, kNo},
    {"49.5°12' 16°", kNo, kNo},
    {"49.1 X 16.2 Y", kNo, kNo},
};

}  // namespace

TEST(CoordinateReader, ReadsWhatPeopleType) {
    for (const Spelling& s : kSpellings) {
        const QString text = QString::fromUtf8(s.text);
        const auto point = CoordinateReader::read(text);
        if (std::isnan(s.latitude)) {
            EXPECT_FALSE(point.has_value()) << s.text << " read as " << point->latitude << ", " << point->longitude;
            continue;
        }
        ASSERT_TRUE(point.has_value()) << s.text;
        EXPECT_NEAR(point->latitude, s.latitude, 1e-6) << s.text;
        EXPECT_NEAR(point->longitude, s.longitude, 1e-6) << s.text;
    }
}

TEST(CoordinateReader, FormatsSixDecimalsAtMost) {
    EXPECT_EQ(CoordinateReader::format(49.2095833333), "49.209583");
    EXPECT_EQ(CoordinateReader::format(16.5), "16.5");
    EXPECT_EQ(CoordinateReader::format(-74.0), "-74");
    EXPECT_EQ(CoordinateReader::format(-0.0000001), "0");
}
