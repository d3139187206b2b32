// Writes the seed corpora of the fuzz targets: the demo model and small
// edge-case files (empty parts, shuffled and shared blocks, names without a
// terminator, odd floats, damaged headers), all made by our own code.
// Usage: make_seeds DIR  (writes DIR/skm, DIR/skp, DIR/pair, DIR/tga)
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "model/export.h"
#include "model/file_io.h"
#include "model/model.h"
#include "demo/sample.h"
#include "session/export.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::string OutDir;
int Written = 0;

void Save(const char* sub, const char* name, const Bytes& bytes) {
    std::string dir = OutDir + "/" + sub;
    mkdir(dir.c_str(), 0777);
    std::string path = dir + "/" + name;
    std::string reason;
    if (!WriteFileAtomic(path.c_str(), bytes.data(), bytes.size(), &reason)) {
        fprintf(stderr, "make_seeds: %s\n", reason.c_str());
        exit(1);
    }
    Written++;
}

// --- building bytes -------------------------------------------------------

void SetWord(Bytes* b, size_t at, uint32_t value) {
    if (b->size() < at + 4) b->resize(at + 4);
    for (int k = 0; k < 4; k++) (*b)[at + k] = (unsigned char)(value >> (8 * k));
}

void SetFloat(Bytes* b, size_t at, float value) {
    uint32_t bits;
    memcpy(&bits, &value, 4);
    SetWord(b, at, bits);
}

uint32_t GetWord(const Bytes& b, size_t at) {
    return (uint32_t)b[at] | (uint32_t)b[at + 1] << 8 | (uint32_t)b[at + 2] << 16 |
           (uint32_t)b[at + 3] << 24;
}

// The field is written whole, text and all: a 64-character text leaves no NUL.
void SetName(Bytes* b, size_t at, const char* text) {
    if (b->size() < at + NAME_LEN) b->resize(at + NAME_LEN);
    size_t n = strnlen(text, NAME_LEN);
    memcpy(b->data() + at, text, n);
    memset(b->data() + at + n, 0, NAME_LEN - n);
}

Bytes SKMImage(const SkelModel& model) {
    std::string reason;
    int64_t size = 0;
    if (!BuildSKMImage(&model, OutputBuffer, MAX_FILESIZE, &size, &reason)) {
        fprintf(stderr, "make_seeds: SKM image: %s\n", reason.c_str());
        exit(1);
    }
    return Bytes(OutputBuffer, OutputBuffer + size);
}

Bytes SKPImage(const SkelModel& model) {
    std::string reason;
    int64_t size = 0;
    if (!BuildSKPImage(&model, OutputBuffer, MAX_FILESIZE, &size, &reason)) {
        fprintf(stderr, "make_seeds: SKP image: %s\n", reason.c_str());
        exit(1);
    }
    return Bytes(OutputBuffer, OutputBuffer + size);
}

// The pair target's input: the SKM length, the SKM bytes, the SKP bytes.
Bytes Pair(const Bytes& skm, const Bytes& skp) {
    Bytes b;
    SetWord(&b, 0, (uint32_t)skm.size());
    b.insert(b.end(), skm.begin(), skm.end());
    b.insert(b.end(), skp.begin(), skp.end());
    return b;
}

// --- small models -----------------------------------------------------------

void AddBone(SkelModel* model, const char* name, int32_t parent, uint32_t flags) {
    SkelBone bone = {};
    CopyName(bone.name, name);
    bone.parent = parent;
    bone.flags = flags;
    model->bones.push_back(bone);
    model->numbones = (int32_t)model->bones.size();
}

// numframes frames; bone j in frame f sits at (f + 1, j, 0), turned a little
// about z per frame.
void AddFrames(SkelModel* model, int32_t numframes) {
    for (int32_t f = 0; f < numframes; f++) {
        PoseFrame frame;
        snprintf(frame.name, NAME_LEN, "frame%d", (int)f);
        for (int32_t j = 0; j < model->numbones; j++) {
            float half = 0.1f * (float)f;
            frame.poses.push_back(
                {{0, 0, std::sin(half), std::cos(half)}, {(float)f + 1, (float)j, 0}});
        }
        model->frames.push_back(frame);
    }
    model->numframes = numframes;
}

