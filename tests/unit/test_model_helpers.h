// Helpers for the model tests: little-endian byte poking, a writer that lays
// an SKM or SKP image out in a chosen order with gaps (independent of the
// exporters), model comparison through the exports, and temp dirs.
#pragma once
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "model/export.h"
#include "model/model.h"
#include "session/export.h"

using Image = std::vector<unsigned char>;

inline void PokeWord(Image* img, size_t at, uint32_t v) {
    if (img->size() < at + 4) img->resize(at + 4, 0);
    for (int k = 0; k < 4; k++) (*img)[at + k] = (unsigned char)(v >> (8 * k));
}
inline void PokeInt(Image* img, size_t at, int32_t v) { PokeWord(img, at, (uint32_t)v); }
inline void PokeFloat(Image* img, size_t at, float f) {
    uint32_t bits;
    memcpy(&bits, &f, 4);
    PokeWord(img, at, bits);
}
inline void PokeName(Image* img, size_t at, const char* field) {
    if (img->size() < at + NAME_LEN) img->resize(at + NAME_LEN, 0);
    memcpy(img->data() + at, field, NAME_LEN);
}
inline uint32_t PeekWord(const unsigned char* data, size_t at) {
    return (uint32_t)data[at] | (uint32_t)data[at + 1] << 8 | (uint32_t)data[at + 2] << 16 |
           (uint32_t)data[at + 3] << 24;
}
inline int32_t PeekInt(const unsigned char* data, size_t at) { return (int32_t)PeekWord(data, at); }
inline float PeekFloat(const unsigned char* data, size_t at) {
    uint32_t bits = PeekWord(data, at);
    float f;
    memcpy(&f, &bits, 4);
    return f;
}

// Gives each block an offset from start, in shuffled order with up to
// maxGap bytes between them; returns the end of the last block. With maxGap
// 0 the blocks stay in the exporters' order, back to back.
inline size_t PlaceBlocks(std::vector<size_t>* offsets, const std::vector<size_t>& sizes,
                          size_t start, std::mt19937* rng, int maxGap) {
    std::vector<size_t> order(sizes.size());
    for (size_t i = 0; i < order.size(); i++) order[i] = i;
    if (maxGap > 0) std::shuffle(order.begin(), order.end(), *rng);
    offsets->assign(sizes.size(), 0);
    size_t at = start;
    for (size_t i : order) {
        at += maxGap ? (size_t)((*rng)() % (unsigned)(maxGap + 1)) : 0;
        (*offsets)[i] = at;
        at += sizes[i];
    }
    return at;
}

// The exporters' image of model (SKM or SKP); empty, with a failure, when
// the exporter refuses the model.
inline Image ExportImage(const SkelModel& model, bool skm) {
    std::string reason;
    int64_t size = 0;
    bool built = skm ? BuildSKMImage(&model, OutputBuffer, MAX_FILESIZE, &size, &reason)
                     : BuildSKPImage(&model, OutputBuffer, MAX_FILESIZE, &size, &reason);
    EXPECT_TRUE(built) << reason;
    return built ? Image(OutputBuffer, OutputBuffer + size) : Image();
}

inline void FillJunk(Image* img, std::mt19937* rng) {
    for (unsigned char& b : *img) b = (unsigned char)((*rng)() & 0xff);
}

// An SKM image of model with the mesh header table and every mesh block at
// shuffled places, junk in the gaps. Raw float bits are kept.
inline Image LayOutSKM(const SkelModel& model, std::mt19937* rng, int maxGap) {
    std::vector<size_t> sizes;
    sizes.push_back(156 * (size_t)model.nummeshes);
    for (const SkelMesh& mesh : model.meshes) {
        size_t verts = 0;
        for (int32_t v = 0; v < mesh.numverts; v++)
            verts += 4 + 32 * (size_t)mesh.verts[v].numweights;
        sizes.push_back(verts);
        sizes.push_back(8 * (size_t)mesh.numverts);
        sizes.push_back(12 * (size_t)mesh.numtris);
        sizes.push_back(4 * (size_t)mesh.numreferences);
    }
    std::vector<size_t> at;
    size_t end = PlaceBlocks(&at, sizes, 24, rng, maxGap);
    Image img(end + (maxGap ? 7 : 0));
    FillJunk(&img, rng);
    memcpy(img.data(), "SKM1", 4);
    PokeInt(&img, 4, 2);
    PokeInt(&img, 8, (int32_t)img.size());
    PokeInt(&img, 12, model.numbones);
    PokeInt(&img, 16, model.nummeshes);
    PokeInt(&img, 20, (int32_t)at[0]);
    for (int32_t m = 0; m < model.nummeshes; m++) {
        const SkelMesh& mesh = model.meshes[m];
        size_t h = at[0] + 156 * (size_t)m;
        size_t* blocks = &at[1 + 4 * (size_t)m];
        PokeName(&img, h, mesh.skinname);
        PokeName(&img, h + 64, mesh.meshname);
        PokeInt(&img, h + 128, mesh.numverts);
        PokeInt(&img, h + 132, mesh.numtris);
        PokeInt(&img, h + 136, mesh.numreferences);
        for (int k = 0; k < 4; k++) PokeInt(&img, h + 140 + 4 * k, (int32_t)blocks[k]);
        size_t p = blocks[0];
        for (int32_t v = 0; v < mesh.numverts; v++) {
            const SkelVertex& vertex = mesh.verts[v];
            PokeInt(&img, p, vertex.numweights);
            p += 4;
            for (int32_t w = 0; w < vertex.numweights; w++) {
                const BoneWeight& bw = vertex.weights[w];
                for (int k = 0; k < 3; k++) PokeFloat(&img, p + 4 * k, bw.origin[k]);
                PokeFloat(&img, p + 12, bw.influence);
                for (int k = 0; k < 3; k++) PokeFloat(&img, p + 16 + 4 * k, bw.normal[k]);
                PokeInt(&img, p + 28, bw.bonenum);
                p += 32;
            }
        }
        for (int32_t t = 0; t < mesh.numverts * 2; t++)
            PokeFloat(&img, blocks[1] + 4 * t, mesh.texcoords[t]);
        for (int32_t t = 0; t < mesh.numtris * 3; t++)
            PokeInt(&img, blocks[2] + 4 * t, mesh.indices[t]);
        for (int32_t r = 0; r < mesh.numreferences; r++)
            PokeInt(&img, blocks[3] + 4 * r, mesh.references[r]);
    }
    return img;
}

