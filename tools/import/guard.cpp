// The reader's child process: fork (no exec, so the child has the parsed
// options and nothing to set up), limits set in the child, the result back
// through a pipe as one framed message, the parent waiting with a deadline.
#include "tools/import/guard.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
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

// The message: one status byte ('+' result, '=' result in the shared
// memory file, '-' reason, 'm' out of memory), eight length bytes, the text
// (none for '=' and 'm').
bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n, size -= (size_t)n;
    }
    return true;
}

// The child's result buffer: built in private memory (huge pages where the
// system gives them: a fresh 16 MB image costs thousands of page faults
// otherwise), then written at once into the shared memory file the parent
// maps; without that file, a string to go through the pipe.
struct ResultBuffer {
    int shared = -1;
    char* mapped = nullptr;
    size_t size = 0;
    std::string text;
};

char* ReserveResult(ResultBuffer* buffer, size_t size) {
    if (buffer->shared >= 0 && size > 0) {
        void* data =
            mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (data != MAP_FAILED) {
            madvise(data, size, MADV_HUGEPAGE);
            buffer->mapped = (char*)data, buffer->size = size;
            return buffer->mapped;
        }
    }
    buffer->text.assign(size, '\0');
    return &buffer->text[0];
}

[[noreturn]] void RunChild(const char* path, int fd, int shared, const GuardLimits& limits,
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
    buffer.shared = shared;
    std::string reason;
    char status = '-';
    try {
        auto reserve = [&](size_t size) { return ReserveResult(&buffer, size); };
        status = work(reserve, &reason) ? (buffer.mapped ? '=' : '+') : '-';
        if (status == '=' && !WriteAll(shared, buffer.mapped, buffer.size))
            status = '-', reason = std::string(path) +
                                   ": the reader's result could not be kept: " + strerror(errno);
    } catch (const std::bad_alloc&) {
        status = 'm', reason.clear();
    } catch (const std::exception& error) {
        status = '-', reason = std::string(path) + ": the reader failed: " + error.what();
    }
    const std::string& text = status == '+' ? buffer.text : reason;
    uint64_t size = status == '=' ? buffer.size : status == 'm' ? 0 : text.size();
    char header[9] = {status};
    for (int k = 0; k < 8; k++) header[1 + k] = (char)(size >> (8 * k));
    bool sent = WriteAll(fd, header, 9) &&
                (status == '=' || status == 'm' || WriteAll(fd, text.data(), text.size()));
    _exit(sent ? 0 : 3);
}

int64_t NowMs() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (int64_t)now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

// Reads the child's message until end of file or the deadline: the header
// first, then the text straight into a buffer of its announced size.
enum Received { RECEIVED_ALL, RECEIVED_LATE, RECEIVED_FAILED };

Received ReadMessage(int fd, unsigned seconds, std::string* message) {
    int64_t deadline = seconds ? NowMs() + (int64_t)seconds * 1000 : 0;
    size_t filled = 0;
    message->resize(9);
    for (;;) {
        if (filled == 9 && message->size() == 9) {
            uint64_t size = 0;
            for (int k = 0; k < 8; k++)
                size |= (uint64_t)(unsigned char)(*message)[1 + k] << (8 * k);
            if (size > ((uint64_t)1 << 40)) return RECEIVED_FAILED;
            // A result in the shared file sends no text; else one byte more
            // than announced, where end of file is seen.
            bool text = (*message)[0] != '=' && (*message)[0] != 'm';
            message->resize(9 + (text ? size : 0) + 1);
        }
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
        ssize_t n = read(fd, &(*message)[filled], message->size() - filled);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return RECEIVED_FAILED;
        if (n == 0) {
            message->resize(filled);
            return RECEIVED_ALL;
        }
        filled += (size_t)n;
        if (filled == message->size()) message->resize(filled + (1 << 16)); // more than announced
    }
}

// Hands the result of size bytes the child left in the shared file to
// receive, mapped rather than copied; the mapping lives as long as its holder.
bool ReceiveShared(int shared, uint64_t size,
                   const std::function<bool(std::shared_ptr<const char>, size_t)>& receive) {
    struct stat info;
    if (shared < 0 || fstat(shared, &info) != 0 || (uint64_t)info.st_size != size) return false;
    if (size == 0) return receive(std::shared_ptr<const char>("", [](const char*) {}), 0);
    void* data = mmap(nullptr, size, PROT_READ, MAP_SHARED | MAP_POPULATE, shared, 0);
    if (data == MAP_FAILED) return false;
    std::shared_ptr<const char> mapped((const char*)data,
                                       [size](const char* at) { munmap((void*)at, size); });
    return receive(std::move(mapped), size);
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
    if (pipe(ends) != 0) {
        *reason = name + ": cannot start the reader: " + strerror(errno);
        return false;
    }
    // Without a memory file (an old kernel) the result comes through the pipe.
    int shared = memfd_create("boneloom-import", MFD_CLOEXEC);
    pid_t child = fork();
    if (child < 0) {
        *reason = name + ": cannot start the reader: " + strerror(errno);
        close(ends[0]);
        close(ends[1]);
        if (shared >= 0) close(shared);
        return false;
    }
    if (child == 0) {
        close(ends[0]);
        RunChild(path, ends[1], shared, limits, work);
    }
    close(ends[1]);
    // A larger pipe means fewer turns between the processes for megabytes.
    fcntl(ends[0], F_SETPIPE_SZ, 1 << 20);
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
    bool whole = message.size() >= 9 && (message[0] == '=' || message.size() - 9 == size);
    if (received != RECEIVED_ALL || WEXITSTATUS(status) != 0 || !whole) {
        if (shared >= 0) close(shared);
        *reason = FormatText("%s: the reader stopped without a result (exit status %d)", path,
                             WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        return false;
    }
    bool handed = false;
    if (message[0] == '=') {
        handed = ReceiveShared(shared, size, receive);
    } else if (message[0] == '+') {
        auto text = std::make_shared<std::string>(message, 9);
        handed = receive(std::shared_ptr<const char>(text, text->data()), size);
    }
    if (shared >= 0) close(shared);
    if (message[0] == 'm') {
        *reason = FormatText("%s: the reader ran out of memory on this file (limit %u MB)", path,
                             limits.memoryMB);
        return false;
    }
    if (message[0] != '+' && message[0] != '=') {
        *reason = message.substr(9);
        return false;
    }
    if (!handed) *reason = std::string(path) + ": the reader's result arrived damaged";
    return handed;
}