// A mesh of numverts vertices, vertex v with v % 3 weights, a fan of
// triangles and the given bone references.
void AddMesh(SkelModel* model, const char* meshname, const char* skinname, int32_t numverts,
             std::vector<int32_t> references) {
    model->meshes.emplace_back();
    SkelMesh& mesh = model->meshes.back();
    CopyName(mesh.meshname, meshname);
    CopyName(mesh.skinname, skinname);
    mesh.numverts = numverts;
    mesh.verts.resize((size_t)numverts);
    for (int32_t v = 0; v < numverts; v++) {
        mesh.verts[v].numweights = v % 3;
        for (int32_t w = 0; w < v % 3; w++) {
            BoneWeight weight = {{(float)v, (float)w, 1}, w == 0 ? 1.0f : 0.5f, {0, 0, 1}, w};
            mesh.weightpool.push_back(weight);
        }
        mesh.texcoords.push_back((float)v / (float)numverts);
        mesh.texcoords.push_back(1.0f - (float)v / (float)numverts);
    }
    LinkVertexWeights(&mesh);
    for (int32_t v = 1; v + 1 < numverts; v++) {
        mesh.indices.push_back(0);
        mesh.indices.push_back(v);
        mesh.indices.push_back(v + 1);
    }
    mesh.numtris = (int32_t)mesh.indices.size() / 3;
    mesh.references = references;
    mesh.numreferences = (int32_t)references.size();
    model->nummeshes = (int32_t)model->meshes.size();
}

// Lhip, Lknee, root: two key channels, with a later bone as the root.
SkelModel HipModel(int32_t numframes) {
    SkelModel model;
    AddBone(&model, "Lhip", 2, 0);
    AddBone(&model, "Lknee", 0, 1);
    AddBone(&model, "root", -1, 0);
    AddFrames(&model, numframes);
    AddMesh(&model, "leg", "skin", 4, {0, 1});
    return model;
}

// --- hand-laid files --------------------------------------------------------

// The SKM file of model with its parts in the reverse of the exporter's order
// and 4-byte gaps between them: blocks of the last mesh first, mesh headers
// last.
Bytes ReversedSKM(const SkelModel& model) {
    Bytes b(24 + 8, 0xEE);
    memcpy(b.data(), "SKM1", 4);
    SetWord(&b, 4, 2);
    SetWord(&b, 12, (uint32_t)model.numbones);
    SetWord(&b, 16, (uint32_t)model.nummeshes);
    std::vector<uint32_t> ofs(model.meshes.size() * 4);
    for (size_t i = model.meshes.size(); i-- > 0;) {
        const SkelMesh& mesh = model.meshes[i];
        size_t at = b.size() + 4;
        ofs[4 * i + 3] = (uint32_t)at;
        for (int32_t r : mesh.references) SetWord(&b, at, (uint32_t)r), at += 4;
        at += 4;
        ofs[4 * i + 2] = (uint32_t)at;
        for (int32_t x : mesh.indices) SetWord(&b, at, (uint32_t)x), at += 4;
        at += 4;
        ofs[4 * i + 1] = (uint32_t)at;
        for (float t : mesh.texcoords) SetFloat(&b, at, t), at += 4;
        at += 4;
        ofs[4 * i] = (uint32_t)at;
        for (const SkelVertex& v : mesh.verts) {
            SetWord(&b, at, (uint32_t)v.numweights);
            at += 4;
            for (int32_t w = 0; w < v.numweights; w++, at += 32) {
                const BoneWeight& x = v.weights[w];
                const float f[7] = {x.origin[0], x.origin[1], x.origin[2], x.influence,
                                    x.normal[0], x.normal[1], x.normal[2]};
                for (int k = 0; k < 7; k++) SetFloat(&b, at + 4 * k, f[k]);
                SetWord(&b, at + 28, (uint32_t)x.bonenum);
            }
        }
        b.resize(at);
    }
    size_t ofsmeshes = b.size() + 4;
    SetWord(&b, 20, (uint32_t)ofsmeshes);
    for (size_t i = 0; i < model.meshes.size(); i++) {
        const SkelMesh& mesh = model.meshes[i];
        size_t mh = ofsmeshes + 156 * i;
        SetName(&b, mh, mesh.skinname);
        SetName(&b, mh + 64, mesh.meshname);
        const uint32_t fields[7] = {(uint32_t)mesh.numverts,
                                    (uint32_t)mesh.numtris,
                                    (uint32_t)mesh.numreferences,
                                    ofs[4 * i],
                                    ofs[4 * i + 1],
                                    ofs[4 * i + 2],
                                    ofs[4 * i + 3]};
        for (int k = 0; k < 7; k++) SetWord(&b, mh + 128 + 4 * k, fields[k]);
    }
    SetWord(&b, 8, (uint32_t)b.size());
    return b;
}

