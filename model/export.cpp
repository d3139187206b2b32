// The SKP and SKM exporters and their output primitives. Owns the static
// 16 MB OutputBuffer and its cursor; an export sizes the image first, builds
// it in the buffer, and replaces the target file only after a complete write
// (through the one atomic writer, model/file_io).
#include "model/export.h"

#include "model/file_io.h"
#include "model/format.h"

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

namespace {

// The exporters' lines for a failed write: the one naming where it failed,
// then why.
std::string WriteFailureLines(const char* path, WriteFailure failure, const std::string& reason) {
    if (failure == WRITE_FAILED_OPEN)
        return FormatText("unable to open file \"%s\" for writing\n%s\n", path, reason.c_str());
    return FormatText("unable to write file \"%s\"\n%s\n", path, reason.c_str());
}

} // namespace

bool WriteDataFile(const char* path, const unsigned char* data, size_t size) {
    std::string reason;
    WriteFailure failure = WRITE_FAILED_OPEN;
    if (WriteFileAtomic(path, data, size, &reason, &failure)) return true;
    fputs(WriteFailureLines(path, failure, reason).c_str(), stdout);
    return false;
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

using ImageBuilder = int64_t (*)(const SkelModel*, std::string*);

bool WriteImage(SkelModel* model, const char* path, const char* kind, ImageBuilder build) {
    std::string reason;
    int64_t size = build(model, &reason);
    if (size < 0) {
        printf("unable to export %s file \"%s\": %s; nothing written\n", kind, path,
               reason.c_str());
        return false;
    }
    printf("file size: %5ik\n", (int)((size + 1023) / 1024));
    if (!WriteDataFile(path, OutputBuffer, (size_t)size)) return false;
    printf("wrote %s file\n", kind);
    return true;
}

// One file of a pair being written: its console lines so far and its data in
// a temporary file, waiting for the other.
struct PairPart {
    const char* path;
    const char* kind;
    std::string lines;
    StagedFile staged;
    bool ready = false;
};

void StageImage(SkelModel* model, ImageBuilder build, PairPart* part) {
    std::string reason;
    int64_t size = build(model, &reason);
    if (size < 0) {
        part->lines = FormatText("unable to export %s file \"%s\": %s; nothing written\n",
                                 part->kind, part->path, reason.c_str());
        return;
    }
    part->lines = FormatText("file size: %5ik\n", (int)((size + 1023) / 1024));
    WriteFailure failure = WRITE_FAILED_OPEN;
    part->ready =
        StageFile(part->path, OutputBuffer, (size_t)size, &part->staged, &reason, &failure);
    if (!part->ready) part->lines += WriteFailureLines(part->path, failure, reason);
}

} // namespace

bool WriteSKPFile(SkelModel* model, const char* path) {
    return WriteImage(model, path, "SKP", BuildSKPImage);
}

bool WriteSKMFile(SkelModel* model, const char* path) {
    return WriteImage(model, path, "SKM", BuildSKMImage);
}

bool WriteModelPair(SkelModel* model, const char* skmPath, const char* skpPath) {
    // Both images go to temporary files first (they share OutputBuffer, so
    // each is written out before the next is built); only when both are
    // complete do they replace their targets, together.
    PairPart parts[2];
    parts[0].path = skmPath;
    parts[0].kind = "SKM";
    parts[1].path = skpPath;
    parts[1].kind = "SKP";
    StageImage(model, BuildSKMImage, &parts[0]);
    StageImage(model, BuildSKPImage, &parts[1]);
    std::string reason;
    bool written = false;
    if (parts[0].ready && parts[1].ready) {
        StagedFile* both[] = {&parts[0].staged, &parts[1].staged};
        written = CommitStagedFiles(both, 2, &reason);
    }
    std::string out;
    for (PairPart& part : parts) {
        out += part.lines;
        if (written)
            out += FormatText("wrote %s file\n", part.kind);
        else if (part.ready && reason.empty())
            out += FormatText("\"%s\" not written: a model pair is written whole or not at all\n",
                              part.path);
    }
    if (!reason.empty()) {
        for (PairPart& part : parts) out += FormatText("unable to write file \"%s\"\n", part.path);
        out += reason + "\n";
    }
    fputs(out.c_str(), stdout);
    return written;
}

void WriteSKP(SkelModel* model) { WriteSKPFile(model, "data/out.skp"); }

void WriteSKM(SkelModel* model) { WriteSKMFile(model, "data/out.skm"); }
