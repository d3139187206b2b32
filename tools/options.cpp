// boneloom-tool's option parser: reads a command's words against its option
// table, checks numbers with one set of rules and messages, and prints the
// table as the options part of --help.
#include "tools/options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cstdarg>
#include <string>

namespace {

// The option of table that arg spells, alone or (with a value) as "--name=V".
const ToolOption* FindOption(const ToolOption* options, const char* arg) {
    for (const ToolOption* o = options; o && o->name; o++) {
        size_t n = strlen(o->name);
        if (strncmp(arg, o->name, n) == 0 &&
            (arg[n] == '\0' || (arg[n] == '=' && o->kind != OPTION_FLAG)))
            return o;
    }
    return nullptr;
}

// What a number of rule must be, when the table does not say it in words.
std::string DescribeRule(const NumberRule& rule) {
    char text[96];
    const char* what = rule.flags & NUMBER_WHOLE ? "a whole number" : "a number";
    if (!(rule.flags & NUMBER_ABOVE_LOW))
        snprintf(text, sizeof text, "%s from %g to %g", what, rule.low, rule.high);
    else if (rule.high >= 1e30)
        snprintf(text, sizeof text, "%s above %g", what, rule.low);
    else
        snprintf(text, sizeof text, "%s above %g and at most %g", what, rule.low, rule.high);
    return text;
}

// Sets *problem to the printf-style text; returns false for the caller to return.
__attribute__((format(printf, 2, 3))) bool Refuse(std::string* problem, const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int n = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    problem->assign(n > 0 ? (size_t)n + 1 : 1, '\0');
    vsnprintf(&(*problem)[0], problem->size(), format, again);
    va_end(again);
    problem->pop_back();
    return false;
}

bool BadNumber(const ToolOption* option, const char* text, std::string* problem) {
    std::string wants = option->wants ? option->wants : DescribeRule(option->range);
    if (option->range.flags & NUMBER_SAY_IS_NOT)
        return Refuse(problem, "%s: '%s' is not %s", option->name, text, wants.c_str());
    return Refuse(problem, "%s wants %s, not '%s'", option->name, wants.c_str(), text);
}

} // namespace

bool ParseNumber(const char* text, const NumberRule& rule, double* out) {
    // Decimal only: no leading blanks, hexadecimal, "inf" or "nan".
    bool whole = rule.flags & NUMBER_WHOLE;
    const char* allowed = whole ? "-0123456789" : "+-.0123456789eE";
    if (!*text || text[strspn(text, allowed)] != '\0') return false;
    if (whole && !(isdigit((unsigned char)text[0]) || text[0] == '-')) return false;
    char* end = nullptr;
    errno = 0;
    double value = whole ? (double)strtoll(text, &end, 10) : strtod(text, &end);
    if (errno || *end || !std::isfinite(value)) return false;
    if (rule.flags & NUMBER_CLAMP) {
        value = value < rule.low ? rule.low : value > rule.high ? rule.high : value;
    } else {
        bool low = rule.flags & NUMBER_ABOVE_LOW ? value > rule.low : value >= rule.low;
        if (!low || value > rule.high) return false;
    }
    *out = value;
    return true;
}

bool ParseCommandLine(const char* command, const ToolOption* options, int argc, char** argv,
                      ToolArgs* args, std::string* problem) {
    args->command = command;
    bool operandsOnly = false;
    for (int i = 0; i < argc; i++) {
        const char* arg = argv[i];
        if (operandsOnly || arg[0] != '-' || arg[1] == '\0') {
            args->operands.push_back(arg);
            continue;
        }
        if (strcmp(arg, "--") == 0) {
            operandsOnly = true;
            continue;
        }
        const ToolOption* option = FindOption(options, arg);
        if (!option) return Refuse(problem, "unknown option '%s'", arg);
        GivenOption given = {option, nullptr, 0, nullptr};
        if (option->kind != OPTION_FLAG) {
            const char* eq = strchr(arg, '=');
            if (eq) {
                given.text = eq + 1;
            } else if (i + 1 < argc) {
                given.text = argv[++i];
            } else {
                return Refuse(problem, "%s needs a value", option->name);
            }
        }
        if (option->kind == OPTION_NUMBER && !ParseNumber(given.text, option->range, &given.number))
            return BadNumber(option, given.text, problem);
        if (option->more) {
            if (i + 1 >= argc) return Refuse(problem, "%s", option->more);
            given.operand = argv[++i];
        }
        args->given.push_back(given);
    }
    return true;
}

const GivenOption* FindGiven(const ToolArgs* args, const char* name) {
    for (size_t i = args->given.size(); i-- > 0;)
        if (strcmp(args->given[i].option->name, name) == 0) return &args->given[i];
    return nullptr;
}

bool IsGiven(const ToolArgs* args, const char* name) { return FindGiven(args, name) != nullptr; }

const char* GivenText(const ToolArgs* args, const char* name) {
    const GivenOption* given = FindGiven(args, name);
    return given ? given->text : nullptr;
}

double GivenNumber(const ToolArgs* args, const char* name, double fallback) {
    const GivenOption* given = FindGiven(args, name);
    return given ? given->number : fallback;
}

void PrintOptionHelp(FILE* out, const ToolOption* options) {
    if (!options || !options->name) return;
    // One column for every description, two spaces past the longest "--name VALUE".
    size_t column = 0;
    for (const ToolOption* o = options; o->name; o++)
        column = std::max(column, strlen(o->name) + (o->value ? 1 + strlen(o->value) : 0));
    column += 2 + 2;
    fprintf(out, "\noptions:\n");
    for (const ToolOption* o = options; o->name; o++) {
        std::string head =
            std::string("  ") + o->name + (o->value ? std::string(" ") + o->value : "");
        fprintf(out, "%-*s", (int)column, head.c_str());
        for (const char* line = o->help; *line;) {
            size_t n = strcspn(line, "\n");
            fprintf(out, "%.*s\n", (int)n, line);
            line += n;
            if (*line) {
                line++;
                fprintf(out, "%*s", (int)column, "");
            }
        }
    }
}
