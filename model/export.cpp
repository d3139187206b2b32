// The SKP and SKM exporters and their output primitives. Owns the static
// 16 MB OutputBuffer and its cursor; an export sizes the image first, builds
// it in the buffer, and replaces the target file only after a complete write.
#include "model/export.h"

#include "model/format.h"

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

bool WeightsInPool(const SkelMesh& mesh, const SkelVertex& v) {
    if (v.numweights == 0) return true;
    if (!v.weights || mesh.weightpool.empty()) return false;
    const BoneWeight* base = mesh.weightpool.data();
    const BoneWeight* end = base + mesh.weightpool.size();
    return v.weights >= base && v.weights <= end && v.numweights <= end - v.weights;
}

} // namespace

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
            *reason =
                FormatText("frame %lld has fewer poses than the model has bones", (long long)f);
            return -1;
        }
    }
    return (int64_t)SKP_HEADER_SIZE + (int64_t)BONE_RECORD_SIZE * numbones +
           (int64_t)FRAME_HEADER_SIZE * numframes + (int64_t)POSE_SIZE * numbones * numframes;
}

int64_t SKMImageSize(const SkelModel* model, std::string* reason) {
    int64_t nummeshes = model->nummeshes;
    if (nummeshes < 0 || (size_t)nummeshes > model->meshes.size()) {
        *reason = "the model's mesh count does not match its array";
        return -1;
    }
    int64_t size = (int64_t)SKM_HEADER_SIZE + (int64_t)MESH_HEADER_SIZE * nummeshes;
    for (int64_t i = 0; i < nummeshes; i++) {
        const SkelMesh& mesh = model->meshes[i];
        int64_t numverts = mesh.numverts, numtris = mesh.numtris,
                numreferences = mesh.numreferences;
        if (numverts < 0 || numtris < 0 || numreferences < 0 ||
            (size_t)numverts > mesh.verts.size() || (size_t)numverts * 2 > mesh.texcoords.size() ||
            (size_t)numtris * 3 > mesh.indices.size() ||
            (size_t)numreferences > mesh.references.size()) {
            *reason = FormatText("mesh %lld's counts do not match its arrays", (long long)i);
            return -1;
        }
        int64_t numweights = 0;
        for (int64_t v = 0; v < numverts; v++) {
            const SkelVertex& vertex = mesh.verts[v];
            if (vertex.numweights < 0 || !WeightsInPool(mesh, vertex)) {
                *reason = FormatText("vertex %lld of mesh %lld has weights outside its mesh",
                                     (long long)v, (long long)i);
                return -1;
            }
            numweights += vertex.numweights;
        }
        size += 4 * numverts + (int64_t)WEIGHT_SIZE * numweights + 8 * numverts + 12 * numtris +
                4 * numreferences;
    }
    return size;
}

namespace {

bool FitsBuffer(int64_t size, const char* kind, std::string* reason) {
    if (size <= MAX_FILESIZE) return true;
    *reason = FormatText("the %s image would take %lld bytes, more than the %i-byte limit", kind,
                         (long long)size, MAX_FILESIZE);
    return false;
}

} // namespace

namespace {

// The builders below write straight into OutputBuffer at computed offsets:
// the image size is checked before anything is written, so no write needs a
// bounds check. The bytes are those that the cursor primitives would lay down.

inline void StoreWord(unsigned char* at, uint32_t value) {
    at[0] = (unsigned char)value;
    at[1] = (unsigned char)(value >> 8);
    at[2] = (unsigned char)(value >> 16);
    at[3] = (unsigned char)(value >> 24);
}

// PutFloat's rule: zero of either sign and NaN become 0. Tested on the bits
// (magnitude 0 wraps to the top; NaN lies above infinity) so that the loops
// need no floating-point compares.
inline uint32_t ExportBits(float value) {
    uint32_t bits;
    memcpy(&bits, &value, sizeof bits);
    return (bits & 0x7fffffffu) - 1u >= 0x7f800000u ? 0u : bits;
}

inline void StoreFloats(unsigned char* at, const float* values, int count) {
    for (int k = 0; k < count; k++) StoreWord(at + 4 * k, ExportBits(values[k]));
}

inline void StoreName(unsigned char* at, const char* text) {
    size_t n = strnlen(text, NAME_LEN);
    memcpy(at, text, n);
    memset(at + n, 0, NAME_LEN - n);
}

void StoreHeader(int32_t numwords, const int32_t* words) {
    memcpy(OutputBuffer, "SKM1", 4);
    for (int32_t k = 0; k < numwords; k++) StoreWord(OutputBuffer + 4 + 4 * k, (uint32_t)words[k]);
}

} // namespace