// The SKP file of model laid out backwards: poses of the last frame first,
// then the frame headers, the bone records last, with gaps.
Bytes ReversedSKP(const SkelModel& model) {
    Bytes b(28 + 12, 0xEE);
    memcpy(b.data(), "SKM1", 4);
    SetWord(&b, 4, 2);
    SetWord(&b, 12, (uint32_t)model.numbones);
    SetWord(&b, 16, (uint32_t)model.numframes);
    std::vector<uint32_t> ofsposes(model.frames.size());
    for (size_t f = model.frames.size(); f-- > 0;) {
        size_t at = b.size() + 4;
        ofsposes[f] = (uint32_t)at;
        for (const BonePose& p : model.frames[f].poses) {
            for (int k = 0; k < 4; k++) SetFloat(&b, at + 4 * k, p.quat[k]);
            for (int k = 0; k < 3; k++) SetFloat(&b, at + 16 + 4 * k, p.origin[k]);
            at += 28;
        }
        b.resize(at);
    }
    size_t ofsframes = b.size() + 8;
    SetWord(&b, 24, (uint32_t)ofsframes);
    for (size_t f = 0; f < model.frames.size(); f++) {
        SetName(&b, ofsframes + 68 * f, model.frames[f].name);
        SetWord(&b, ofsframes + 68 * f + 64, ofsposes[f]);
    }
    size_t ofsbones = b.size() + 4;
    SetWord(&b, 20, (uint32_t)ofsbones);
    for (size_t i = 0; i < model.bones.size(); i++) {
        SetName(&b, ofsbones + 72 * i, model.bones[i].name);
        SetWord(&b, ofsbones + 72 * i + 64, (uint32_t)model.bones[i].parent);
        SetWord(&b, ofsbones + 72 * i + 68, model.bones[i].flags);
    }
    SetWord(&b, 8, (uint32_t)b.size());
    return b;
}

Bytes Truncated(Bytes b, size_t size) {
    b.resize(size);
    return b;
}

// --- TGA files --------------------------------------------------------------

Bytes TGA(int width, int height, int bpp, unsigned char type = 2) {
    Bytes b(18, 0);
    b[2] = type;
    b[12] = (unsigned char)width;
    b[13] = (unsigned char)(width >> 8);
    b[14] = (unsigned char)height;
    b[15] = (unsigned char)(height >> 8);
    b[16] = (unsigned char)bpp;
    b[17] = bpp == 32 ? 8 : 0;
    for (int i = 0; i < width * height * (bpp / 8); i++) b.push_back((unsigned char)(i * 37 + 11));
    return b;
}

