// boneloom-tool's one option parser: every command lists its options in one
// table that ParseCommandLine reads and PrintOptionHelp prints, and every
// number on the command line goes through ParseNumber.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

// How an option's value is read.
enum OptionKind {
    OPTION_FLAG,   // no value: "--list" (and "--list=x" is refused)
    OPTION_TEXT,   // any text, checked by the command: "--press KEYS"
    OPTION_NUMBER, // a decimal number, checked against the entry's range
};

// Bits of NumberRule::flags.
enum : unsigned {
    NUMBER_WHOLE = 1,     // an integer: digits with an optional leading '-'
    NUMBER_ABOVE_LOW = 2, // low itself is refused (a rate or scale "above 0")
    NUMBER_CLAMP = 4,     // out of range is brought to the nearest end, not refused
    NUMBER_SAY_IS_NOT =
        8 // complain "--opt: 'V' is not WANTS" instead of "--opt wants WANTS, not 'V'"
};

struct NumberRule {
    double low = 0;
    double high = 0;
    unsigned flags = 0;
};

// One option of one command. To add an option to a command, add one line to
// its table (the XXX_OPTIONS array in its cmd_*.cpp file, ended by an entry
// without a name), e.g.
//     {"--grid", OPTION_NUMBER, "N", "grid lines each side (1 to 100)", {1, 100, NUMBER_WHOLE}},
// then read the value in the command's Run function from the ToolArgs it is
// given: GivenNumber(args, "--grid", 10), GivenText(args, "--skin"),
// IsGiven(args, "--list"), or walk args->given for a repeatable option.
// The parser takes care of "--grid 5" and "--grid=5", of a missing or bad
// value (usage error, exit 2) and of listing the option in --help.
struct ToolOption {
    const char* name; // "--fps"; null ends a table
    OptionKind kind;
    const char* value;           // what --help shows after the name ("N", "KEYS"); null for flags
    const char* help;            // --help's description; each '\n' starts an indented line
    NumberRule range{};          // OPTION_NUMBER: the values taken
    const char* wants = nullptr; // OPTION_NUMBER: what a bad value is told it should be ("a frame
                                 // number"); null to describe the range ("a number above 0")
    const char* more = nullptr;  // non-null when the option takes one more argument after its
                                 // value (--turntable N DIR): the usage error when it is missing
};

// An option as given on the command line.
struct GivenOption {
    const ToolOption* option;
    const char* text;    // the value as typed; null for a flag
    double number;       // OPTION_NUMBER: the value, in range
    const char* operand; // the further argument of an option with `more`
};

// A command's arguments once its options are read: what Run functions get.
struct ToolArgs {
    const char* command; // the command's name, for messages
    std::vector<const char*> operands;
    std::vector<GivenOption> given; // in command-line order
};

// Reads a finite decimal number, the whole of text, within rule (clamped with
// NUMBER_CLAMP). Returns false, *out untouched, when it is not one.
bool ParseNumber(const char* text, const NumberRule& rule, double* out);

// Reads argv[0..argc-1] (the words after the command name) against options
// (null when the command has none) into *args: "--opt V", "--opt=V", flags,
// and after "--" operands only. Returns false, with the usage error in
// *problem, on an unknown option, a missing value or a bad number.
bool ParseCommandLine(const char* command, const ToolOption* options, int argc, char** argv,
                      ToolArgs* args, std::string* problem);

// The last time option name was given, or null.
const GivenOption* FindGiven(const ToolArgs* args, const char* name);
bool IsGiven(const ToolArgs* args, const char* name);
const char* GivenText(const ToolArgs* args, const char* name); // null when not given
double GivenNumber(const ToolArgs* args, const char* name, double fallback);

// Writes "options:" and one aligned entry per option (nothing without options).
void PrintOptionHelp(FILE* out, const ToolOption* options);
