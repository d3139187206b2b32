// The reader's child process: fork (no exec, so the child has the parsed
// options and nothing to set up), limits set in the child, one socket
// between the two. The child's result stays in its own memory, where the
// parent copies it in one call while the child waits; where the system
// forbids reading another process's memory, the child sends it through the
// socket instead. The parent does not wait for the child's exit, which tears
// down all the reader's memory, before handing the result on.
#include "tools/import/guard.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <algorithm>
#include <new>

#include "model/format.h"

namespace {

// AddressSanitizer reserves terabytes of address space up front.
#if defined(__SANITIZE_ADDRESS__)
const bool LIMIT_ADDRESS_SPACE = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
const bool LIMIT_ADDRESS_SPACE = false;
#else
const bool LIMIT_ADDRESS_SPACE = true;
#endif
#else
const bool LIMIT_ADDRESS_SPACE = true;
#endif

// The message: one status byte ('=' result, '-' reason, 'm' out of
// memory), eight bytes of length, eight of the result's address in the
// child, then the reason's text. After '=' the child waits for one byte:
// 's' to send the result through the socket, anything else to exit.
const size_t HEADER = 17;

void PutCount(char* at, uint64_t value) {
    for (int k = 0; k < 8; k++) at[k] = (char)(value >> (8 * k));
}

uint64_t GetCount(const char* at) {
    uint64_t value = 0;
    for (int k = 0; k < 8; k++) value |= (uint64_t)(unsigned char)at[k] << (8 * k);
    return value;
}

// MSG_NOSIGNAL: a child gone is an error here, not SIGPIPE for the parent.
bool SendAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n, size -= (size_t)n;
    }
    return true;
}

// The child's result: private memory, huge pages where the system gives
// them (a fresh 16 MB image costs thousands of page faults otherwise).
struct ResultBuffer {
    char* data = nullptr;
    size_t size = 0;
};

char* ReserveResult(ResultBuffer* buffer, size_t size) {
    static char none;
    if (size == 0) return &none;
    void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED) throw std::bad_alloc(); // the memory limit, as for any allocation
    madvise(data, size, MADV_HUGEPAGE);
    buffer->data = (char*)data, buffer->size = size;
    return buffer->data;
}

[[noreturn]] void RunChild(const char* path, int channel, const GuardLimits& limits,
                           const GuardWork& work) {
    signal(SIGPIPE, SIG_IGN);
    // Whatever the reader (or a sanitizer in its crash) would print is not
    // ours to show: the parent says what happened in one line.
    int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (quiet >= 0) dup2(quiet, STDERR_FILENO), dup2(quiet, STDOUT_FILENO), close(quiet);
    if (limits.memoryMB && LIMIT_ADDRESS_SPACE) {
        rlim_t bytes = (rlim_t)limits.memoryMB << 20;
        struct rlimit memory = {bytes, bytes};
        setrlimit(RLIMIT_AS, &memory);
    }
    if (limits.seconds) {
        // A second guard on the processor time, should the parent be stopped.
        struct rlimit cpu = {(rlim_t)limits.seconds + 1, (rlim_t)limits.seconds + 2};
        setrlimit(RLIMIT_CPU, &cpu);
    }
    ResultBuffer buffer;
    std::string reason;
    char status = '-';
    try {
        auto reserve = [&](size_t size) { return ReserveResult(&buffer, size); };
        status = work(reserve, &reason) ? '=' : '-';
    } catch (const std::bad_alloc&) {
        status = 'm', reason.clear();
    } catch (const std::exception& error) {
        status = '-', reason = std::string(path) + ": the reader failed: " + error.what();
    }
    char header[HEADER] = {status};
    PutCount(header + 1, status == '=' ? buffer.size : status == '-' ? reason.size() : 0);
    PutCount(header + 9, status == '=' ? (uint64_t)(uintptr_t)buffer.data : 0);
    bool sent = SendAll(channel, header, HEADER) &&
                (status != '-' || SendAll(channel, reason.data(), reason.size()));
    if (sent && status == '=') {
        char asked = 0;
        while (read(channel, &asked, 1) < 0 && errno == EINTR) {
        }
        if (asked == 's') sent = SendAll(channel, buffer.data, buffer.size);
    }
    // No destructors: the reader's memory goes with the process.
    _exit(sent ? 0 : 3);
}

int64_t NowMs() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (int64_t)now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

// Reads exactly size bytes unless the deadline (0: none) passes or the
// child closes the socket first (RECEIVED_FAILED).
enum Received { RECEIVED_ALL, RECEIVED_LATE, RECEIVED_FAILED };

