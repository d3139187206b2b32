// Readers: the console text of valid and odd files, the limits that warn,
// and the refusal of files whose counts or offsets do not fit, down to every
// truncation of a valid pair.
#include <sys/stat.h>

#include "model/export.h"
#include "model/load.h"
#include "model/format.h"
#include "demo/sample.h"
#include "tests/unit/test_model_helpers.h"
#include "tests/unit/test_skeleton.h"

namespace {

// A model whose meshes have the given vertex, triangle and reference counts,
// with zero-weight vertices; laid out contiguously.
SkelModel CountModel(int32_t nummeshes, int32_t numverts, int32_t numtris, int32_t numrefs) {
    SkelModel model;
    model.numbones = 2;
    model.nummeshes = nummeshes;
    model.meshes.resize((size_t)nummeshes);
    for (SkelMesh& mesh : model.meshes) {
        CopyName(mesh.meshname, "m");
        CopyName(mesh.skinname, "s");
        mesh.numverts = numverts;
        mesh.verts.assign((size_t)numverts, SkelVertex{0, nullptr});
        mesh.texcoords.assign(2 * (size_t)numverts, 0.0f);
        mesh.numtris = numtris;
        mesh.indices.assign(3 * (size_t)numtris, 0);
        mesh.numreferences = numrefs;
        mesh.references.assign((size_t)numrefs, 0);
    }
    return model;
}

// A chain of numbones bones "b0", "b1", ... in numframes frames.
SkelModel BoneModel(int32_t numbones, int32_t numframes) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < numbones; i++) names.push_back("b" + std::to_string(i));
    return MakePoseModel(names, {}, numframes);
}

LoadStatus Parse(bool skm, const unsigned char* data, size_t size, const char* path,
                 SkelModel* model, LoadReport* report) {
    return skm ? ParseSKM(data, size, path, model, report)
               : ParseSKP(data, size, path, model, report);
}

// What the reader prints for an image.
std::string Console(bool skm, const Image& img, const char* path, LoadStatus* status = nullptr,
                    SkelModel* out = nullptr) {
    SkelModel model;
    LoadReport report;
    LoadStatus s = Parse(skm, img.data(), img.size(), path, out ? out : &model, &report);
    if (status) *status = s;
    return report.console;
}

// An SKP image of count frames that all take the poses of img's frame 0,
// from a frame table moved to the end.
Image SharedPoses(Image img, int32_t count) {
    int32_t ofsposes = PeekInt(img.data(), (size_t)PeekInt(img.data(), 24) + 64);
    size_t table = img.size();
    PokeInt(&img, 16, count);
    PokeInt(&img, 24, (int32_t)table);
    img.resize(table + 68 * (size_t)count);
    for (int32_t j = 0; j < count; j++) PokeInt(&img, table + 68 * (size_t)j + 64, ofsposes);
    return img;
}