int64_t BuildSKPImage(const SkelModel* model, std::string* reason) {
    int64_t size = SKPImageSize(model, reason);
    if (size < 0 || !FitsBuffer(size, "SKP", reason)) return -1;
    const int32_t numbones = model->numbones, numframes = model->numframes;
    const int32_t ofsbones = (int32_t)SKP_HEADER_SIZE;
    const int32_t ofsframes = ofsbones + (int32_t)BONE_RECORD_SIZE * numbones;
    const int32_t header[] = {SKM_TYPE, (int32_t)size, numbones, numframes, ofsbones, ofsframes};
    StoreHeader(6, header);

    unsigned char* out = OutputBuffer + ofsbones;
    for (int32_t i = 0; i < numbones; i++, out += BONE_RECORD_SIZE) {
        const SkelBone& bone = model->bones[i];
        StoreName(out, bone.name);
        StoreWord(out + 64, (uint32_t)bone.parent);
        StoreWord(out + 68, bone.flags);
    }
    // Frame headers, then each frame's poses in frame order.
    int32_t ofsposes = ofsframes + (int32_t)FRAME_HEADER_SIZE * numframes;
    for (int32_t f = 0; f < numframes; f++) {
        const PoseFrame& frame = model->frames[f];
        unsigned char* fh = OutputBuffer + ofsframes + FRAME_HEADER_SIZE * f;
        StoreName(fh, frame.name);
        StoreWord(fh + 64, (uint32_t)ofsposes);
        out = OutputBuffer + ofsposes;
        for (int32_t j = 0; j < numbones; j++, out += POSE_SIZE) {
            StoreFloats(out, frame.poses[j].quat, 4);
            StoreFloats(out + 16, frame.poses[j].origin, 3);
        }
        ofsposes += (int32_t)POSE_SIZE * numbones;
    }
    OutputCursor = (int32_t)size;
    return size;
}

int64_t BuildSKMImage(const SkelModel* model, std::string* reason) {
    int64_t size = SKMImageSize(model, reason);
    if (size < 0 || !FitsBuffer(size, "SKM", reason)) return -1;
    const int32_t nummeshes = model->nummeshes;
    const int32_t ofsmeshes = (int32_t)SKM_HEADER_SIZE;
    const int32_t header[] = {SKM_TYPE, (int32_t)size, model->numbones, nummeshes, ofsmeshes};
    StoreHeader(5, header);

    // Each mesh's blocks follow all mesh headers: vertices, texture
    // coordinates, triangles, bone references.
    unsigned char* out = OutputBuffer + ofsmeshes + MESH_HEADER_SIZE * nummeshes;
    for (int32_t i = 0; i < nummeshes; i++) {
        const SkelMesh& mesh = model->meshes[i];
        int32_t ofsverts = (int32_t)(out - OutputBuffer);
        for (int32_t v = 0; v < mesh.numverts; v++) {
            const SkelVertex& vertex = mesh.verts[v];
            StoreWord(out, (uint32_t)vertex.numweights);
            out += 4;
            for (int32_t w = 0; w < vertex.numweights; w++, out += WEIGHT_SIZE) {
                const BoneWeight& weight = vertex.weights[w];
                StoreFloats(out, weight.origin, 3);
                StoreWord(out + 12, ExportBits(weight.influence));
                StoreFloats(out + 16, weight.normal, 3);
                StoreWord(out + 28, (uint32_t)weight.bonenum);
            }
        }
        int32_t ofstexcoords = (int32_t)(out - OutputBuffer);
        for (int32_t t = 0; t < mesh.numverts * 2; t++, out += 4)
            StoreWord(out, ExportBits(mesh.texcoords[t]));
        int32_t ofsindices = (int32_t)(out - OutputBuffer);
        for (int32_t t = 0; t < mesh.numtris * 3; t++, out += 4)
            StoreWord(out, (uint32_t)mesh.indices[t]);
        int32_t ofsreferences = (int32_t)(out - OutputBuffer);
        for (int32_t r = 0; r < mesh.numreferences; r++, out += 4)
            StoreWord(out, (uint32_t)mesh.references[r]);

        unsigned char* mh = OutputBuffer + ofsmeshes + MESH_HEADER_SIZE * i;
        StoreName(mh, mesh.skinname);
        StoreName(mh + 64, mesh.meshname);
        const int32_t fields[] = {mesh.numverts, mesh.numtris, mesh.numreferences, ofsverts,
                                  ofstexcoords,  ofsindices,   ofsreferences};
        for (int k = 0; k < 7; k++) StoreWord(mh + 128 + 4 * k, (uint32_t)fields[k]);
    }
    OutputCursor = (int32_t)size;
    return size;
}

namespace {

bool WriteImage(SkelModel* model, const char* path, const char* kind,
                int64_t (*build)(const SkelModel*, std::string*)) {
    std::string reason;
    int64_t size = build(model, &reason);
    if (size < 0) {
        printf("unable to export %s file \"%s\": %s; nothing written\n", kind, path,
               reason.c_str());
        return false;
    }
    printf("file size: %5ik\n", (int)((size + 1023) / 1024));
    bool ok = WriteDataFile(path, OutputBuffer, (size_t)size);
    printf("wrote %s file\n", kind);
    return ok;
}

} // namespace

bool WriteSKPFile(SkelModel* model, const char* path) {
    return WriteImage(model, path, "SKP", BuildSKPImage);
}

bool WriteSKMFile(SkelModel* model, const char* path) {
    return WriteImage(model, path, "SKM", BuildSKMImage);
}

void WriteSKP(SkelModel* model) { WriteSKPFile(model, "data/out.skp"); }

void WriteSKM(SkelModel* model) { WriteSKMFile(model, "data/out.skm"); }
