// Atomic file writing, output clash checks and non-blocking, bounded reading.
// A write stages the data in a temporary file beside its target and renames it
// over the target only once it is complete and on disk, so a reader never sees
// a half-written file and a failed write leaves the old one. No state.
#include "model/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <strings.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <tuple>
#include <utility>

namespace {

std::string CannotWrite(const std::string& path, const std::string& why) {
    return "cannot write \"" + path + "\": " + why;
}

// Splits a path at its last slash; "x" is in ".", "/x" in "/".
void SplitPath(const std::string& path, std::string* dir, std::string* name) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        *dir = ".";
        *name = path;
        return;
    }
    *dir = slash == 0 ? "/" : path.substr(0, slash);
    *name = path.substr(slash + 1);
}

constexpr int MAX_LINK_HOPS = 40; // the kernel's own limit

// Follows path's symlinks to the file they lead to, which need not exist yet
// (a dangling link is written through, as open(O_CREAT) would). *exists and
// *info describe that file. False with *error on a link loop or a path that
// cannot be examined.
bool FollowLinks(const std::string& path, std::string* target, bool* exists, struct stat* info,
                 int* error) {
    std::string p = path;
    for (int hop = 0; hop <= MAX_LINK_HOPS; hop++) {
        if (lstat(p.c_str(), info) != 0) {
            *target = p;
            *exists = false;
            if (errno == ENOENT) return true;
            *error = errno;
            return false;
        }
        if (!S_ISLNK(info->st_mode)) {
            *target = p;
            *exists = true;
            return true;
        }
        char link[PATH_MAX];
        ssize_t n = readlink(p.c_str(), link, sizeof link);
        if (n <= 0 || (size_t)n >= sizeof link) {
            *error = n < 0 ? errno : ENAMETOOLONG;
            return false;
        }
        std::string to(link, (size_t)n);
        if (to[0] == '/') {
            p = to;
        } else {
            std::string dir, name;
            SplitPath(p, &dir, &name);
            p = dir + "/" + to;
        }
    }
    *error = ELOOP;
    return false;
}

// A short name for a temporary file: 15 bytes whatever the target's name, so
// it fits the file system's name limit even beside a 255-byte name. attempt
// makes each retry's name differ even within one clock reading.
std::string TempName(unsigned attempt) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    uint64_t bits = (uint64_t)now.tv_nsec * 2654435761u ^ (uint64_t)now.tv_sec << 20 ^
                    (uint64_t)getpid() << 32 ^ (uint64_t)(attempt + 1) * 0x9E3779B97F4A7C15ull;
    char name[32];
    snprintf(name, sizeof name, ".bl%08x.tmp", (unsigned)(bits ^ bits >> 32));
    return name;
}

