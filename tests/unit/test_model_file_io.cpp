// The atomic writer, committing several files whole, output clash checks and
// bounded, non-blocking reading.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/file_io.h"
#include "tests/unit/test_model_helpers.h"

namespace {

Image Bytes(const std::string& text) { return Image(text.begin(), text.end()); }

bool Write(const std::string& path, const std::string& text, std::string* reason,
           WriteFailure* failure = nullptr) {
    return WriteFileAtomic(path.c_str(), text.data(), text.size(), reason, failure);
}

mode_t ModeOf(const std::string& path, bool follow = true) {
    struct stat st;
    int rc = follow ? stat(path.c_str(), &st) : lstat(path.c_str(), &st);
    return rc == 0 ? st.st_mode : 0;
}

} // namespace

TEST(FileIO, WritesReplaceRegularFilesThroughLinksAndRefuseSpecialFiles) {
    TempDir dir;
    std::string reason;
    mode_t mask = umask(022);
    ASSERT_TRUE(Write(dir.File("a"), "first", &reason)) << reason;
    EXPECT_EQ(ModeOf(dir.File("a")) & 07777, 0644u);
    chmod(dir.File("a").c_str(), 0600);
    ASSERT_TRUE(Write(dir.File("a"), "second", &reason)) << reason;
    EXPECT_EQ(ReadWhole(dir.File("a")), Bytes("second"));
    EXPECT_EQ(ModeOf(dir.File("a")) & 07777, 0600u) << "the replaced file's mode is kept";
    umask(mask);

    // Through a link: the file behind it changes, the link stays a link; a
    // dangling link creates the file it names.
    symlink("a", dir.File("link").c_str());
    symlink("made", dir.File("dangling").c_str());
    ASSERT_TRUE(Write(dir.File("link"), "third", &reason)) << reason;
    ASSERT_TRUE(Write(dir.File("dangling"), "new", &reason)) << reason;
    EXPECT_EQ(ReadWhole(dir.File("a")), Bytes("third"));
    EXPECT_EQ(ReadWhole(dir.File("made")), Bytes("new"));
    EXPECT_TRUE(S_ISLNK(ModeOf(dir.File("link"), false)));
    EXPECT_TRUE(S_ISLNK(ModeOf(dir.File("dangling"), false)));

    // A FIFO, directly or behind a link, is refused by name and left alone.
    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0644), 0);
    symlink("fifo", dir.File("tofifo").c_str());
    WriteFailure failure = WRITE_FAILED_WRITE;
    EXPECT_FALSE(Write(dir.File("fifo"), "x", &reason, &failure));
    EXPECT_EQ(failure, WRITE_FAILED_OPEN);
    EXPECT_NE(reason.find("\"" + dir.File("fifo") + "\": it is a FIFO"), std::string::npos)
        << reason;
    EXPECT_FALSE(Write(dir.File("tofifo"), "x", &reason));
    EXPECT_NE(reason.find("leads to"), std::string::npos) << reason;
    EXPECT_TRUE(S_ISFIFO(ModeOf(dir.File("fifo"), false)));
    EXPECT_FALSE(Write(dir.File("nodir/x"), "x", &reason, &failure));
    EXPECT_EQ(failure, WRITE_FAILED_OPEN);

    // The longest legal name still leaves room for the temporary file.
    std::string longName(255, 'n');
    ASSERT_TRUE(Write(dir.File(longName.c_str()), "long", &reason)) << reason;
    EXPECT_EQ(Listing(dir.path), (std::vector<std::string>{"a", "dangling", "fifo", "link", "made",
                                                           longName, "tofifo"}))
        << "no temporary file is left behind";
}