void WriteSKMSeeds(const SkelModel& demo) {
    Save("skm", "demo.skm", SKMImage(demo));

    SkelModel none;
    none.numbones = 2;
    Save("skm", "no_meshes.skm", SKMImage(none));

    // One vertex of one weight, one triangle, one bone reference.
    SkelModel one;
    one.numbones = 1;
    one.nummeshes = 1;
    SkelMesh& mesh = one.meshes.emplace_back();
    CopyName(mesh.meshname, "m");
    CopyName(mesh.skinname, "s");
    mesh.numverts = 1;
    mesh.verts = {{1, nullptr}};
    mesh.weightpool = {{{1, 2, 3}, 1, {0, 0, 1}, 0}};
    LinkVertexWeights(&mesh);
    mesh.texcoords = {0.25f, 0.75f};
    mesh.numtris = 1;
    mesh.indices = {0, 0, 0};
    mesh.numreferences = 1;
    mesh.references = {0};
    Save("skm", "one_weight.skm", SKMImage(one));

    SkelModel hip = HipModel(4);
    AddMesh(&hip, "second_mesh_with_several_vertices", "second_skin", 7, {2, 1, 0});
    Save("skm", "two_meshes.skm", SKMImage(hip));
    Save("skm", "reversed.skm", ReversedSKM(hip));

    // Both mesh headers point at the first mesh's blocks.
    Bytes shared = SKMImage(hip);
    for (int k = 0; k < 7; k++)
        SetWord(&shared, 24 + 156 + 128 + 4 * k, GetWord(shared, 24 + 128 + 4 * k));
    Save("skm", "shared_blocks.skm", shared);

    // Names that fill their fields, a wrong type and an oversized file size.
    Bytes odd = SKMImage(hip);
    memset(odd.data() + 24, 'S', 64);
    memset(odd.data() + 24 + 64, 'M', 64);
    SetWord(&odd, 4, 3);
    SetWord(&odd, 8, (uint32_t)MAX_FILESIZE + 1);
    Save("skm", "odd_header.skm", odd);

    // A few weights and then a long block of triangles: the reader reserves
    // room for the most weights the rest of the file could hold, gives the
    // unused room back once the vertices are read, and re-points them.
    SkelModel tail;
    tail.numbones = 2;
    AddMesh(&tail, "long_tail", "skin", 6, {0, 1});
    SkelMesh& longMesh = tail.meshes[0];
    longMesh.numtris = 6000;
    longMesh.indices.resize(3 * 6000);
    for (size_t k = 0; k < longMesh.indices.size(); k++) longMesh.indices[k] = (int32_t)(k % 6);
    Save("skm", "long_tail.skm", SKMImage(tail));

    Save("skm", "cut_in_vertices.skm", Truncated(SKMImage(hip), 24 + 2 * 156 + 20));
    Save("skm", "cut_in_header.skm", Truncated(SKMImage(hip), 13));
}

void WriteSKPSeeds(const SkelModel& demo) {
    Save("skp", "demo.skp", SKPImage(demo));

    SkelModel empty;
    Save("skp", "no_bones_no_frames.skp", SKPImage(empty));

    SkelModel two;
    AddBone(&two, "root", -1, 0);
    AddBone(&two, "child", 0, 1);
    AddFrames(&two, 1);
    Save("skp", "two_bones_one_frame.skp", SKPImage(two));

    SkelModel hip = HipModel(4);
    Save("skp", "forward_parent.skp", SKPImage(hip));
    Save("skp", "reversed.skp", ReversedSKP(hip));

    // Every frame header points at frame 0's poses.
    Bytes shared = SKPImage(hip);
    uint32_t ofsframes = GetWord(shared, 24);
    for (uint32_t f = 1; f < 4; f++)
        SetWord(&shared, ofsframes + 68 * f + 64, GetWord(shared, ofsframes + 64));
    Save("skp", "shared_poses.skp", shared);

    // Negative zero, NaN, infinities and a subnormal in the poses; names that
    // fill their fields, start with a high byte or are empty.
    SkelModel odd = HipModel(3);
    CopyName(odd.bones[0].name, "");
    CopyName(odd.bones[1].name, "\xC3\xA9paule");
    float specials[] = {-0.0f,
                        std::numeric_limits<float>::quiet_NaN(),
                        std::numeric_limits<float>::infinity(),
                        -std::numeric_limits<float>::infinity(),
                        std::numeric_limits<float>::denorm_min(),
                        3e38f,
                        -3e38f};
    for (PoseFrame& frame : odd.frames)
        for (BonePose& pose : frame.poses)
            for (int k = 0; k < 7; k++)
                (k < 4 ? pose.quat[k] : pose.origin[k - 4]) = specials[(k + frame.name[5]) % 7];
    Bytes image = SKPImage(odd);
    memset(image.data() + 28 + 72 * 2, 'r', 64);
    SetWord(&image, 4, 7);
    Save("skp", "odd_values.skp", image);

    Save("skp", "cut_in_poses.skp", Truncated(SKPImage(hip), SKPImage(hip).size() - 10));
    Save("skp", "cut_in_header.skp", Truncated(SKPImage(hip), 20));
}

