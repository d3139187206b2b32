// Exporters: byte layout of small images, the float and name rules, the
// console lines, the size refusal and the keep-the-old-file write.
#include <signal.h>
#include <sys/resource.h>

#include <cmath>
#include <limits>

#include "model/export.h"
#include "model/format.h"
#include "model/load.h"
#include "demo/sample.h"
#include "tests/unit/test_model_helpers.h"
#include "tests/unit/test_skeleton.h"
#include "session/export.h"

namespace {

SkelModel TwoBoneModel() {
    SkelModel model = MakePoseModel({"root", "Lhip"}, {}, 1);
    model.bones[0].flags = 0x80000001u;
    model.bones[1].flags = 2;
    CopyName(model.frames[0].name, "base");
    model.frames[0].poses = {BonePose{{0.5f, -0.25f, 1.5f, 2.0f}, {10, 20, 30}},
                             BonePose{{1, 2, 3, 4}, {-1, -2, -3}}};
    return model;
}

SkelModel OneMeshModel() {
    SkelModel model;
    model.numbones = 3;
    model.nummeshes = 1;
    model.meshes.resize(1);
    SkelMesh& mesh = model.meshes[0];
    CopyName(mesh.skinname, "skin");
    CopyName(mesh.meshname, "mesh");
    mesh.numverts = 1;
    mesh.weightpool = {BoneWeight{{1, 2, 3}, 0.75f, {4, 5, 6}, 2}};
    mesh.verts = {SkelVertex{1, nullptr}};
    LinkVertexWeights(&mesh);
    mesh.texcoords = {0.25f, 0.5f};
    mesh.numtris = 1;
    mesh.indices = {0, 0, 0};
    mesh.numreferences = 1;
    mesh.references = {2};
    return model;
}

std::string CaptureExport(bool (*write)(SkelModel*, const char*), SkelModel* model,
                          const std::string& path, bool* ok) {
    testing::internal::CaptureStdout();
    *ok = write(model, path.c_str());
    return testing::internal::GetCapturedStdout();
}

} // namespace

TEST(ModelExport, SmallImagesHaveTheDocumentedLayout) {
    // Each image is, byte for byte, what the helpers' own writer lays out in
    // the exporters' order; the header words and offsets are spelled out too.
    SkelModel empty, boneless, two = TwoBoneModel(), one = OneMeshModel();
    boneless.numbones = 7;
    const struct {
        const SkelModel* model;
        bool skm;
        std::vector<int32_t> words; // from byte 4 on
    } cases[] = {
        {&empty, false, {2, 28, 0, 0, 28, 28}},
        {&boneless, true, {2, 24, 7, 0, 24}},
        {&two, false, {2, 296, 2, 1, 28, 172}},
        {&one, true, {2, 240, 3, 1, 24}},
    };
    std::mt19937 rng(1);
    for (const auto& c : cases) {
        Image img = ExportImage(*c.model, c.skm);
        ASSERT_EQ(img.size(), (size_t)c.words[1]);
        EXPECT_EQ(0, memcmp(img.data(), "SKM1", 4));
        for (size_t k = 0; k < c.words.size(); k++)
            EXPECT_EQ(PeekInt(img.data(), 4 + 4 * k), c.words[k]) << "word " << k;
        EXPECT_EQ(img, c.skm ? LayOutSKM(*c.model, &rng, 0) : LayOutSKP(*c.model, &rng, 0));
        if (c.model == &one) {
            const int32_t header[] = {1, 1, 1, 180, 216, 224, 236};
            for (int k = 0; k < 7; k++)
                EXPECT_EQ(PeekInt(img.data(), 24 + 128 + 4 * k), header[k]) << "field " << k;
            EXPECT_EQ(PeekFloat(img.data(), 184 + 12), 0.75f);
            EXPECT_EQ(PeekInt(img.data(), 212), 2);
        }
    }

    // An image built after a larger one keeps nothing of it.
    SkelModel sample;
    BuildSampleModel(&sample);
    Image first = ExportImage(two, false);
    ExportImage(sample, false);
    EXPECT_EQ(ExportImage(two, false), first);
}