Received ReadFull(int fd, char* into, size_t size, int64_t deadline) {
    size_t filled = 0;
    while (filled < size) {
        int wait = -1;
        if (deadline) {
            int64_t left = deadline - NowMs();
            if (left <= 0) return RECEIVED_LATE;
            wait = (int)std::min<int64_t>(left, 1 << 30);
        }
        struct pollfd ready = {fd, POLLIN, 0};
        int polled = poll(&ready, 1, wait);
        if (polled < 0 && errno == EINTR) continue;
        if (polled < 0) return RECEIVED_FAILED;
        if (polled == 0) continue; // the deadline is checked above
        ssize_t n = read(fd, into + filled, size - filled);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return RECEIVED_FAILED;
        filled += (size_t)n;
    }
    return RECEIVED_ALL;
}

// The parent's copy of the result, taken in one go: huge pages where given,
// populated up front rather than fault by fault during the copy.
char* AllocateResult(size_t size) {
    void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED) return nullptr;
    madvise(data, size, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    madvise(data, size, MADV_POPULATE_WRITE); // older kernels fault page by page instead
#endif
    return (char*)data;
}

// Copies size bytes at address in the child; false where the system forbids
// reading another process's memory (seccomp, Yama) or on any error.
bool CopyFromChild(pid_t child, uint64_t address, char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        struct iovec local = {data + done, size - done};
        struct iovec remote = {(void*)(uintptr_t)(address + done), size - done};
        ssize_t n = process_vm_readv(child, &local, 1, &remote, 1, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += (size_t)n;
    }
    return true;
}

int WaitChild(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

} // namespace

bool RunGuarded(const char* path, const GuardLimits& limits, const GuardWork& work,
                const std::function<bool(std::shared_ptr<const char>, size_t)>& receive,
                std::string* reason) {
    std::string name = path;
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        *reason = name + ": cannot start the reader: " + strerror(errno);
        return false;
    }
    pid_t child = fork();
    if (child < 0) {
        *reason = name + ": cannot start the reader: " + strerror(errno);
        close(ends[0]);
        close(ends[1]);
        return false;
    }
    if (child == 0) {
        close(ends[0]);
        RunChild(path, ends[1], limits, work);
    }
    close(ends[1]);
    int channel = ends[0];
    int64_t deadline = limits.seconds ? NowMs() + (int64_t)limits.seconds * 1000 : 0;
    char header[HEADER] = {0};
    Received received = ReadFull(channel, header, HEADER, deadline);
    char kind = received == RECEIVED_ALL ? header[0] : 0;
    uint64_t size = GetCount(header + 1);
    std::string text;
    char* data = nullptr;
    if (kind == '-') {
        if (size > ((uint64_t)1 << 30)) {
            received = RECEIVED_FAILED;
        } else {
            text.resize(size);
            received = ReadFull(channel, &text[0], size, deadline);
        }
    } else if (kind == '=' && size > 0) {
        data = size < ((uint64_t)1 << 40) ? AllocateResult(size) : nullptr;
        if (!data) {
            close(channel);
            kill(child, SIGKILL);
            WaitChild(child);
            *reason = name + ": the reader's result does not fit in memory";
            return false;
        }
        if (!limits.streamResult && CopyFromChild(child, GetCount(header + 9), data, size)) {
            SendAll(channel, "d", 1); // the child may exit
        } else {
            received = SendAll(channel, "s", 1) ? ReadFull(channel, data, size, deadline)
                                                : RECEIVED_FAILED;
        }
    } else if (kind == '=') {
        SendAll(channel, "d", 1);
    }
    close(channel);

    if (received == RECEIVED_ALL && kind == '=') {
        // The result is whole: handed on now, while the child exits beside
        // this process; it is reaped when the result is let go.
        std::shared_ptr<const char> result(data ? data : "", [data, size, child](const char*) {
            if (data) munmap(data, size);
            WaitChild(child);
        });
        if (receive(std::move(result), size)) return true;
        *reason = std::string(path) + ": the reader's result arrived damaged";
        return false;
    }
    if (data) munmap(data, size);
    if (received != RECEIVED_ALL) kill(child, SIGKILL);
    int status = WaitChild(child);
    if (received == RECEIVED_LATE || (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU)) {
        *reason = FormatText("%s: the reader took longer than its %u s limit on this file", path,
                             limits.seconds);
        return false;
    }
    if (WIFSIGNALED(status)) {
        *reason =
            FormatText("%s: the reader crashed on this file (signal %d)", path, WTERMSIG(status));
        return false;
    }
    if (received == RECEIVED_ALL && kind == 'm') {
        *reason = FormatText("%s: the reader ran out of memory on this file (limit %u MB)", path,
                             limits.memoryMB);
        return false;
    }
    if (received == RECEIVED_ALL && kind == '-') {
        *reason = text;
        return false;
    }
    *reason = FormatText("%s: the reader stopped without a result (exit status %d)", path,
                         WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return false;
}
