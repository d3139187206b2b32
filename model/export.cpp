// The SKP and SKM exporters and their output primitives. Owns the static
// 16 MB OutputBuffer and its cursor; an export sizes the image first, builds
// it in the buffer, and replaces the target file only after a complete write.
#include "model/export.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

unsigned char OutputBuffer[MAX_FILESIZE];
int32_t OutputCursor = 0;

namespace {

constexpr int32_t SKM_TYPE = 2;
constexpr int64_t SKM_HEADER_SIZE = 24;
constexpr int64_t SKP_HEADER_SIZE = 28;
constexpr int64_t MESH_HEADER_SIZE = 156;
constexpr int64_t WEIGHT_SIZE = 32;
constexpr int64_t BONE_RECORD_SIZE = 72;
constexpr int64_t FRAME_HEADER_SIZE = 68;
constexpr int64_t POSE_SIZE = 28;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

bool WeightsInPool(const SkelMesh& mesh, const SkelVertex& v) {
    if (v.numweights == 0) return true;
    if (!v.weights || mesh.weightpool.empty()) return false;
    const BoneWeight* base = mesh.weightpool.data();
    const BoneWeight* end = base + mesh.weightpool.size();
    return v.weights >= base && v.weights <= end && v.numweights <= end - v.weights;
}

}  // namespace

void ResetOutput() { OutputCursor = 0; }

int32_t OutputTell() { return OutputCursor; }

void OutputSeek(int32_t pos) { OutputCursor = pos; }

void PutInt(int32_t value) {
    uint32_t bits = (uint32_t)value;
    if (OutputCursor >= 0 && OutputCursor <= MAX_FILESIZE - 4) {
        unsigned char* out = OutputBuffer + OutputCursor;
        out[0] = (unsigned char)bits;
        out[1] = (unsigned char)(bits >> 8);
        out[2] = (unsigned char)(bits >> 16);
        out[3] = (unsigned char)(bits >> 24);
    }
    OutputCursor += 4;
}

void PutFloat(float value) {
    // Negative zero and NaN payloads would not survive a text round trip of
    // the model; both are stored as plain 0.
    if (value == 0.0f || std::isnan(value)) {
        PutInt(0);
        return;
    }
    int32_t bits;
    memcpy(&bits, &value, sizeof bits);
    PutInt(bits);
}

void PutName(const char* text, int length) {
    if (length <= 0) return;
    size_t n = text ? strnlen(text, (size_t)length) : 0;
    if (OutputCursor >= 0 && OutputCursor <= MAX_FILESIZE - length) {
        if (n) memcpy(OutputBuffer + OutputCursor, text, n);
        memset(OutputBuffer + OutputCursor + n, 0, (size_t)length - n);
    }
    OutputCursor += length;
}

