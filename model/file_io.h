// Every file the project writes and every model or logo file it reads goes
// through here. Writes replace their target atomically (a temporary file
// beside it, fsync, rename, directory fsync) and never replace anything but a
// regular file; reads never block on a FIFO without a writer and never take
// more than a limit from a pipe or device. No state of its own; nothing here
// prints.
#pragma once
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// --- writing -----------------------------------------------------------------

// Where a failed write stopped: before a temporary file with the data could be
// made (the target is refused, or its directory cannot be written), or later
// (a short write, fsync, rename). The exporters print a different line for each.
enum WriteFailure {
    WRITE_FAILED_OPEN = 0,
    WRITE_FAILED_WRITE,
};

// Writes size bytes to path through a temporary file beside the target (the
// file a symlink leads to, so the link is kept), fsync, rename over it, fsync
// the directory. Refuses a target that exists and is not a regular file. On
// failure: false, *reason is one line naming the file and why ("cannot write
// \"PATH\": File too large"), no temporary file is left, the old file is
// intact; *failure (may be null) says where it stopped.
bool WriteFileAtomic(const char* path, const void* data, size_t size, std::string* reason,
                     WriteFailure* failure = nullptr);

// A file written completely to a temporary name beside its target and not yet
// renamed over it. Staging several files and committing them together writes
// all of them or none. A staged file holds no descriptor, so any number can
// wait; one that goes out of scope uncommitted is discarded.
struct StagedFile {
    std::string path;   // as the caller named it, for messages
    std::string target; // the file a rename replaces: path with its symlinks followed
    std::string dir;    // target's directory
    std::string name;   // target's last component
    std::string temp;   // the temporary file's name in dir; empty when none

    StagedFile() = default;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    ~StagedFile();
};

// Writes data to a temporary file for path (the checks and the reason of
// WriteFileAtomic). On failure nothing is left and staged holds nothing.
bool StageFile(const char* path, const void* data, size_t size, StagedFile* staged,
               std::string* reason, WriteFailure* failure = nullptr);

// Renames count staged files over their targets, in order, then syncs their
// directories. When one cannot be renamed, the ones before it are put back as
// they were (from a hard link of each old file taken just before its rename;
// a file that did not exist is removed again) and false is returned with the
// reason; a file that cannot be put back is named in the reason. Staged files
// are spent either way.
bool CommitStagedFiles(StagedFile* const* files, size_t count, std::string* reason);

// Removes a staged file's temporary file.
void DiscardStagedFile(StagedFile* staged);

// --- output clashes ------------------------------------------------------------

// A file a command reads or writes, with the kind of data it holds.
struct FileRole {
    const char* path;
    const char* kind; // "SKM", "SKP", "glTF", ...: what the file holds
    bool output;
};

// Refuses (false, *reason naming both paths) when two outputs are the same
// file, or an output is the same file as an input of another kind. Writing an
// output over its own input of the same kind is allowed. Existing files are
// compared by device and inode, others by their normalised paths.
bool CheckOutputClashes(const FileRole* roles, size_t count, std::string* reason);

// --- reading -----------------------------------------------------------------

// Opens path read-only without blocking (a FIFO with no writer opens and then
// reads as empty) and fills info. A directory is not opened. False with
// *reason (the errno text, or "is a directory") when it cannot be opened.
bool OpenForReading(const char* path, int* fd, struct stat* info, std::string* reason);

enum ReadStatus {
    READ_OK = 0,
    READ_TOO_LARGE, // more than the limit arrived
    READ_FAILED,    // a read failed (errno is kept)
};

// Appends everything fd gives up to limit bytes (for pipes and devices, whose
// length is not known up front); stops at limit + 1 bytes with READ_TOO_LARGE.
ReadStatus ReadStreamLimited(int fd, size_t limit, std::vector<uint8_t>* out);

// --- paths ---------------------------------------------------------------------

// The folder of a file path with its final slash ("" when the path names no
// folder: the working directory).
std::string FolderOf(const char* path);
// Whether text ends with tail, byte for byte.
bool EndsWith(const std::string& text, const char* tail);
// Which file of a model pair path names by its extension, in any letter case:
// "skm", "skp", or "" when it ends in neither.
std::string PairExtension(const std::string& path);
// The other file of the pair: path with the other extension, in the same
// letter case as its own (tris.SKM -> tris.SKP, a.Skp -> a.Skm); "" when
// path ends in neither extension.
std::string PairPartnerPath(const std::string& path);
// Whether path is a regular file, or a link to one.
bool IsRegularFile(const std::string& path);
// The entry of folder dir ("" the working directory) named name when letter
// case is ignored, the first in byte order when several are (so the answer
// does not depend on the order the file system lists them in); "" when none.
std::string CaselessEntry(const std::string& dir, const std::string& name);
// name in folder dir ("" for the working directory), with one slash between.
std::string JoinPath(const std::string& dir, const char* name);
// dir/STEM_NNNN.png: number with at least four digits.
std::string NumberedPath(const char* dir, const char* stem, int number);
// The first NumberedPath from 1 up that names nothing yet (not even a broken
// symlink), so a new file never replaces an old one; "" when every number up
// to limit is taken.
std::string NextUnusedNumberedPath(const char* dir, const char* stem, int limit);
// Creates the folder dir when missing; *created says whether this call made
// it. False with *reason when dir is something else or cannot be made.
bool EnsureDirectory(const char* dir, bool* created, std::string* reason);

// "a FIFO", "a character device", ...: what kind of file a mode is.
const char* FileKindName(mode_t mode);
