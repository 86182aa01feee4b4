#include "cli/options.h"
#include "cli/output_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

struct Parsed {
    int status;
    int first;
    Settings settings;
};

Parsed parse(std::vector<std::string> args)
{
    args.insert(args.begin(), "chromafold");
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    Parsed p{};
    FILE* sink = std::tmpfile();
    p.status = read_options(p.settings, int(args.size()), argv.data(), sink, &p.first);
    std::fclose(sink);
    return p;
}

TEST(ReadOptions, ValuesAttachedOrSeparateAndTheLastArgumentNeverAnOption)
{
    Parsed p = parse({"-w640", "-h", "100", "-m1", "a.yuv"});
    EXPECT_EQ(p.status, 0);
    EXPECT_EQ(p.first, 5);
    EXPECT_EQ(p.settings.width, 640);
    EXPECT_EQ(p.settings.height, 100);
    EXPECT_EQ(p.settings.mode, 1);

    p = parse({"-w", "-h", "100", "a.yuv"});
    EXPECT_EQ(p.settings.width, 0);
    EXPECT_EQ(p.first, 3);

    p = parse({"-w"});
    EXPECT_EQ(p.status, 0);
    EXPECT_EQ(p.first, 1);
    EXPECT_EQ(p.settings.width, 720);

    p = parse({"-w", "16", "-w", "32", "-x"});
    EXPECT_EQ(p.settings.width, 32);
    EXPECT_EQ(p.first, 5);
}

TEST(ReadOptions, ValidatesTheRanges)
{
    EXPECT_EQ(parse({"-w", "32768", "a"}).status, 0);
    EXPECT_EQ(parse({"-w", "32770", "a"}).status, 1);
    EXPECT_EQ(parse({"-w", "721", "a"}).status, 1);
    EXPECT_EQ(parse({"-w", "-2", "a"}).status, 1);
    EXPECT_EQ(parse({"-h", "32768", "a"}).status, 0);
    EXPECT_EQ(parse({"-h", "32769", "a"}).status, 1);
    EXPECT_EQ(parse({"-h", "0", "-w", "0", "a"}).status, 0);
    EXPECT_EQ(parse({"-m", "2", "a"}).status, 1);
    EXPECT_EQ(parse({"-q", "a"}).status, 1);
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
