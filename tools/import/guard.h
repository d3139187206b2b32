// Running the third-party reader where it cannot take the program down: in a
// child process with limits on memory and time, handing back only bytes the
// child has already converted. GL-free; prints nothing.
#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

// The limits a reader runs under (also stated in `import --help`).
const unsigned IMPORT_MEMORY_LIMIT_MB = 4096; // address space of the child
const unsigned IMPORT_TIME_LIMIT_S = 120;     // wall-clock time of the child

struct GuardLimits {
    unsigned memoryMB = IMPORT_MEMORY_LIMIT_MB; // 0: none
    unsigned seconds = IMPORT_TIME_LIMIT_S;     // 0: none
    // The result through the socket rather than read from the child's
    // memory, as where the system forbids the latter.
    bool streamResult = false;
};

// What runs in the child: work asks reserve for a buffer of the result's
// size (once), fills it and returns true; or returns false with *reason.
using GuardWork =
    std::function<bool(const std::function<char*(size_t size)>& reserve, std::string* reason)>;

// Runs work in a child process; receive takes the result in the parent
// (kept as long as the pointer is held; the child is reaped when it is let
// go) and says whether it is whole. The child's crash, a signal, the memory
// limit or the time limit becomes one line in *reason naming path ("PATH:
// the reader crashed on this file (signal 11)"); the parent's state is
// untouched by whatever the child did. False with *reason on any failure.
bool RunGuarded(const char* path, const GuardLimits& limits, const GuardWork& work,
                const std::function<bool(std::shared_ptr<const char> result, size_t size)>& receive,
                std::string* reason);
