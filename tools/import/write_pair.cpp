// Writing an imported model: both file images are built by the exporters'
// builders and written to temporary files first; only when both are complete
// are they renamed over their targets, and a failure of the second rename
// puts the first target back. So an import replaces both files or neither.
#include <fcntl.h>
#include <libgen.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "model/export.h"
#include "model/format.h"
#include "tools/import/import.h"

namespace {

std::string CannotWrite(const std::string& path, int error) {
    return "cannot write \"" + path + "\": " + strerror(error);
}

// The file a write to path replaces: a symbolic link's target, so the link
// stays a link.
std::string ResolveTarget(const char* path) {
    struct stat info;
    if (lstat(path, &info) == 0 && S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(path, resolved)) return resolved;
    }
    return path;
}

// A new file beside target, named after it, that nobody else holds.
int CreateBeside(const std::string& target, std::string* temp) {
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; attempt++) {
        *temp = target + ".tmp" + std::to_string((long)getpid()) + "-" + std::to_string(attempt);
        fd = open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    return fd;
}

// Writes data to a temporary file beside target, flushed to disk, with the
// mode of the file it will replace. On failure nothing is left behind.
bool Stage(const std::string& target, const std::vector<unsigned char>& data, std::string* temp,
           std::string* reason) {
    int fd = CreateBeside(target, temp);
    if (fd < 0) {
        *reason = CannotWrite(target, errno);
        return false;
    }
    struct stat old;
    if (stat(target.c_str(), &old) == 0) fchmod(fd, old.st_mode & 07777);
    size_t done = 0;
    int error = 0;
    while (done < data.size()) {
        ssize_t wrote = write(fd, data.data() + done, data.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            error = wrote < 0 ? errno : EIO;
            break;
        }
        done += (size_t)wrote;
    }
    if (!error && fsync(fd) != 0 && errno != EINVAL) error = errno;
    if (close(fd) != 0 && !error) error = errno;
    if (error) {
        unlink(temp->c_str());
        *reason = CannotWrite(target, error);
        return false;
    }
    return true;
}

void SyncDirectoryOf(const std::string& path) {
    std::string copy = path;
    int fd = open(dirname(&copy[0]), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

bool BuildImage(const SkelModel* model, bool skm, const char* path,
                std::vector<unsigned char>* image, std::string* reason) {
    std::string why;
    int64_t size = skm ? BuildSKMImage(model, &why) : BuildSKPImage(model, &why);
    if (size < 0) {
        // The exporters' own words for a refused model.
        *reason = FormatText("unable to export %s file \"%s\": %s; nothing written",
                             skm ? "SKM" : "SKP", path, why.c_str());
        return false;
    }
    image->assign(OutputBuffer, OutputBuffer + size);
    return true;
}

} // namespace

bool WriteModelPair(const SkelModel* model, const char* skmPath, const char* skpPath,
                    std::string* reason) {
    std::vector<unsigned char> skm, skp;
    if (!BuildImage(model, true, skmPath, &skm, reason) ||
        !BuildImage(model, false, skpPath, &skp, reason))
        return false;
    const std::string targets[2] = {ResolveTarget(skmPath), ResolveTarget(skpPath)};
    struct stat info[2];
    bool exists[2];
    for (int k = 0; k < 2; k++) {
        exists[k] = stat(targets[k].c_str(), &info[k]) == 0;
        if (exists[k] && !S_ISREG(info[k].st_mode)) {
            *reason = "cannot write \"" + targets[k] + "\": it exists and is not a regular file";
            return false;
        }
    }
    if (targets[0] == targets[1] || (exists[0] && exists[1] && info[0].st_dev == info[1].st_dev &&
                                     info[0].st_ino == info[1].st_ino)) {
        *reason = "\"" + std::string(skmPath) + "\" and \"" + skpPath + "\" are the same file";
        return false;
    }

    std::string temps[2];
    if (!Stage(targets[0], skm, &temps[0], reason)) return false;
    if (!Stage(targets[1], skp, &temps[1], reason)) {
        unlink(temps[0].c_str());
        return false;
    }
    // A second name for the first target's old file keeps it until the
    // second rename has succeeded. Without one (a file system without hard
    // links) the pair is still replaced, only without that way back.
    bool existed = access(targets[0].c_str(), F_OK) == 0, kept = false;
    std::string backup;
    for (int attempt = 0; existed && attempt < 100 && !kept; attempt++) {
        backup =
            targets[0] + ".old" + std::to_string((long)getpid()) + "-" + std::to_string(attempt);
        kept = link(targets[0].c_str(), backup.c_str()) == 0;
        if (!kept && errno != EEXIST) break;
    }
    if (rename(temps[0].c_str(), targets[0].c_str()) != 0) {
        int error = errno;
        unlink(temps[0].c_str());
        unlink(temps[1].c_str());
        if (kept) unlink(backup.c_str());
        *reason = CannotWrite(targets[0], error);
        return false;
    }
    if (rename(temps[1].c_str(), targets[1].c_str()) != 0) {
        int error = errno;
        unlink(temps[1].c_str());
        if (kept)
            rename(backup.c_str(), targets[0].c_str());
        else if (!existed)
            unlink(targets[0].c_str());
        *reason = CannotWrite(targets[1], error) + "; \"" + targets[0] + "\" left as it was";
        return false;
    }
    if (kept) unlink(backup.c_str());
    SyncDirectoryOf(targets[0]);
    SyncDirectoryOf(targets[1]);
    return true;
}