void WritePairSeeds(const SkelModel& demo) {
    Save("pair", "demo.pair", Pair(SKMImage(demo), SKPImage(demo)));

    SkelModel hip = HipModel(4);
    Save("pair", "hip.pair", Pair(SKMImage(hip), SKPImage(hip)));
    Save("pair", "hip_reversed.pair", Pair(ReversedSKM(hip), ReversedSKP(hip)));

    SkelModel single = HipModel(1);
    Save("pair", "one_frame.pair", Pair(SKMImage(single), SKPImage(single)));

    SkelModel bare;
    AddBone(&bare, "a", -1, 0);
    AddBone(&bare, "b", 0, 0);
    AddFrames(&bare, 0);
    Save("pair", "no_frames_no_meshes.pair", Pair(SKMImage(bare), SKPImage(bare)));

    // A bone count in the SKM file that the SKP file does not share.
    SkelModel mismatch = HipModel(2);
    Bytes skm = SKMImage(mismatch);
    SetWord(&skm, 12, 40);
    Save("pair", "bone_counts_differ.pair", Pair(skm, SKPImage(mismatch)));
}

void WriteTGASeeds() {
    Save("tga", "rgb_2x2.tga", TGA(2, 2, 24));
    Save("tga", "rgba_3x1.tga", TGA(3, 1, 32));
    Save("tga", "rgb_odd_rows_3x3.tga", TGA(3, 3, 24));
    Bytes footer = TGA(1, 1, 32);
    const char tail[] = "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.";
    footer.insert(footer.end(), tail, tail + sizeof tail);
    Save("tga", "with_footer.tga", footer);
    Save("tga", "rle.tga", TGA(2, 2, 24, 10));
    Save("tga", "sixteen_bits.tga", TGA(2, 2, 16));
    Save("tga", "cut_pixels.tga", Truncated(TGA(4, 4, 32), 18 + 4 * 4 * 4 - 1));
    Bytes wide = TGA(1, 1, 24);
    wide[13] = 0xFF; // 65281 pixels wide, with three bytes of pixels
    Save("tga", "wide_header.tga", wide);
    Bytes mapped = TGA(2, 1, 24, 1);
    mapped[1] = 1;
    Save("tga", "colour_mapped.tga", mapped);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 || strcmp(argv[1], "--help") == 0) {
        fprintf(argc == 2 ? stdout : stderr,
                "usage: make_seeds DIR\nwrites the seed corpora into DIR/skm, DIR/skp, "
                "DIR/pair and DIR/tga\n");
        return argc == 2 ? 0 : 2;
    }
    OutDir = argv[1];
    mkdir(OutDir.c_str(), 0777);
    SkelModel demo;
    BuildSampleModel(&demo);
    WriteSKMSeeds(demo);
    WriteSKPSeeds(demo);
    WritePairSeeds(demo);
    WriteTGASeeds();
    printf("make_seeds: %d files in %s\n", Written, OutDir.c_str());
    return 0;
}