bool WriteDataFile(const char* path, const unsigned char* data, size_t size) {
    std::string temp = std::string(path) + ".tmp-XXXXXX";
    int fd = mkstemp(&temp[0]);
    if (fd < 0) {
        printf("unable to open file \"%s\" for writing\n", path);
        return false;
    }
    // mkstemp creates the file private to its owner; give it the mode a
    // plain fopen would, or the mode of the file it replaces.
    struct stat old;
    mode_t mode;
    if (stat(path, &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    fchmod(fd, mode);
    FILE* file = fdopen(fd, "wb");
    if (!file) {
        close(fd);
        unlink(temp.c_str());
        printf("unable to open file \"%s\" for writing\n", path);
        return false;
    }
    size_t written = size ? fwrite(data, 1, size, file) : 0;
    bool closed = fclose(file) == 0;
    if (written < size || !closed || rename(temp.c_str(), path) != 0) {
        unlink(temp.c_str());
        printf("unable to write file \"%s\"\n", path);
        return false;
    }
    return true;
}

int64_t SKPImageSize(const SkelModel* model, std::string* reason) {
    int64_t numbones = model->numbones, numframes = model->numframes;
    if (numbones < 0 || numframes < 0 || (size_t)numbones > model->bones.size() ||
        (size_t)numframes > model->frames.size()) {
        *reason = "the model's bone or frame count does not match its arrays";
        return -1;
    }
    for (int64_t f = 0; f < numframes; f++) {
        if (model->frames[f].poses.size() < (size_t)numbones) {
            *reason = Format("frame %lld has fewer poses than the model has bones", (long long)f);
            return -1;
        }
    }
    return SKP_HEADER_SIZE + BONE_RECORD_SIZE * numbones + FRAME_HEADER_SIZE * numframes +
           POSE_SIZE * numbones * numframes;
}

int64_t SKMImageSize(const SkelModel* model, std::string* reason) {
    int64_t nummeshes = model->nummeshes;
    if (nummeshes < 0 || (size_t)nummeshes > model->meshes.size()) {
        *reason = "the model's mesh count does not match its array";
        return -1;
    }
    int64_t size = SKM_HEADER_SIZE + MESH_HEADER_SIZE * nummeshes;
    for (int64_t i = 0; i < nummeshes; i++) {
        const SkelMesh& mesh = model->meshes[i];
        int64_t numverts = mesh.numverts, numtris = mesh.numtris, numreferences = mesh.numreferences;
        if (numverts < 0 || numtris < 0 || numreferences < 0 || (size_t)numverts > mesh.verts.size() ||
            (size_t)numverts * 2 > mesh.texcoords.size() || (size_t)numtris * 3 > mesh.indices.size() ||
            (size_t)numreferences > mesh.references.size()) {
            *reason = Format("mesh %lld's counts do not match its arrays", (long long)i);
            return -1;
        }
        int64_t numweights = 0;
        for (int64_t v = 0; v < numverts; v++) {
            const SkelVertex& vertex = mesh.verts[v];
            if (vertex.numweights < 0 || !WeightsInPool(mesh, vertex)) {
                *reason = Format("vertex %lld of mesh %lld has weights outside its mesh", (long long)v,
                                 (long long)i);
                return -1;
            }
            numweights += vertex.numweights;
        }
        size += 4 * numverts + WEIGHT_SIZE * numweights + 8 * numverts + 12 * numtris + 4 * numreferences;
    }
    return size;
}

namespace {

bool FitsBuffer(int64_t size, const char* kind, std::string* reason) {
    if (size <= MAX_FILESIZE) return true;
    *reason = Format("the %s image would take %lld bytes, more than the %i-byte limit", kind, (long long)size,
                     MAX_FILESIZE);
    return false;
}

}  // namespace

int64_t BuildSKPImage(const SkelModel* model, std::string* reason) {
    int64_t expected = SKPImageSize(model, reason);
    if (expected < 0 || !FitsBuffer(expected, "SKP", reason)) return -1;

    ResetOutput();
    PutName("SKM1", 4);
    PutInt(SKM_TYPE);
    int32_t sizeAt = OutputTell();
    PutInt(0);
    PutInt(model->numbones);
    PutInt(model->numframes);
    int32_t offsetsAt = OutputTell();
    PutInt(0);
    PutInt(0);

    int32_t ofsbones = OutputTell();
    for (int32_t i = 0; i < model->numbones; i++) {
        const SkelBone& bone = model->bones[i];
        PutName(bone.name, NAME_LEN);
        PutInt(bone.parent);
        PutInt((int32_t)bone.flags);
    }

    int32_t ofsframes = OutputTell();
    OutputSeek(ofsframes + (int32_t)FRAME_HEADER_SIZE * model->numframes);
    for (int32_t f = 0; f < model->numframes; f++) {
        const PoseFrame& frame = model->frames[f];
        int32_t ofsposes = OutputTell();
        for (int32_t j = 0; j < model->numbones; j++) {
            const BonePose& pose = frame.poses[j];
            for (float q : pose.quat) PutFloat(q);
            for (float o : pose.origin) PutFloat(o);
        }
        int32_t end = OutputTell();
        OutputSeek(ofsframes + (int32_t)FRAME_HEADER_SIZE * f);
        PutName(frame.name, NAME_LEN);
        PutInt(ofsposes);
        OutputSeek(end);
    }

    int32_t size = OutputTell();
    OutputSeek(offsetsAt);
    PutInt(ofsbones);
    PutInt(ofsframes);
    OutputSeek(sizeAt);
    PutInt(size);
    OutputSeek(size);
    return size;
}

int64_t BuildSKMImage(const SkelModel* model, std::string* reason) {
    int64_t expected = SKMImageSize(model, reason);
    if (expected < 0 || !FitsBuffer(expected, "SKM", reason)) return -1;

    ResetOutput();
    PutName("SKM1", 4);
    PutInt(SKM_TYPE);
    int32_t sizeAt = OutputTell();
    PutInt(0);
    PutInt(model->numbones);
    PutInt(model->nummeshes);
    int32_t offsetAt = OutputTell();
    PutInt(0);

    int32_t ofsmeshes = OutputTell();
    OutputSeek(ofsmeshes + (int32_t)MESH_HEADER_SIZE * model->nummeshes);
    for (int32_t i = 0; i < model->nummeshes; i++) {
        const SkelMesh& mesh = model->meshes[i];
        int32_t ofsverts = OutputTell();
        for (int32_t v = 0; v < mesh.numverts; v++) {
            const SkelVertex& vertex = mesh.verts[v];
            PutInt(vertex.numweights);
            for (int32_t w = 0; w < vertex.numweights; w++) {
                const BoneWeight& weight = vertex.weights[w];
                for (float o : weight.origin) PutFloat(o);
                PutFloat(weight.influence);
                for (float n : weight.normal) PutFloat(n);
                PutInt(weight.bonenum);
            }
        }
        int32_t ofstexcoords = OutputTell();
        for (int32_t t = 0; t < mesh.numverts * 2; t++) PutFloat(mesh.texcoords[t]);
        int32_t ofsindices = OutputTell();
        for (int32_t t = 0; t < mesh.numtris * 3; t++) PutInt(mesh.indices[t]);
        int32_t ofsreferences = OutputTell();
        for (int32_t r = 0; r < mesh.numreferences; r++) PutInt(mesh.references[r]);

        int32_t end = OutputTell();
        OutputSeek(ofsmeshes + (int32_t)MESH_HEADER_SIZE * i);
        PutName(mesh.skinname, NAME_LEN);
        PutName(mesh.meshname, NAME_LEN);
        PutInt(mesh.numverts);
        PutInt(mesh.numtris);
        PutInt(mesh.numreferences);
        PutInt(ofsverts);
        PutInt(ofstexcoords);
        PutInt(ofsindices);
        PutInt(ofsreferences);
        OutputSeek(end);
    }

    int32_t size = OutputTell();
    OutputSeek(offsetAt);
    PutInt(ofsmeshes);
    OutputSeek(sizeAt);
    PutInt(size);
    OutputSeek(size);
    return size;
}

namespace {

bool WriteImage(SkelModel* model, const char* path, const char* kind,
                int64_t (*build)(const SkelModel*, std::string*)) {
    std::string reason;
    int64_t size = build(model, &reason);
    if (size < 0) {
        printf("unable to export %s file \"%s\": %s; nothing written\n", kind, path, reason.c_str());
        return false;
    }
    printf("file size: %5ik\n", (int)((size + 1023) / 1024));
    bool ok = WriteDataFile(path, OutputBuffer, (size_t)size);
    printf("wrote %s file\n", kind);
    return ok;
}

}  // namespace

bool WriteSKPFile(SkelModel* model, const char* path) { return WriteImage(model, path, "SKP", BuildSKPImage); }

bool WriteSKMFile(SkelModel* model, const char* path) { return WriteImage(model, path, "SKM", BuildSKMImage); }

void WriteSKP(SkelModel* model) { WriteSKPFile(model, "data/out.skp"); }

void WriteSKM(SkelModel* model) { WriteSKMFile(model, "data/out.skm"); }