TEST(FileIO, StagedFilesAreCommittedTogetherOrPutBack) {
    TempDir dir;
    std::string reason;
    WriteWhole(dir.File("a"), Bytes("old a"));
    StagedFile a, c, b;
    ASSERT_TRUE(StageFile(dir.File("a").c_str(), "new a", 5, &a, &reason)) << reason;
    ASSERT_TRUE(StageFile(dir.File("c").c_str(), "new c", 5, &c, &reason)) << reason;
    ASSERT_TRUE(StageFile(dir.File("b").c_str(), "new b", 5, &b, &reason)) << reason;
    // The last target turns into a directory after staging: a and c were
    // already replaced when b fails, and must come back as they were.
    ASSERT_EQ(mkdir(dir.File("b").c_str(), 0755), 0);
    StagedFile* all[] = {&a, &c, &b};
    EXPECT_FALSE(CommitStagedFiles(all, 3, &reason));
    EXPECT_NE(reason.find("\"" + dir.File("b") + "\""), std::string::npos) << reason;
    EXPECT_EQ(reason.find("could not be put back"), std::string::npos) << reason;
    EXPECT_EQ(ReadWhole(dir.File("a")), Bytes("old a"));
    EXPECT_EQ(Listing(dir.path), (std::vector<std::string>{"a", "b"}));

    // A pair, as the import writes one: both staged, then committed together.
    auto writePair = [&](const std::string& first, const char* one, const std::string& second,
                         const char* other) {
        StagedFile x, y;
        StagedFile* both[] = {&x, &y};
        return StageFile(first.c_str(), one, strlen(one), &x, &reason) &&
               StageFile(second.c_str(), other, strlen(other), &y, &reason) &&
               CommitStagedFiles(both, 2, &reason);
    };
    rmdir(dir.File("b").c_str());
    EXPECT_TRUE(writePair(dir.File("a"), "A", dir.File("b"), "B")) << reason;
    EXPECT_EQ(ReadWhole(dir.File("a")), Bytes("A"));
    EXPECT_FALSE(writePair(dir.File("a"), "AA", dir.File("no/b"), "BB"));
    EXPECT_FALSE(writePair(dir.File("a"), "AA", dir.File("./a"), "BB"))
        << "one file cannot take both";
    EXPECT_EQ(ReadWhole(dir.File("a")), Bytes("A"));
    EXPECT_EQ(Listing(dir.path), (std::vector<std::string>{"a", "b"}));

    // The second rename of a pair fails (its temporary file vanished after
    // staging): the first file, already replaced, comes back from its backup.
    {
        StagedFile x, y;
        ASSERT_TRUE(StageFile(dir.File("a").c_str(), "AAA", 3, &x, &reason)) << reason;
        ASSERT_TRUE(StageFile(dir.File("b").c_str(), "BBB", 3, &y, &reason)) << reason;
        ASSERT_EQ(unlink((y.dir + "/" + y.temp).c_str()), 0);
        StagedFile* both[] = {&x, &y};
        EXPECT_FALSE(CommitStagedFiles(both, 2, &reason));
        EXPECT_EQ(reason.find("could not be put back"), std::string::npos) << reason;
    }
    EXPECT_EQ(ReadWhole(dir.File("a")), Bytes("A"));
    EXPECT_EQ(ReadWhole(dir.File("b")), Bytes("B"));
    EXPECT_EQ(Listing(dir.path), (std::vector<std::string>{"a", "b"}));
}

