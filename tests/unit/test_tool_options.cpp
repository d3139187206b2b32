// boneloom-tool's option parser: numbers, "--opt V" / "--opt=V", "--" and
// the usage errors it words.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/options.h"

namespace {

TEST(ToolOptions, NumbersAreDecimalAndInRange) {
    const NumberRule whole = {0, 100, NUMBER_WHOLE};
    const NumberRule rate = {0, 1000, NUMBER_ABOVE_LOW};
    const NumberRule angle = {-360, 360, NUMBER_CLAMP};
    struct Case {
        const char* text;
        NumberRule rule;
        bool ok;
        double value;
    } cases[] = {
        {"42", whole, true, 42},
        {"-0", whole, true, 0},
        {"100", whole, true, 100},
        {"101", whole, false, 0},
        {"-1", whole, false, 0},
        {"1.5", whole, false, 0},
        {"+5", whole, false, 0},
        {" 5", whole, false, 0},
        {"", whole, false, 0},
        {"0x10", whole, false, 0},
        {"99999999999999999999", whole, false, 0},
        {"0.5", rate, true, 0.5},
        {"1e3", rate, true, 1000},
        {"0", rate, false, 0},
        {"1000.01", rate, false, 0},
        {"0x10", rate, false, 0},
        {"inf", rate, false, 0},
        {"nan", rate, false, 0},
        {"1e400", rate, false, 0},
        {"5 ", rate, false, 0},
        {"1e9", angle, true, 360},
        {"-5000", angle, true, -360},
        {"-12.5", angle, true, -12.5},
    };
    for (const Case& c : cases) {
        double value = -7;
        EXPECT_EQ(ParseNumber(c.text, c.rule, &value), c.ok) << c.text;
        EXPECT_EQ(value, c.ok ? c.value : -7) << c.text; // untouched on failure
    }
}

const ToolOption OPTIONS[] = {
    {"--fps", OPTION_NUMBER, "N", "rate", {0, 1000, NUMBER_ABOVE_LOW}},
    {"--frame",
     OPTION_NUMBER,
     "N",
     "frame",
     {0, 10, NUMBER_WHOLE | NUMBER_SAY_IS_NOT},
     "a frame number"},
    {"--press", OPTION_TEXT, "KEYS", "keys"},
    {"--list", OPTION_FLAG, nullptr, "list"},
    {"--turntable",
     OPTION_NUMBER,
     "N DIR",
     "turn",
     {1, 36, NUMBER_WHOLE},
     nullptr,
     "--turntable needs N and a directory"},
    {},
};

bool Parse(std::vector<const char*> words, ToolArgs* args, std::string* problem) {
    std::vector<char*> argv;
    for (const char* w : words) argv.push_back(const_cast<char*>(w));
    return ParseCommandLine("test", OPTIONS, (int)argv.size(), argv.data(), args, problem);
}

TEST(ToolOptions, ValuesFlagsAndOperands) {
    ToolArgs args;
    std::string problem;
    ASSERT_TRUE(Parse({"--fps=12.5", "a", "--press", "-x", "--list", "--turntable", "4", "dir",
                       "--press=Q", "-", "--", "--fps", "--odd"},
                      &args, &problem))
        << problem;
    EXPECT_EQ(args.operands, (std::vector<const char*>{"a", "-", "--fps", "--odd"}));
    EXPECT_EQ(GivenNumber(&args, "--fps", 24), 12.5);
    EXPECT_EQ(GivenNumber(&args, "--frame", 3), 3); // not given: the fallback
    EXPECT_TRUE(IsGiven(&args, "--list"));
    EXPECT_STREQ(GivenText(&args, "--press"), "Q"); // the last of a repeated option
    ASSERT_EQ(args.given.size(), 5u);
    EXPECT_STREQ(args.given[1].text, "-x"); // a value may start with a dash
    const GivenOption* turn = FindGiven(&args, "--turntable");
    ASSERT_NE(turn, nullptr);
    EXPECT_EQ(turn->number, 4);
    EXPECT_STREQ(turn->operand, "dir");
}

TEST(ToolOptions, UsageErrors) {
    struct Case {
        std::vector<const char*> words;
        const char* problem;
    } cases[] = {
        {{"a", "--bogus"}, "unknown option '--bogus'"},
        {{"-v"}, "unknown option '-v'"},
        {{"--list=yes"}, "unknown option '--list=yes'"},
        {{"--fpsx", "3"}, "unknown option '--fpsx'"},
        {{"a", "--fps"}, "--fps needs a value"},
        {{"--fps", "0"}, "--fps wants a number above 0 and at most 1000, not '0'"},
        {{"--fps="}, "--fps wants a number above 0 and at most 1000, not ''"},
        {{"--frame=11"}, "--frame: '11' is not a frame number"},
        {{"--turntable", "0", "d"}, "--turntable wants a whole number from 1 to 36, not '0'"},
        {{"--turntable=4"}, "--turntable needs N and a directory"},
    };
    for (const Case& c : cases) {
        ToolArgs args;
        std::string problem;
        EXPECT_FALSE(Parse(c.words, &args, &problem)) << c.problem;
        EXPECT_EQ(problem, c.problem);
    }
}

} // namespace
