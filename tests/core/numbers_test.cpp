#include "Error.h"
#include "Numbers.h"
#include "SavePath.h"

#include <gtest/gtest.h>

TEST(Numbers, RoundHalfToEven) {
    const std::pair<double, std::int64_t> cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {-6.5, -6}, {2.4999, 2}, {106.0, 106}};
    for (auto [in, out] : cases)
        EXPECT_EQ(tw::roundHalfEven(in), out) << in;
}

TEST(Numbers, ByteConversionOverflowsOutsideTheByteRange) {
    EXPECT_EQ(tw::toByte(0), 0);
    EXPECT_EQ(tw::toByte(255), 255);
    EXPECT_THROW(tw::toByte(256), tw::Error);
    EXPECT_THROW(tw::toByte(-1), tw::Error);
}

TEST(Numbers, LenientReading) {
    const std::pair<const char*, double> cases[] = {
        {"100", 100}, {"abc", 0}, {"  50.0", 50}, {"\t 4 2", 42}, {"12px", 12}, {"3.75x", 3.75},
        {"", 0},      {"-7", -7}, {".5", 0.5},    {"1.2.3", 1.2}, {"--3", 0}};
    for (auto [in, out] : cases)
        EXPECT_DOUBLE_EQ(tw::readNumberLenient(in), out) << '"' << in << '"';
}

TEST(SavePath, NulsBecomeSpacesAndEndsAreTrimmed) {
    using namespace std::string_literals;
    const std::pair<std::string, std::string> cases[] = {
        {"/home/a/map.km", "/home/a/map.km"},         {"/home/a/map.km   ", "/home/a/map.km"},
        {"  /home/a/map.km", "/home/a/map.km"},       {"/home/a/map.km\0\0\0"s, "/home/a/map.km"},
        {"/home/a/my\0map.km"s, "/home/a/my map.km"}, {"   ", ""}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(tw::cleanDialogPath(in), out);
}