TEST(ModelExport, ZeroOfEitherSignAndNaNAreWrittenAsZeroOtherFloatsKeepTheirBits) {
    // Each image is the raw layout of the same model with those values +0.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float denormal = std::numeric_limits<float>::denorm_min();
    const float inf = std::numeric_limits<float>::infinity();
    SkelModel two = TwoBoneModel(), twoStored = TwoBoneModel();
    two.frames[0].poses[0] = BonePose{{-0.0f, nan, -nan, denormal}, {inf, -inf, -1e-30f}};
    twoStored.frames[0].poses[0] = BonePose{{0, 0, 0, denormal}, {inf, -inf, -1e-30f}};
    SkelModel one = OneMeshModel(), oneStored = OneMeshModel();
    one.meshes[0].weightpool[0].influence = nan;
    one.meshes[0].weightpool[0].normal[1] = -0.0f;
    one.meshes[0].texcoords[1] = -0.0f;
    oneStored.meshes[0].weightpool[0].influence = 0;
    oneStored.meshes[0].weightpool[0].normal[1] = 0;
    oneStored.meshes[0].texcoords[1] = 0;
    std::mt19937 rng(1);
    EXPECT_EQ(ExportImage(two, false), LayOutSKP(twoStored, &rng, 0));
    EXPECT_EQ(ExportImage(one, true), LayOutSKM(oneStored, &rng, 0));
}

TEST(ModelExport, NamesAreCutOrPaddedToTheirFieldAndNothingIsWrittenPastTheEnd) {
    unsigned char buffer[16];
    memset(buffer, 0xAA, sizeof buffer);
    ByteWriter out = MakeWriter(buffer, sizeof buffer);
    PutName(&out, "abcdef", 4);
    PutName(&out, "ab", 4);
    PutName(&out, "", 3);
    EXPECT_EQ(out.pos, 11u);
    const unsigned char expected[] = {'a', 'b', 'c', 'd', 'a', 'b', 0, 0, 0, 0, 0, 0xAA};
    EXPECT_EQ(0, memcmp(buffer, expected, sizeof expected));
    EXPECT_FALSE(out.overrun);
    PutName(&out, "xyz", 8);
    PutInt(&out, -1);
    EXPECT_TRUE(out.overrun);
    EXPECT_EQ(buffer[11], 0xAA);
    EXPECT_EQ(buffer[15], 0xAA);

    // A name field that lost its terminator is written as 64 bytes with no
    // NUL, and reads back as its first 63 characters.
    SkelModel model = TwoBoneModel();
    memset(model.bones[1].name, 'x', NAME_LEN);
    std::mt19937 rng(1);
    Image image = ExportImage(model, false);
    EXPECT_EQ(image, LayOutSKP(model, &rng, 0)) << "all 64 bytes, then the parent";
    SkelModel back;
    LoadReport report;
    ASSERT_EQ(ParseSKP(image.data(), image.size(), "cut.skp", &back, &report), LOAD_OK);
    EXPECT_EQ(std::string(back.bones[1].name), std::string(63, 'x'));
}