// img with the given words replaced.
Image Poked(Image img, std::initializer_list<std::pair<size_t, int32_t>> words) {
    for (const auto& [at, value] : words) PokeInt(&img, at, value);
    return img;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(ModelRead, ValidAndOddHeadersPrintTheReadersLinesInOrder) {
    SkelModel sample;
    BuildSampleModel(&sample);
    SkelModel source = BoneModel(30, 5);
    Image skp = ExportImage(source, false);
    Image skm = ExportImage(sample, true);

    std::string expected =
        FormatText("Reading SKM model a.skm\na.skm: Type:2\na.skm: Filesize:%zu\n", skm.size());
    EXPECT_EQ(Console(true, skm, "a.skm"), expected);

    expected = FormatText(
        "Reading SKP model b.skp\n----------------------\nb.skp pinmodel type: 2\n"
        "b.skp pinmodel filesize: %zu (MAX: 16777216)\nb.skp pinmodel numbones: 30\n"
        "numframes:pout:5 pin:5\nNumBones(SKP): 30\n",
        skp.size());
    SkelModel model;
    model.numbones = 99; // the SKM header's count, replaced without a word
    LoadStatus status;
    EXPECT_EQ(Console(false, skp, "b.skp", &status, &model), expected);
    ASSERT_EQ(status, LOAD_OK);
    EXPECT_EQ(model.numbones, 30);
    for (const PoseFrame& frame : model.frames) EXPECT_EQ(frame.poses.size(), 30u);

    TempDir dir;
    WriteWhole(dir.File("a.skm"), skm);
    WriteWhole(dir.File("b.skp"), skp);
    LoadReport report;
    ASSERT_EQ(LoadModelPair(dir.File("a.skm").c_str(), dir.File("b.skp").c_str(), &model, &report),
              LOAD_OK);
    EXPECT_TRUE(
        Has(report.console, "Filesize:" + std::to_string(skm.size()) + "\nReading SKP model "));
    EXPECT_TRUE(report.problems.empty());
    EXPECT_EQ(model.numbones, 30);
    EXPECT_EQ(model.nummeshes, sample.nummeshes);

    // Header warnings run into the next line.
    Image odd = Poked(ExportImage(CountModel(1, 1, 1, 1), true), {{4, 3}, {8, 16777217}});
    EXPECT_EQ(Console(true, odd, "t.skm", &status),
              "Reading SKM model t.skm\nt.skm: Type:3\nt.skm has wrong type number (3 should be 2)"
              "t.skm: Filesize:16777217\nt.skm has has wrong filesize (16777217 should be less "
              "than 16777216)");
    EXPECT_EQ(status, LOAD_OK) << "warnings never stop the load";
}

TEST(ModelRead, CountsWarnOnlyPastTheirLimitsAndAreUsedAsRead) {
    const int32_t V = MAX_VERTS, T = MAX_TRIS, R = MAX_REFERENCES;
    const Image one = ExportImage(CountModel(1, 1, 1, 1), true);
    const struct {
        bool skm;
        Image img;
        const char *warned, *quiet; // the line the console holds, a word it lacks
    } cases[] = {
        // SKM header fields: the file size, and a bone count never used to allocate.
        {true, Poked(one, {{8, 16777216}}), nullptr, "filesize ("},
        {true, Poked(one, {{8, -1}}), "t.skm has has wrong filesize (-1 should", nullptr},
        {true, Poked(one, {{8, 100}, {12, 0}}), "t.skm: Filesize:100\nt.skm has no bones", nullptr},
        {true, Poked(one, {{12, 256}}), nullptr, "bones"},
        {true, Poked(one, {{12, 257}}), "t.skm has too many bones", nullptr},
        {true, Poked(one, {{12, -3}}), "t.skm has too many bones", nullptr},
        {true, ExportImage(CountModel(32, 1, 1, 1), true), nullptr, "meshes"},
        {true, ExportImage(CountModel(33, 1, 1, 1), true), "t.skm has too many meshes", nullptr},
        {true, ExportImage(CountModel(0, 1, 1, 1), true), "t.skm has no meshes", nullptr},
        {true, ExportImage(CountModel(1, V, T, R), true), nullptr, "mesh 0"},
        {true, ExportImage(CountModel(1, V + 1, T + 1, R + 1), true),
         "mesh 0 in model t.skm has too many vertexesmesh 0 in model t.skm has too many indices"
         "mesh 0 in model t.skm has too many bone references",
         nullptr},
        {true, ExportImage(CountModel(2, 0, 0, 0), true),
         "mesh 1 in model t.skm has no vertexesmesh 1 in model t.skm has no indices"
         "mesh 1 in model t.skm has no bone references",
         nullptr},
        {false, ExportImage(BoneModel(256, 1), false), nullptr, "Invalid"},
        {false, ExportImage(BoneModel(257, 1), false),
         "p.skp pinmodel numbones: 257\np.skp num_bones: Invalid value\nnumframes:pout:1 pin:1\n",
         nullptr},
        {false, ExportImage(BoneModel(2, 0), false),
         "numframes:pout:0 pin:0\np.skp has no framesNumBones(SKP): 2\n", nullptr},
        // Frames may share one pose block, so 65537 frames fit in a few MB.
        {false, SharedPoses(ExportImage(BoneModel(2, 1), false), MAX_FRAMES), nullptr, "frames\n"},
        {false, SharedPoses(ExportImage(BoneModel(2, 1), false), MAX_FRAMES + 1),
         "numframes:pout:65537 pin:65537\np.skp has too many framesNumBones(SKP): 2\n", nullptr},
    };
    for (const auto& c : cases) {
        SkelModel model;
        LoadStatus status;
        std::string text = Console(c.skm, c.img, c.skm ? "t.skm" : "p.skp", &status, &model);
        EXPECT_EQ(status, LOAD_OK) << text;
        EXPECT_TRUE(!c.warned || Has(text, c.warned)) << text;
        EXPECT_FALSE(c.quiet && (Has(text, c.quiet) || Has(text, "too many"))) << text;
        // Counts past the limits are used as read.
        const unsigned char* header = c.img.data();
        size_t held = !c.skm                 ? model.frames.size()
                      : model.meshes.empty() ? 0
                                             : model.meshes[0].numverts;
        int32_t count = PeekInt(header, 16);
        EXPECT_EQ(held, (size_t)(!c.skm ? count : count ? PeekInt(header, 24 + 128) : 0));
    }

    // A negative mesh count refuses the file, after the warning it earns.
    Image img = Poked(one, {{16, -1}});
    SkelModel model;
    model.nummeshes = 1234;
    LoadStatus status;
    std::string text = Console(true, img, "t.skm", &status, &model);
    EXPECT_EQ(status, LOAD_REFUSED);
    EXPECT_TRUE(Has(text,
                    "t.skm has too many meshes\nReadSKM failed: data file \"t.skm\" has a negative "
                    "mesh count (-1).\n"))
        << text;
    EXPECT_EQ(model.nummeshes, 1234) << "a refused file leaves the model untouched";

    EXPECT_TRUE(Has(Console(false, Poked(ExportImage(BoneModel(3, 1), false), {{4, 7}}), "p.skp"),
                    "p.skp pinmodel numbones: 3\np.skp has wrong type number (7 should be 2)\n"));
}

TEST(ModelRead, VertexBlockHasNoFixedStride) {
    SkelModel source = CountModel(1, 3, 1, 1);
    SkelMesh& mesh = source.meshes[0];
    mesh.weightpool = {BoneWeight{{1, 2, 3}, 0.5f, {0, 0, 1}, 1},
                       BoneWeight{{4, 5, 6}, 0.5f, {0, 1, 0}, 0}};
    mesh.verts = {SkelVertex{0, nullptr}, SkelVertex{2, nullptr}, SkelVertex{0, nullptr}};
    ASSERT_TRUE(LinkVertexWeights(&mesh));
    mesh.texcoords = {1, 2, 3, 4, 5, 6};
    Image img = ExportImage(source, true);
    // header 24, mesh header 156, vertices 4 + (4 + 64) + 4 bytes.
    EXPECT_EQ(PeekInt(img.data(), 24 + 140), 180);
    EXPECT_EQ(PeekInt(img.data(), 24 + 144), 180 + 76);

    SkelModel model;
    LoadStatus status;
    Console(true, img, "t.skm", &status, &model);
    ASSERT_EQ(status, LOAD_OK);
    ExpectSameMeshes(source, model);
    EXPECT_EQ(model.meshes[0].weightpool.size(), 2u) << "one pool per mesh";
}

TEST(ModelRead, BoneRecordsAndParentsAreKeptAsRead) {
    SkelModel source = BoneModel(5, 2);
    source.bones[1].parent = 1;  // itself
    source.bones[2].parent = 9;  // past the last bone
    source.bones[3].parent = -7; // any negative value is a root
    source.bones[4].flags = 0xdeadbeef;
    memset(source.frames[1].name, 'n', NAME_LEN);
    Image img = ExportImage(source, false);

    SkelModel model;
    LoadReport report;
    ASSERT_EQ(ParseSKP(img.data(), img.size(), "p.skp", &model, &report), LOAD_OK);
    EXPECT_TRUE(Has(report.console,
                    "NumBones(SKP): 5\n"
                    "p.skp: bone 1 \"b1\" has parent 1, which is not an earlier bone; it will be "
                    "posed as a root\n"
                    "p.skp: bone 2 \"b2\" has parent 9, which is not an earlier bone; it will be "
                    "posed as a root\n"))
        << report.console;
    EXPECT_FALSE(Has(report.console, "bone 3"));
    EXPECT_EQ(model.bones[1].parent, 1);
    EXPECT_EQ(model.bones[2].parent, 9);
    EXPECT_EQ(model.bones[3].parent, -7);
    EXPECT_EQ(model.bones[4].parent, 3);
    EXPECT_EQ(model.bones[4].flags, 0xdeadbeefu);
    EXPECT_EQ(std::string(model.frames[1].name), std::string(63, 'n'));
    ASSERT_EQ(report.problems.size(), 3u);
    EXPECT_TRUE(Has(report.problems[2], "frame 1 has no terminating NUL"));

    // Written back unchanged, parents and all.
    Image written = ExportImage(model, false);
    ASSERT_GT(written.size(), 0u);
    EXPECT_EQ(PeekInt(written.data(), 28 + 72 + 64), 1);
    EXPECT_EQ(PeekInt(written.data(), 28 + 144 + 64), 9);
}

TEST(ModelRead, FilesThatDoNotFitAreRefusedWithTheirPart) {
    SkelModel sample;
    BuildSampleModel(&sample);
    Image skm = ExportImage(sample, true);
    Image skp = ExportImage(sample, false);
    int32_t ofsverts1 = PeekInt(skm.data(), 24 + 156 + 140);

    struct Damage {
        bool skm;
        size_t at;
        int32_t value;
        const char* expected;
    };
    const Damage cases[] = {
        {true, 20, (int32_t)skm.size() - 100, "does not hold the header of mesh 0"},
        {true, 20, -8, "the header of mesh 0"},
        {true, 16, 0x7fffffff, "ReadSKM failed: "},
        {true, 24 + 156 + 128, 0x7fffffff, "the vertex block of mesh 1"},
        {true, 24 + 156 + 128, -2,
         "mesh 1 of data file \"d.skm\" has a negative vertex count (-2)"},
        {true, 24 + 156 + 140, (int32_t)skm.size() - 4, "the vertex block of mesh 1"},
        {true, (size_t)ofsverts1, -1,
         "vertex 0 of mesh 1 in data file \"d.skm\" has a negative weight count (-1)"},
        {true, (size_t)ofsverts1, 0x10000000, "the weights of vertex 0 of mesh 1"},
        {true, 24 + 156 + 144, -1, "the texture coordinates of mesh 1"},
        {true, 24 + 132, -5, "mesh 0 of data file \"d.skm\" has a negative triangle count (-5)"},
        {true, 24 + 148, (int32_t)skm.size() - 11, "the triangles of mesh 0"},
        {true, 24 + 136, -1, "has a negative bone reference count (-1)"},
        {true, 24 + 152, (int32_t)skm.size() - 3, "the bone references of mesh 0"},
        {false, 12, -1, "ReadSKP failed: data file \"d.skp\" has a negative bone count (-1)"},
        {false, 12, 1000000, "the 1000000 bone records"},
        {false, 20, (int32_t)skp.size() - 71, "the 26 bone records"},
        {false, 16, -4, "has a negative frame count (-4)"},
        {false, 24, 0x7ffffff0, "the 9 frame headers"},
        {false, 16, 0x7fffffff, "the 2147483647 frame headers"},
        {false, 28 + 72 * 26 + 68 * 8 + 64, (int32_t)skp.size() - 27, "the poses of frame 8"},
        {false, 28 + 72 * 26 + 64, INT32_MIN, "the poses of frame 0"},
    };
    for (const Damage& d : cases) {
        Image img = d.skm ? skm : skp;
        PokeInt(&img, d.at, d.value);
        SkelModel model;
        model.numbones = 4242;
        LoadReport report;
        LoadStatus status =
            Parse(d.skm, img.data(), img.size(), d.skm ? "d.skm" : "d.skp", &model, &report);
        EXPECT_EQ(status, LOAD_REFUSED) << d.expected;
        std::string last = report.problems.empty() ? "" : report.problems.back();
        std::string expected = d.expected;
        EXPECT_TRUE(Has(last, expected)) << last << "\nexpected: " << d.expected;
        EXPECT_TRUE(Has(last, d.skm ? "d.skm" : "d.skp")) << last;
        EXPECT_EQ(report.console.back(), '\n');
        EXPECT_EQ(model.numbones, 4242) << d.expected;
        EXPECT_TRUE(model.bones.empty() && model.meshes.empty() && model.frames.empty());
    }
}

TEST(ModelRead, EveryTruncationOfAValidPairIsRefused) {
    SkelModel source = CountModel(2, 3, 2, 2);
    source.meshes[1].weightpool.assign(3, BoneWeight{{1, 1, 1}, 1, {0, 0, 1}, 1});
    for (SkelVertex& v : source.meshes[1].verts) v.numweights = 1;
    ASSERT_TRUE(LinkVertexWeights(&source.meshes[1]));
    SkelModel bones = BoneModel(3, 2);
    Image skm = ExportImage(source, true);
    Image skp = ExportImage(bones, false);

    for (int kind = 0; kind < 2; kind++) {
        const Image& whole = kind ? skp : skm;
        for (size_t length = 0; length < whole.size(); length++) {
            // An exact-size copy, so any read past the cut is a heap overflow
            // that the sanitizer build reports.
            std::unique_ptr<unsigned char[]> cut(new unsigned char[length ? length : 1]);
            memcpy(cut.get(), whole.data(), length);
            SkelModel model;
            LoadReport report;
            LoadStatus status = Parse(!kind, cut.get(), length, "cut", &model, &report);
            ASSERT_EQ(status, LOAD_REFUSED) << (kind ? "skp" : "skm") << " cut to " << length;
            ASSERT_TRUE(Has(report.problems.back(), "bytes) does not hold "));
        }
        SkelModel model;
        LoadReport report;
        EXPECT_EQ(Parse(!kind, whole.data(), whole.size(), "w", &model, &report), LOAD_OK);
    }
}

TEST(ModelRead, RandomlyDamagedFilesNeverReadOutside) {
    SkelModel sample;
    BuildSampleModel(&sample);
    Image skm = ExportImage(sample, true);
    Image skp = ExportImage(sample, false);
    std::mt19937 rng(20240611);
    int refused = 0;
    for (int round = 0; round < 600; round++) {
        bool isSkm = round % 2 == 0;
        Image img = isSkm ? skm : skp;
        // Damage the headers and tables, where counts and offsets live.
        size_t span =
            std::min<size_t>(img.size(), isSkm ? 24 + 156 * 3 + 64 : 28 + 72 * 26 + 68 * 9);
        for (int flips = 1 + (int)(rng() % 4); flips > 0; flips--) {
            size_t at = rng() % span;
            img[at] = (unsigned char)(rng() % 3 == 0 ? 0xff : rng());
        }
        std::unique_ptr<unsigned char[]> exact(new unsigned char[img.size()]);
        memcpy(exact.get(), img.data(), img.size());
        SkelModel model;
        LoadReport report;
        LoadStatus status = Parse(isSkm, exact.get(), img.size(), "r", &model, &report);
        if (status == LOAD_REFUSED) refused++;
        if (status == LOAD_OK && !isSkm) {
            for (const PoseFrame& frame : model.frames)
                ASSERT_EQ(frame.poses.size(), (size_t)model.numbones);
        }
    }
    EXPECT_GT(refused, 50) << "the damage should hit counts and offsets often";
}

TEST(ModelRead, FilesThatCannotBeReadGetTheReadersMessages) {
    TempDir dir;
    SkelModel model;
    LoadReport report;
    std::string missing = dir.File("missing.skm");
    EXPECT_EQ(LoadSKMFile(missing.c_str(), &model, &report), LOAD_CANT_OPEN);
    EXPECT_EQ(report.console, "ReadSKM failed: can't open data file \"" + missing + "\".\n");

    WriteWhole(dir.File("empty.skp"), Image());
    report = LoadReport();
    EXPECT_EQ(LoadSKPFile(dir.File("empty.skp").c_str(), &model, &report), LOAD_EMPTY);
    EXPECT_EQ(report.console,
              "ReadSKP failed: Empty data file \"" + dir.File("empty.skp") + "\".\n");

    report = LoadReport();
    EXPECT_EQ(LoadSKPFile(dir.path.c_str(), &model, &report), LOAD_CANT_OPEN)
        << "a directory is no data file";

    // The pair load stops at a failing SKM file and never opens the SKP file.
    WriteWhole(dir.File("p.skp"), ExportImage(BoneModel(2, 1), false));
    report = LoadReport();
    EXPECT_EQ(LoadModelPair(missing.c_str(), dir.File("p.skp").c_str(), &model, &report),
              LOAD_CANT_OPEN);
    EXPECT_FALSE(Has(report.console, "ReadSKP"));
    EXPECT_EQ(model.numbones, 0);
}

TEST(ModelRead, FramesSharingPosesBeyondTheMemoryBudgetAreRefused) {
    // 10000 frames of 4096 bones would need over 1 GB for their poses, all
    // taken from one 115 KB block.
    SkelModel source = BoneModel(4096, 1);
    Image plain = ExportImage(source, false), img = SharedPoses(plain, 10000);
    SkelModel model;
    LoadReport report;
    EXPECT_EQ(ParseSKP(img.data(), img.size(), "huge.skp", &model, &report), LOAD_REFUSED);
    EXPECT_EQ(report.problems.back(),
              "ReadSKP failed: data file \"huge.skp\" would need more than 1024 MB of memory.");
    EXPECT_TRUE(model.frames.empty());

    // Fewer such frames fit and load.
    img = SharedPoses(plain, 200);
    EXPECT_EQ(ParseSKP(img.data(), img.size(), "big.skp", &model, &report), LOAD_OK);
    EXPECT_EQ(model.frames.size(), 200u);
}