// Creates a new temporary file in dirfd; -1 with errno on failure.
int CreateTempFile(int dirfd, std::string* name) {
    for (int attempt = 0; attempt < 100; attempt++) {
        *name = TempName((unsigned)attempt);
        int fd = openat(dirfd, name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// Gives an anonymous (O_TMPFILE) file a temporary name in dirfd; 0 or errno.
int NameAnonymousFile(int fd, int dirfd, std::string* name) {
    char self[64];
    snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    for (int attempt = 0; attempt < 100; attempt++) {
        *name = TempName((unsigned)attempt);
        if (linkat(AT_FDCWD, self, dirfd, name->c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
        if (errno == EEXIST) continue;
        // Without /proc, the descriptor itself (needs a newer kernel or privilege).
        if (errno == ENOENT && linkat(fd, "", dirfd, name->c_str(), AT_EMPTY_PATH) == 0) return 0;
        int error = errno;
        name->clear();
        return error;
    }
    name->clear();
    return EEXIST;
}

int WriteAll(int fd, const void* data, size_t size) {
    const unsigned char* bytes = (const unsigned char*)data;
    size_t done = 0;
    while (done < size) {
        ssize_t wrote = write(fd, bytes + done, size - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote < 0) return errno;
        if (wrote == 0) return EIO;
        done += (size_t)wrote;
    }
    return 0;
}

// The mode a new file gets from open(O_CREAT, 0666) under the current umask.
mode_t NewFileMode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

std::string NotRegular(const std::string& path, const std::string& target, mode_t mode) {
    if (target == path)
        return CannotWrite(path, std::string("it is ") + FileKindName(mode) +
                                     ", not a regular file; left untouched");
    return CannotWrite(path, "it leads to \"" + target + "\", " + FileKindName(mode) +
                                 ", not a regular file; left untouched");
}

} // namespace

const char* FileKindName(mode_t mode) {
    if (S_ISREG(mode)) return "a regular file";
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISLNK(mode)) return "a symbolic link";
    return "a special file";
}

// --- writing -------------------------------------------------------------------

StagedFile::~StagedFile() { DiscardStagedFile(this); }

namespace {

// A name in a staged file's directory.
std::string InDir(const StagedFile* f, const std::string& name) { return f->dir + "/" + name; }

} // namespace

void DiscardStagedFile(StagedFile* staged) {
    if (!staged->temp.empty()) unlink(InDir(staged, staged->temp).c_str());
    staged->temp.clear();
}

bool StageFile(const char* path, const void* data, size_t size, StagedFile* staged,
               std::string* reason, WriteFailure* failure) {
    DiscardStagedFile(staged);
    if (failure) *failure = WRITE_FAILED_OPEN;
    std::string shown = path ? path : "";
    staged->path = shown;
    if (shown.empty()) {
        *reason = CannotWrite(shown, strerror(ENOENT));
        return false;
    }
    std::string target;
    bool exists = false;
    struct stat old;
    int error = 0;
    if (!FollowLinks(shown, &target, &exists, &old, &error)) {
        *reason = CannotWrite(shown, strerror(error));
        return false;
    }
    // Renaming over a device or FIFO would replace it with a plain file.
    if (exists && !S_ISREG(old.st_mode)) {
        *reason = NotRegular(shown, target, old.st_mode);
        return false;
    }
    std::string dir, name;
    SplitPath(target, &dir, &name);
    if (name.empty() || name == "." || name == "..") {
        *reason = CannotWrite(shown, "it names a directory");
        return false;
    }
    int dirfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirfd < 0) {
        *reason = CannotWrite(shown, strerror(errno));
        return false;
    }
    // An anonymous file leaves nothing behind if the process dies while
    // writing; where the file system lacks it, a short visible name.
    std::string temp;
    int fd = openat(dirfd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    bool anonymous = fd >= 0;
    if (!anonymous) fd = CreateTempFile(dirfd, &temp);
    if (fd < 0) {
        *reason = CannotWrite(shown, strerror(errno));
        close(dirfd);
        return false;
    }
    if (failure) *failure = WRITE_FAILED_WRITE;
    // The new file takes the old one's owner and mode, or a new file's mode.
    // Both are best effort: a file we may not give away stays ours.
    int ignored = 0;
    if (exists && (old.st_uid != geteuid() || old.st_gid != getegid()))
        ignored = fchown(fd, old.st_uid, old.st_gid);
    ignored = fchmod(fd, exists ? old.st_mode & 07777 : NewFileMode());
    (void)ignored;
    error = WriteAll(fd, data, size);
    // Some file systems cannot sync (EINVAL); their data is as safe as it gets.
    if (!error && fsync(fd) != 0 && errno != EINVAL) error = errno;
    if (!error && anonymous) error = NameAnonymousFile(fd, dirfd, &temp);
    if (close(fd) != 0 && !error) error = errno;
    if (error && !temp.empty()) unlinkat(dirfd, temp.c_str(), 0);
    // Nothing stays open while staged, so a command may stage any number.
    close(dirfd);
    if (error) {
        *reason = CannotWrite(shown, strerror(error));
        return false;
    }
    staged->target = target;
    staged->dir = dir;
    staged->name = name;
    staged->temp = temp;
    return true;
}

namespace {

// A hard link to a staged file's current target under a temporary name, so
// the target can be put back after a later file of the set fails. Empty when
// the file system cannot link.
std::string LinkOldFile(const StagedFile* f) {
    for (int attempt = 0; attempt < 100; attempt++) {
        std::string name = TempName((unsigned)attempt);
        if (link(InDir(f, f->name).c_str(), InDir(f, name).c_str()) == 0) return name;
        if (errno != EEXIST) break;
    }
    return "";
}

struct Undo {
    bool existed = false;
    std::string backup; // hard link to the old file; empty when none
};

// A reason when a staged file has nothing staged or shares its target with
// an earlier one of the set; empty otherwise.
std::string CheckStagedSet(StagedFile* const* files, size_t count) {
    std::map<std::tuple<dev_t, ino_t, std::string>, size_t> targets;
    for (size_t i = 0; i < count; i++) {
        const StagedFile* f = files[i];
        if (f->temp.empty()) return CannotWrite(f->path, "it was not written first");
        struct stat dir;
        if (stat(f->dir.c_str(), &dir) != 0) return CannotWrite(f->path, strerror(errno));
        auto placed = targets.emplace(std::make_tuple(dir.st_dev, dir.st_ino, f->name), i);
        if (!placed.second)
            return CannotWrite(f->path, "\"" + files[placed.first->second]->path +
                                            "\" is the same file; one file cannot take both");
    }
    return "";
}

} // namespace

bool CommitStagedFiles(StagedFile* const* files, size_t count, std::string* reason) {
    std::string failed = CheckStagedSet(files, count);
    std::vector<Undo> undo(count);
    size_t done = 0;
    for (; failed.empty() && done < count; done++) {
        StagedFile* f = files[done];
        std::string target = InDir(f, f->name);
        // The target was checked when staged; look again right before
        // replacing it, in case it became a device or FIFO meanwhile.
        struct stat now;
        if (lstat(target.c_str(), &now) == 0) {
            if (!S_ISREG(now.st_mode)) {
                failed = NotRegular(f->path, f->target, now.st_mode);
                break;
            }
            undo[done].existed = true;
            // Nothing after the last file can fail, so it needs no backup.
            if (done + 1 < count) undo[done].backup = LinkOldFile(f);
        } else if (errno != ENOENT) {
            failed = CannotWrite(f->path, strerror(errno));
            break;
        }
        if (rename(InDir(f, f->temp).c_str(), target.c_str()) != 0) {
            failed = CannotWrite(f->path, strerror(errno));
            break;
        }
        f->temp.clear();
    }
    // Put back, newest first, what was already replaced.
    std::string lost;
    if (!failed.empty()) {
        for (size_t i = done; i-- > 0;) {
            StagedFile* f = files[i];
            std::string target = InDir(f, f->name);
            bool back = false;
            if (!undo[i].backup.empty()) {
                back = rename(InDir(f, undo[i].backup).c_str(), target.c_str()) == 0;
                if (back) undo[i].backup.clear();
            } else if (!undo[i].existed) {
                back = unlink(target.c_str()) == 0;
            }
            if (!back)
                lost += "; \"" + f->path + "\" was already replaced and could not be put back";
        }
    }
    std::string unsynced;
    std::string synced; // the directory synced last: a set shares one, mostly
    for (size_t i = 0; i < count; i++) {
        StagedFile* f = files[i];
        if (!undo[i].backup.empty()) unlink(InDir(f, undo[i].backup).c_str());
        DiscardStagedFile(f);
        if (!failed.empty() && i >= done) continue; // never touched
        if (f->dir == synced) continue;
        // The renames are durable only once the directory is on disk.
        synced = f->dir;
        int dirfd = open(f->dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if ((dirfd < 0 || fsync(dirfd) != 0) && errno != EINVAL && unsynced.empty())
            unsynced = CannotWrite(f->path, std::string("its directory could not be synced (") +
                                                strerror(errno) +
                                                "); the new file may not survive a crash");
        if (dirfd >= 0) close(dirfd);
    }
    if (!failed.empty()) {
        *reason = failed + lost;
        return false;
    }
    if (!unsynced.empty()) {
        *reason = unsynced;
        return false;
    }
    return true;
}

bool WriteFileAtomic(const char* path, const void* data, size_t size, std::string* reason,
                     WriteFailure* failure) {
    StagedFile staged;
    if (!StageFile(path, data, size, &staged, reason, failure)) return false;
    StagedFile* one[] = {&staged};
    return CommitStagedFiles(one, 1, reason);
}

// --- output clashes ----------------------------------------------------------------

namespace {

// An absolute path with "." and ".." taken out by text alone, for a directory
// that does not exist (so realpath cannot help).
std::string LexicalAbsolute(const std::string& path) {
    std::string full = path;
    if (full.empty() || full[0] != '/') {
        char cwd[PATH_MAX];
        full = std::string(getcwd(cwd, sizeof cwd) ? cwd : ".") + "/" + full;
    }
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= full.size()) {
        size_t end = full.find('/', start);
        if (end == std::string::npos) end = full.size();
        std::string part = full.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string& part : parts) out += "/" + part;
    return out.empty() ? "/" : out;
}

struct FileIdentity {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    std::string where; // normalised path of the file the name leads to
};

FileIdentity IdentifyFile(const char* path) {
    FileIdentity id;
    struct stat info;
    if (stat(path, &info) == 0) {
        id.exists = true;
        id.dev = info.st_dev;
        id.ino = info.st_ino;
    }
    std::string target;
    bool exists;
    int error;
    if (!FollowLinks(path, &target, &exists, &info, &error)) target = path;
    std::string dir, name;
    SplitPath(target, &dir, &name);
    char* real = realpath(dir.c_str(), nullptr);
    std::string base = real ? std::string(real) : LexicalAbsolute(dir);
    free(real);
    id.where = (base == "/" ? "" : base) + "/" + name;
    return id;
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
    if (a.exists && b.exists) return a.dev == b.dev && a.ino == b.ino;
    return !a.exists && !b.exists && a.where == b.where;
}

std::string Role(const FileRole& role) {
    return std::string("the ") + role.kind + (role.output ? " output \"" : " input \"") +
           role.path + "\"";
}

} // namespace

bool CheckOutputClashes(const FileRole* roles, size_t count, std::string* reason) {
    std::vector<FileIdentity> ids;
    for (size_t i = 0; i < count; i++) ids.push_back(IdentifyFile(roles[i].path));
    for (size_t i = 0; i < count; i++) {
        for (size_t j = i + 1; j < count; j++) {
            const FileRole& a = roles[i];
            const FileRole& b = roles[j];
            if (!a.output && !b.output) continue;
            // An output over its own input (the same kind) is an edit in place.
            if (a.output != b.output && strcmp(a.kind, b.kind) == 0) continue;
            if (!SameFile(ids[i], ids[j])) continue;
            const FileRole& out = a.output ? a : b;
            const FileRole& other = a.output ? b : a;
            *reason = Role(out) + (other.output ? " and " : " is ") + Role(other) +
                      (other.output ? " are the same file" : "");
            return false;
        }
    }
    return true;
}

// --- reading -----------------------------------------------------------------------

bool OpenForReading(const char* path, int* fd, struct stat* info, std::string* reason) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    int f = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (f < 0) {
        *reason = strerror(errno);
        return false;
    }
    int error = fstat(f, info) != 0 ? errno : S_ISDIR(info->st_mode) ? EISDIR : 0;
    if (error) {
        *reason = strerror(error);
        close(f);
        return false;
    }
    // Blocking reads from here on: a FIFO without a writer then reads as
    // empty, while one with a writer delivers what it is sent.
    int flags = fcntl(f, F_GETFL);
    if (flags >= 0) fcntl(f, F_SETFL, flags & ~O_NONBLOCK);
    *fd = f;
    return true;
}

ReadStatus ReadStreamLimited(int fd, size_t limit, std::vector<uint8_t>* out) {
    size_t start = out->size();
    for (;;) {
        size_t got = out->size() - start;
        if (got > limit) return READ_TOO_LARGE;
        size_t want = std::min<size_t>(65536, limit + 1 - got);
        out->resize(out->size() + want);
        ssize_t n = read(fd, out->data() + out->size() - want, want);
        int error = errno;
        out->resize(out->size() - want + (n > 0 ? (size_t)n : 0));
        if (n < 0 && error == EINTR) continue;
        if (n < 0) {
            errno = error;
            return READ_FAILED;
        }
        if (n == 0) return READ_OK;
    }
}

// --- paths -------------------------------------------------------------------------

std::string FolderOf(const char* path) {
    const char* slash = strrchr(path, '/');
    return slash ? std::string(path, (size_t)(slash - path + 1)) : std::string();
}

bool EndsWith(const std::string& text, const char* tail) {
    size_t n = strlen(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

std::string PairExtension(const std::string& path) {
    size_t n = path.size();
    if (n < 5 || path[n - 4] != '.' || path[n - 5] == '/') return "";
    std::string ext = path.substr(n - 3);
    for (char& c : ext) c = (char)tolower((unsigned char)c);
    return ext == "skm" || ext == "skp" ? ext : "";
}

std::string PairPartnerPath(const std::string& path) {
    std::string ext = PairExtension(path);
    if (ext.empty()) return "";
    std::string partner = path;
    char& last = partner.back();
    bool upper = isupper((unsigned char)last) != 0;
    char swapped = ext == "skm" ? 'p' : 'm';
    last = upper ? (char)toupper(swapped) : swapped;
    return partner;
}

bool IsRegularFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string CaselessEntry(const std::string& dir, const std::string& name) {
    DIR* folder = opendir(dir.empty() ? "." : dir.c_str());
    if (!folder) return "";
    std::string found;
    while (struct dirent* entry = readdir(folder)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0 &&
            (found.empty() || strcmp(entry->d_name, found.c_str()) < 0))
            found = entry->d_name;
    }
    closedir(folder);
    return found;
}

std::string JoinPath(const std::string& dir, const char* name) {
    return dir.empty() || dir.back() == '/' ? dir + name : dir + "/" + name;
}

std::string NumberedPath(const char* dir, const char* stem, int number) {
    char name[96];
    snprintf(name, sizeof name, "%.60s_%04d.png", stem, number);
    return JoinPath(dir, name);
}

std::string NextUnusedNumberedPath(const char* dir, const char* stem, int limit) {
    struct stat info;
    for (int number = 1; number <= limit; number++) {
        std::string path = NumberedPath(dir, stem, number);
        if (lstat(path.c_str(), &info) != 0 && errno == ENOENT) return path;
    }
    return "";
}

bool EnsureDirectory(const char* dir, bool* created, std::string* reason) {
    struct stat info;
    *created = false;
    if (stat(dir, &info) == 0) {
        if (S_ISDIR(info.st_mode)) return true;
        *reason = std::string("\"") + dir + "\" is not a directory";
        return false;
    }
    if (mkdir(dir, 0777) != 0) {
        *reason = std::string("cannot create directory \"") + dir + "\": " + strerror(errno);
        return false;
    }
    *created = true;
    return true;
}
