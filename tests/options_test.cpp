#include "cli/options.h"
#include "cli/output_name.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DecimalValue, ConvertsLikeTheCRuntimeButWrapsIn32Bits)
{
    const std::pair<const char*, int32_t> cases[] = {
        {"720", 720}, {" \t\n\v\f\r+64x", 64}, {"-1", -1}, {"ide", 0}, {"", 0}, {"+-5", 0}, {"- 5", 0},
        {"4294968016", 720}, {"2147483648", INT32_MIN}, {"-2147483648", INT32_MIN},
        {"99999999999999999999", int32_t(uint32_t(1661992959u))}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(decimal_value(text), value) << '"' << text << '"';
}

// A name is refused rather than cut when it does not fit; the last element
// alone must fit, even where its extension would be cut. A name that ends in
// a byte that is not a whole character ends there: nothing past it is read.
TEST(OutputName, RefusesWhatDoesNotFitInsteadOfTruncating)
{
    const std::pair<std::string, const char*> cases[] = {
        {std::string(1019, 'a') + ".yuv", nullptr}, {std::string(1020, 'a'), ""},
        {"a." + std::string(1021, 'b'), "a.420"},   {"a." + std::string(1022, 'b'), ""},
        {std::string(2000, 'd') + "\\take1.yuv", "take1.420"},
        {std::string("take\xc3\0\\x.yuv", 12), "take\xc3.420"}};
    for (const auto& [source, output] : cases) {
        // One guard byte after the buffer, which no name may reach.
        char name[output_name_capacity + 1];
        name[output_name_capacity] = '#';
        const std::string want = output ? output : std::string(1019, 'a') + ".420";
        ASSERT_EQ(make_output_name(name, source.c_str()), want.empty() ? -1 : 0) << source.size();
        if (!want.empty()) {
            EXPECT_EQ(std::string(name), want) << source.size();
        }
        EXPECT_EQ(name[output_name_capacity], '#') << source.size();
    }
}

} // namespace
