// Text formatting shared by the readers and the exporters.
#include "model/format.h"

#include <cstdarg>
#include <cstdio>

std::string FormatText(const char* format, ...) {
    char small[512];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (n < 0) return std::string();
    if ((size_t)n < sizeof small) return std::string(small, (size_t)n);
    std::string big((size_t)n + 1, '\0');
    va_start(args, format);
    vsnprintf(&big[0], big.size(), format, args);
    va_end(args);
    big.resize((size_t)n);
    return big;
}