TEST(FileIO, OutputsMayNotClashWithEachOtherOrWithAnInputOfAnotherKind) {
    TempDir dir;
    std::string skm = dir.File("a.skm"), skp = dir.File("a.skp");
    WriteWhole(skm, Bytes("mesh"));
    WriteWhole(skp, Bytes("pose"));
    link(skm.c_str(), dir.File("hard").c_str());
    symlink("a.skp", dir.File("soft").c_str());
    std::string reason;
    auto clash = [&](const char* outSkm, const char* outSkp) {
        FileRole roles[] = {{skm.c_str(), "SKM", false},
                            {skp.c_str(), "SKP", false},
                            {outSkm, "SKM", true},
                            {outSkp, "SKP", true}};
        return !CheckOutputClashes(roles, 4, &reason);
    };
    std::string dotted = dir.path + "/./a.skm", fresh = dir.File("new/x"),
                freshAgain = dir.path + "/new/../new/x";
    EXPECT_FALSE(clash(skm.c_str(), skp.c_str())) << "each output over its own input";
    EXPECT_FALSE(clash(dir.File("o.skm").c_str(), dir.File("o.skp").c_str()));
    EXPECT_TRUE(clash(skp.c_str(), dir.File("o.skp").c_str()));
    EXPECT_NE(reason.find("the SKM output \"" + skp + "\" is the SKP input"), std::string::npos)
        << reason;
    EXPECT_TRUE(clash(dir.File("o.skm").c_str(), dotted.c_str()));
    EXPECT_TRUE(clash(dir.File("o.skm").c_str(), dir.File("hard").c_str())) << "same inode";
    EXPECT_TRUE(clash(dir.File("soft").c_str(), dir.File("o.skp").c_str())) << "through a link";
    EXPECT_TRUE(clash(fresh.c_str(), freshAgain.c_str())) << "not yet existing, same path";
    EXPECT_NE(reason.find("are the same file"), std::string::npos) << reason;
    EXPECT_FALSE(clash(fresh.c_str(), dir.File("new/y").c_str()));
}

TEST(FileIO, ReadsDoNotBlockOnFifosAndStopAtTheLimit) {
    TempDir dir;
    std::string reason;
    // A FIFO without a writer opens at once and reads as empty; an endless
    // device stops just past the limit; a directory is not opened.
    auto readAll = [&](const char* path, size_t limit, std::vector<uint8_t>* out) {
        int fd;
        struct stat info;
        if (!OpenForReading(path, &fd, &info, &reason)) return READ_FAILED;
        ReadStatus status = ReadStreamLimited(fd, limit, out);
        close(fd);
        return status;
    };
    std::vector<uint8_t> out;
    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0644), 0);
    EXPECT_EQ(readAll(dir.File("fifo").c_str(), 100, &out), READ_OK);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(readAll("/dev/zero", 1000, &out), READ_TOO_LARGE);
    EXPECT_EQ(out.size(), 1001u);
    EXPECT_EQ(readAll(dir.path.c_str(), 1000, &out), READ_FAILED) << "a directory";
    EXPECT_NE(reason.find("directory"), std::string::npos) << reason;

    // A pipe of exactly the limit is read whole; one byte more is too much.
    for (size_t extra : {0, 1}) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        Image sent(1000 + extra, 3);
        ASSERT_EQ(write(fds[1], sent.data(), sent.size()), (ssize_t)sent.size());
        close(fds[1]);
        std::vector<uint8_t> got;
        EXPECT_EQ(ReadStreamLimited(fds[0], 1000, &got), extra ? READ_TOO_LARGE : READ_OK);
        if (!extra) {
            EXPECT_EQ(got, sent);
        }
        close(fds[0]);
    }
}

TEST(FileIO, PairPartnerSwapsTheExtensionInItsOwnLetterCase) {
    struct Case {
        const char* path;
        const char* extension;
        const char* partner;
    };
    const Case cases[] = {
        {"data/tris.skm", "skm", "data/tris.skp"},
        {"a/B.SKP", "skp", "a/B.SKM"},
        {"x.Skm", "skm", "x.Skp"},
        {"x.sKP", "skp", "x.sKM"},
        {"models.skm/tris", "", ""},
        {"tris.sk", "", ""},
        {"dir/.skm", "", ""},
        {"tris.skmx", "", ""},
        {"tris", "", ""},
        {"tris_skm", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PairExtension(c.path), c.extension) << c.path;
        EXPECT_EQ(PairPartnerPath(c.path), c.partner) << c.path;
    }
}