TEST(ModelExport, ConsoleLinesAndKilobyteRounding) {
    TempDir dir;
    bool ok = false;
    SkelModel two = TwoBoneModel();
    EXPECT_EQ(CaptureExport(WriteSKPFile, &two, dir.File("a.skp"), &ok),
              "file size:     1k\nwrote SKP file\n");
    EXPECT_TRUE(ok);
    EXPECT_EQ(ReadWhole(dir.File("a.skp")), ExportImage(two, false)) << "the file is the image";

    // One empty mesh with 211 references makes 180 + 844 = 1024 bytes; one
    // more reference makes 1028.
    SkelModel model;
    model.nummeshes = 1;
    model.meshes.resize(1);
    for (int32_t refs : {211, 212}) {
        model.meshes[0].numreferences = refs;
        model.meshes[0].references.assign((size_t)refs, 1);
        std::string out = CaptureExport(WriteSKMFile, &model, dir.File("a.skm"), &ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(out, refs == 211 ? "file size:     1k\nwrote SKM file\n"
                                   : "file size:     2k\nwrote SKM file\n");
        EXPECT_EQ(ReadWhole(dir.File("a.skm")).size(), refs == 211 ? 1024u : 1028u);
    }

    std::string missing = dir.File("no-such-dir/out.skp");
    // A failed write prints why and never the "wrote" line.
    EXPECT_EQ(CaptureExport(WriteSKPFile, &two, missing, &ok),
              "file size:     1k\nunable to open file \"" + missing +
                  "\" for writing\ncannot write \"" + missing + "\": No such file or directory\n");
    EXPECT_FALSE(ok);
}

TEST(ModelExport, OversizedOrInconsistentModelsAreRefusedAndNothingIsWritten) {
    TempDir dir;
    std::string path = dir.File("big.skp");
    Image previous = {1, 2, 3};
    WriteWhole(path, previous);

    // 256 bones in 2340 frames: 18432 + 2340 * (68 + 7168) bytes > 16 MB.
    SkelModel big;
    big.numbones = 256;
    big.bones.resize(256);
    big.numframes = 2340;
    big.frames.resize(2340);
    for (PoseFrame& frame : big.frames) frame.poses.resize(256);
    std::string reason;
    int64_t size = 0;
    OutputBuffer[0] = 'Q';
    EXPECT_FALSE(BuildSKPImage(&big, OutputBuffer, MAX_FILESIZE, &size, &reason));
    EXPECT_EQ(OutputBuffer[0], 'Q') << "a refused image must not touch the buffer";
    bool ok = true;
    std::string out = CaptureExport(WriteSKPFile, &big, path, &ok);
    EXPECT_FALSE(ok);
    std::string expected = std::to_string(28 + 72 * 256 + (68 + 28 * 256) * 2340) +
                           " bytes, more than the 16777216-byte limit";
    EXPECT_NE(out.find(expected), std::string::npos) << out;
    EXPECT_EQ(out.find("file size"), std::string::npos);
    EXPECT_EQ(ReadWhole(path), previous);

    // The largest image that fits is still written.
    big.numframes = 2316;
    big.frames.resize(2316);
    ASSERT_TRUE(SKPImageSize(&big, &size, &reason));
    ASSERT_LE(size, MAX_FILESIZE);
    int64_t built = 0;
    EXPECT_TRUE(BuildSKPImage(&big, OutputBuffer, MAX_FILESIZE, &built, &reason));
    EXPECT_EQ(built, size);

    SkelModel mesh = OneMeshModel();
    SkelModel other = OneMeshModel();
    mesh.meshes[0].verts[0].weights = other.meshes[0].weightpool.data();
    EXPECT_FALSE(BuildSKMImage(&mesh, OutputBuffer, MAX_FILESIZE, &size, &reason))
        << "weights outside the mesh's own pool";
    mesh = OneMeshModel();
    mesh.meshes[0].numtris = 2;
    EXPECT_FALSE(BuildSKMImage(&mesh, OutputBuffer, MAX_FILESIZE, &size, &reason))
        << "more triangles than indices";
    SkelModel two = TwoBoneModel();
    two.frames[0].poses.pop_back();
    EXPECT_FALSE(BuildSKPImage(&two, OutputBuffer, MAX_FILESIZE, &size, &reason))
        << "a frame short of poses";
    two = TwoBoneModel();
    two.frames[0].poses.push_back(two.frames[0].poses[0]);
    EXPECT_FALSE(BuildSKPImage(&two, OutputBuffer, MAX_FILESIZE, &size, &reason))
        << "a frame with a pose too many";
    EXPECT_EQ(reason, "frame 0 has more poses than the model has bones");
    two = TwoBoneModel();
    two.numbones = -1;
    EXPECT_FALSE(BuildSKPImage(&two, OutputBuffer, MAX_FILESIZE, &size, &reason));
}

TEST(ModelExport, AFailedWriteKeepsThePreviousFile) {
    TempDir dir;
    std::string path = dir.File("out.skp");
    SkelModel two = TwoBoneModel();
    bool ok = false;
    CaptureExport(WriteSKPFile, &two, path, &ok);
    ASSERT_TRUE(ok);
    Image before = ReadWhole(path);

    // Past a 4 KB file size limit the write comes up short (the captured
    // console, a file too, stays below it).
    SkelModel sample;
    BuildSampleModel(&sample);
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string written = CaptureExport(WriteSKPFile, &sample, path, &ok);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(ok);
    char sizeLine[32];
    snprintf(sizeLine, sizeof sizeLine, "file size: %5ik\n",
             (int)((ExportImage(sample, false).size() + 1023) / 1024));
    EXPECT_EQ(written, std::string(sizeLine) + "unable to write file \"" + path +
                           "\"\ncannot write \"" + path + "\": File too large\n");
    EXPECT_EQ(ReadWhole(path), before);
    EXPECT_EQ(Listing(dir.path), std::vector<std::string>{"out.skp"}) << "no temporary file left";
}
