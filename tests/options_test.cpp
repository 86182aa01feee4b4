#include "cli/options.h"
#include "cli/output_name.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DecimalValue, ConvertsLikeTheCRuntimeButWrapsIn32Bits)
{
    EXPECT_EQ(decimal_value("720"), 720);
    EXPECT_EQ(decimal_value(" \t\n\v\f\r+64x"), 64);
    EXPECT_EQ(decimal_value("-1"), -1);
    EXPECT_EQ(decimal_value("ide"), 0);
    EXPECT_EQ(decimal_value(""), 0);
    EXPECT_EQ(decimal_value("+-5"), 0);
    EXPECT_EQ(decimal_value("- 5"), 0);
    EXPECT_EQ(decimal_value("4294968016"), 720);
    EXPECT_EQ(decimal_value("2147483648"), INT32_MIN);
    EXPECT_EQ(decimal_value("-2147483648"), INT32_MIN);
    EXPECT_EQ(decimal_value("99999999999999999999"), int32_t(uint32_t(1661992959u)));
}

TEST(OutputName, RefusesWhatDoesNotFitInsteadOfTruncating)
{
    char name[output_name_capacity];
    EXPECT_EQ(make_output_name(name, (std::string(1019, 'a') + ".yuv").c_str()), 0);
    EXPECT_EQ(std::string(name), std::string(1019, 'a') + ".420");
    EXPECT_EQ(make_output_name(name, std::string(1020, 'a').c_str()), -1);
    // The element alone must fit, even where its extension would be cut.
    EXPECT_EQ(make_output_name(name, ("a." + std::string(1021, 'b')).c_str()), 0);
    EXPECT_STREQ(name, "a.420");
    EXPECT_EQ(make_output_name(name, ("a." + std::string(1022, 'b')).c_str()), -1);
    // Only the last element counts.
    EXPECT_EQ(make_output_name(name, (std::string(2000, 'd') + "\\take1.yuv").c_str()), 0);
    EXPECT_STREQ(name, "take1.420");
}

} // namespace
