// The reader's child process: fork (no exec, so the child has the parsed
// options and nothing to set up), limits set in the child, the result back
// through a pipe as one framed message, the parent waiting with a deadline.
#include "tools/import/guard.h"

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
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

// The message: one status byte ('+' payload, '-' reason, 'm' out of
// memory), eight length bytes, the text.
bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n, size -= (size_t)n;
    }
    return true;
}

[[noreturn]] void RunChild(int fd, const GuardLimits& limits,
                           const std::function<bool(std::string*, std::string*)>& work) {
    signal(SIGPIPE, SIG_IGN);
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
    std::string text;
    char status = '-';
    try {
        std::string reason;
        status = work(&text, &reason) ? '+' : '-';
        if (status == '-') text.swap(reason);
    } catch (const std::bad_alloc&) {
        status = 'm', text.clear();
    } catch (const std::exception& error) {
        status = '-', text = std::string("the reader failed: ") + error.what();
    }
    char header[9] = {status};
    uint64_t size = text.size();
    for (int k = 0; k < 8; k++) header[1 + k] = (char)(size >> (8 * k));
    bool sent = WriteAll(fd, header, 9) && WriteAll(fd, text.data(), text.size());
    _exit(sent ? 0 : 3);
}

int64_t NowMs() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (int64_t)now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

// Reads the child's message until end of file or the deadline.
enum Received { RECEIVED_ALL, RECEIVED_LATE, RECEIVED_FAILED };

Received ReadMessage(int fd, unsigned seconds, std::string* message) {
    int64_t deadline = seconds ? NowMs() + (int64_t)seconds * 1000 : 0;
    char chunk[1 << 16];
    for (;;) {
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
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return RECEIVED_FAILED;
        if (n == 0) return RECEIVED_ALL;
        message->append(chunk, (size_t)n);
    }
}

int WaitChild(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

} // namespace

bool RunGuarded(const char* path, const GuardLimits& limits,
                const std::function<bool(std::string*, std::string*)>& work, std::string* payload,
                std::string* reason) {
    std::string name = path;
    int ends[2];
    if (pipe(ends) != 0) {
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
        RunChild(ends[1], limits, work);
    }
    close(ends[1]);
    std::string message;
    Received received = ReadMessage(ends[0], limits.seconds, &message);
    if (received != RECEIVED_ALL) kill(child, SIGKILL);
    close(ends[0]);
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
    uint64_t size = 0;
    for (int k = 0; k < 8 && message.size() >= 9; k++)
        size |= (uint64_t)(unsigned char)message[1 + k] << (8 * k);
    if (received != RECEIVED_ALL || WEXITSTATUS(status) != 0 || message.size() < 9 ||
        message.size() - 9 != size) {
        *reason = FormatText("%s: the reader stopped without a result (exit status %d)", path,
                             WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        return false;
    }
    if (message[0] == 'm') {
        *reason = FormatText("%s: the reader ran out of memory on this file (limit %u MB)", path,
                             limits.memoryMB);
        return false;
    }
    if (message[0] != '+') {
        *reason = message.substr(9);
        return false;
    }
    // The payload without a copy of its megabytes.
    message.erase(0, 9);
    payload->swap(message);
    return true;
}