// An SKP image with the bone table, the frame header table and each frame's
// poses at shuffled places.
inline Image LayOutSKP(const SkelModel& model, std::mt19937* rng, int maxGap) {
    std::vector<size_t> sizes = {72 * (size_t)model.numbones, 68 * (size_t)model.numframes};
    for (int32_t f = 0; f < model.numframes; f++) sizes.push_back(28 * (size_t)model.numbones);
    std::vector<size_t> at;
    size_t end = PlaceBlocks(&at, sizes, 28, rng, maxGap);
    Image img(end + (maxGap ? 5 : 0));
    FillJunk(&img, rng);
    memcpy(img.data(), "SKM1", 4);
    PokeInt(&img, 4, 2);
    PokeInt(&img, 8, (int32_t)img.size());
    PokeInt(&img, 12, model.numbones);
    PokeInt(&img, 16, model.numframes);
    PokeInt(&img, 20, (int32_t)at[0]);
    PokeInt(&img, 24, (int32_t)at[1]);
    for (int32_t i = 0; i < model.numbones; i++) {
        size_t r = at[0] + 72 * (size_t)i;
        PokeName(&img, r, model.bones[i].name);
        PokeInt(&img, r + 64, model.bones[i].parent);
        PokeWord(&img, r + 68, model.bones[i].flags);
    }
    for (int32_t f = 0; f < model.numframes; f++) {
        size_t h = at[1] + 68 * (size_t)f;
        PokeName(&img, h, model.frames[f].name);
        PokeInt(&img, h + 64, (int32_t)at[2 + f]);
        for (int32_t i = 0; i < model.numbones; i++) {
            const BonePose& pose = model.frames[f].poses[i];
            size_t p = at[2 + f] + 28 * (size_t)i;
            for (int k = 0; k < 4; k++) PokeFloat(&img, p + 4 * k, pose.quat[k]);
            for (int k = 0; k < 3; k++) PokeFloat(&img, p + 16 + 4 * k, pose.origin[k]);
        }
    }
    return img;
}

// b agrees with a in everything the files hold (b as read back from a's
// export, or from an image laid out from a): their exports are the same
// bytes. The exporters write every field and are checked byte for byte
// against LayOutSKM/LayOutSKP, and store zero of either sign and NaN as +0,
// the one change a write and read may make.
inline void ExpectSameMeshes(const SkelModel& a, const SkelModel& b) {
    EXPECT_EQ(ExportImage(a, true), ExportImage(b, true));
}

inline void ExpectSameModel(const SkelModel& a, const SkelModel& b) {
    ExpectSameMeshes(a, b);
    EXPECT_EQ(ExportImage(a, false), ExportImage(b, false));
}

// A fresh directory under the test's temp dir, removed with its files.
struct TempDir {
    std::string path;
    TempDir() {
        std::string pattern = ::testing::TempDir() + "boneloom_model_XXXXXX";
        char* made = mkdtemp(&pattern[0]);
        path = made ? made : "";
    }
    ~TempDir() {
        if (!path.empty()) std::system(("rm -rf '" + path + "'").c_str());
    }
    std::string File(const char* name) const { return path + "/" + name; }
};

inline Image ReadWhole(const std::string& path) {
    Image bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return bytes;
    unsigned char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    fclose(f);
    return bytes;
}

inline void WriteWhole(const std::string& path, const Image& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_TRUE(f) << path;
    if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

// The names in dir, sorted.
inline std::vector<std::string> Listing(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    while (struct dirent* e = d ? readdir(d) : nullptr)
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
    if (d) closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}
