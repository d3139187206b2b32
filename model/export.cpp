// The SKP and SKM exporters. An export checks the model and sizes the image
// first, lays it down in the caller's buffer through a ByteWriter (the record layouts of
// model/format.h), and replaces the target file only after a complete write (through the one atomic
// writer, model/file_io).
#include "model/export.h"

#include <cstring>
#include <string>

#include "model/file_io.h"
#include "model/format.h"
#include "model/validate.h"

namespace {

// The exporters' lines for a failed write: the one naming where it failed,
// then why.
std::string WriteFailureLines(const char* path, WriteFailure failure, const std::string& reason) {
    if (failure == WRITE_FAILED_OPEN)
        return FormatText("unable to open file \"%s\" for writing\n%s\n", path, reason.c_str());
    return FormatText("unable to write file \"%s\"\n%s\n", path, reason.c_str());
}

// The exporter's reason for refusing the model over fault f.
std::string ExportRefusal(const ModelFault& f) {
    switch (f.kind) {
        case FAULT_BONE_COUNT:
        case FAULT_FRAME_COUNT:
            return "the model's bone or frame count does not match its arrays";
        case FAULT_POSE_COUNT:
            return FormatText("frame %i has %s poses than the model has bones", f.item,
                              f.value < f.held ? "fewer" : "more");
        case FAULT_MESH_COUNT:
            return "the model's mesh count does not match its array";
        case FAULT_VERTEX_COUNT:
        case FAULT_TRIANGLE_COUNT:
        case FAULT_REFERENCE_COUNT:
            return FormatText("mesh %i's counts do not match its arrays", f.mesh);
        case FAULT_VERTEX_WEIGHTS:
            return FormatText("vertex %i of mesh %i has weights outside its mesh", f.item, f.mesh);
        default:
            return "the model does not match its arrays";
    }
}

// Only the shape matters to an export: every count must match its array so
// that nothing is read past one. Contents are written as they are.
bool ShapeFits(const SkelModel* model, unsigned part, std::string* reason) {
    std::vector<ModelFault> faults;
    if (ValidateModel(model, part, &faults)) return true;
    *reason = ExportRefusal(faults[0]);
    return false;
}

// The writer ended where the size said it would: a check of the sizing.
bool LaidOut(const ByteWriter& out, int64_t size, std::string* reason) {
    if (!out.overrun && out.pos == (size_t)size) return true;
    *reason = "the image did not come out at its computed size";
    return false;
}

bool FitsBuffer(int64_t size, size_t capacity, const char* kind, std::string* reason) {
    if (size > MAX_FILESIZE) {
        *reason = FormatText("the %s image would take %lld bytes, more than the %i-byte limit",
                             kind, (long long)size, MAX_FILESIZE);
        return false;
    }
    if ((uint64_t)size > capacity) {
        *reason = FormatText("the %s image would take %lld bytes, more than the %zu-byte buffer",
                             kind, (long long)size, capacity);
        return false;
    }
    return true;
}

// Fills a name field from a model name of NAME_LEN bytes.
void CopyField(char* field, const char* name) { memcpy(field, name, NAME_LEN); }

} // namespace

bool SKPImageSize(const SkelModel* model, int64_t* size, std::string* reason) {
    if (!ShapeFits(model, CHECK_SKELETON, reason)) return false;
    int64_t numbones = model->numbones, numframes = model->numframes;
    *size = (int64_t)SKP_HEADER_SIZE + (int64_t)BONE_RECORD_SIZE * numbones +
            ((int64_t)FRAME_HEADER_SIZE + (int64_t)POSE_SIZE * numbones) * numframes;
    return true;
}

bool SKMImageSize(const SkelModel* model, int64_t* size, std::string* reason) {
    if (!ShapeFits(model, CHECK_MESHES, reason)) return false;
    int64_t total = (int64_t)SKM_HEADER_SIZE + (int64_t)MESH_HEADER_SIZE * model->nummeshes;
    for (const SkelMesh& mesh : model->meshes) {
        int64_t numweights = 0;
        for (const SkelVertex& vertex : mesh.verts) numweights += vertex.numweights;
        total += (int64_t)(VERTEX_COUNT_SIZE + TEXCOORD_SIZE) * mesh.numverts +
                 (int64_t)WEIGHT_SIZE * numweights + (int64_t)TRIANGLE_SIZE * mesh.numtris +
                 (int64_t)REFERENCE_SIZE * mesh.numreferences;
    }
    *size = total;
    return true;
}

bool BuildSKPImage(const SkelModel* model, unsigned char* image, size_t capacity, int64_t* size,
                   std::string* reason) {
    int64_t total;
    if (!SKPImageSize(model, &total, reason) || !FitsBuffer(total, capacity, "SKP", reason))
        return false;
    const int32_t numbones = model->numbones, numframes = model->numframes;
    ByteWriter out = MakeWriter(image, (size_t)total);
    SkpHeader header = {SKM_TYPE, (int32_t)total, numbones, numframes, 0, 0};
    header.ofsbones = (int32_t)SKP_HEADER_SIZE;
    header.ofsframes = header.ofsbones + (int32_t)BONE_RECORD_SIZE * numbones;
    PutSkpHeader(&out, &header);
    for (const SkelBone& bone : model->bones) PutBoneRecord(&out, &bone);
    // The frame headers, then each frame's poses in frame order.
    FrameHeader frameHeader;
    frameHeader.ofsposes = header.ofsframes + (int32_t)FRAME_HEADER_SIZE * numframes;
    for (const PoseFrame& frame : model->frames) {
        CopyField(frameHeader.name, frame.name);
        PutFrameHeader(&out, &frameHeader);
        frameHeader.ofsposes += (int32_t)POSE_SIZE * numbones;
    }
    for (const PoseFrame& frame : model->frames)
        for (const BonePose& pose : frame.poses) PutPose(&out, &pose);
    *size = total;
    return LaidOut(out, total, reason);
}

bool BuildSKMImage(const SkelModel* model, unsigned char* image, size_t capacity, int64_t* size,
                   std::string* reason) {
    int64_t total;
    if (!SKMImageSize(model, &total, reason) || !FitsBuffer(total, capacity, "SKM", reason))
        return false;
    const int32_t nummeshes = model->nummeshes;
    ByteWriter out = MakeWriter(image, (size_t)total);
    SkmHeader header = {SKM_TYPE, (int32_t)total, model->numbones, nummeshes,
                        (int32_t)SKM_HEADER_SIZE};
    PutSkmHeader(&out, &header);
    // Each mesh's blocks follow all mesh headers: vertices, texture
    // coordinates, triangles, bone references; its header is filled in once
    // they are laid down.
    out.pos = SKM_HEADER_SIZE + MESH_HEADER_SIZE * (size_t)nummeshes;
    for (int32_t i = 0; i < nummeshes; i++) {
        const SkelMesh& mesh = model->meshes[i];
        MeshHeader mh;
        CopyField(mh.skinname, mesh.skinname);
        CopyField(mh.meshname, mesh.meshname);
        mh.numverts = mesh.numverts;
        mh.numtris = mesh.numtris;
        mh.numreferences = mesh.numreferences;
        mh.ofsverts = (int32_t)out.pos;
        for (const SkelVertex& vertex : mesh.verts) {
            PutInt(&out, vertex.numweights);
            for (int32_t w = 0; w < vertex.numweights; w++) PutWeight(&out, &vertex.weights[w]);
        }
        mh.ofstexcoords = (int32_t)out.pos;
        for (float st : mesh.texcoords) PutFloat(&out, st);
        mh.ofsindices = (int32_t)out.pos;
        for (int32_t index : mesh.indices) PutInt(&out, index);
        mh.ofsreferences = (int32_t)out.pos;
        for (int32_t bone : mesh.references) PutInt(&out, bone);
        size_t end = out.pos;
        out.pos = SKM_HEADER_SIZE + MESH_HEADER_SIZE * (size_t)i;
        PutMeshHeader(&out, &mh);
        out.pos = end;
    }
    *size = total;
    return LaidOut(out, total, reason);
}

namespace {

using ImageBuilder = bool (*)(const SkelModel*, unsigned char*, size_t, int64_t*, std::string*);

// Where images are built: the caller's buffer and its size in bytes.
struct ImageBuffer {
    unsigned char* data;
    size_t capacity;
};

// One file of a pair being written: its console lines so far and its data in
// a temporary file, waiting for the other.
struct PairPart {
    const char* path;
    const char* kind;
    std::string lines;
    StagedFile staged;
    bool ready = false;
};

void StageImage(const SkelModel* model, ImageBuilder build, ImageBuffer buffer, PairPart* part) {
    std::string reason;
    int64_t size = 0;
    if (!build(model, buffer.data, buffer.capacity, &size, &reason)) {
        part->lines = FormatText("unable to export %s file \"%s\": %s; nothing written\n",
                                 part->kind, part->path, reason.c_str());
        return;
    }
    part->lines = FormatText("file size: %5ik\n", (int)((size + 1023) / 1024));
    WriteFailure failure = WRITE_FAILED_OPEN;
    part->ready =
        StageFile(part->path, buffer.data, (size_t)size, &part->staged, &reason, &failure);
    if (!part->ready) part->lines += WriteFailureLines(part->path, failure, reason);
}

// One file: staged as a pair's part is, then committed alone.
bool ExportImage(const SkelModel* model, const char* path, const char* kind, ImageBuilder build,
                 ImageBuffer buffer, std::string* lines) {
    PairPart part;
    part.path = path;
    part.kind = kind;
    StageImage(model, build, buffer, &part);
    std::string reason;
    StagedFile* one[] = {&part.staged};
    bool written = part.ready && CommitStagedFiles(one, 1, &reason);
    if (written)
        part.lines += FormatText("wrote %s file\n", kind);
    else if (part.ready)
        part.lines += WriteFailureLines(path, WRITE_FAILED_WRITE, reason);
    *lines = part.lines;
    return written;
}

} // namespace

bool ExportSKPFile(const SkelModel* model, const char* path, unsigned char* buffer, size_t capacity,
                   std::string* lines) {
    return ExportImage(model, path, "SKP", BuildSKPImage, {buffer, capacity}, lines);
}

bool ExportSKMFile(const SkelModel* model, const char* path, unsigned char* buffer, size_t capacity,
                   std::string* lines) {
    return ExportImage(model, path, "SKM", BuildSKMImage, {buffer, capacity}, lines);
}

bool ExportModelPair(const SkelModel* model, const char* skmPath, const char* skpPath,
                     unsigned char* buffer, size_t capacity, std::string* lines) {
    // Both images go to temporary files first (they share the buffer, so
    // each is written out before the next is built); only when both are
    // complete do they replace their targets, together.
    PairPart parts[2];
    parts[0].path = skmPath;
    parts[0].kind = "SKM";
    parts[1].path = skpPath;
    parts[1].kind = "SKP";
    StageImage(model, BuildSKMImage, {buffer, capacity}, &parts[0]);
    StageImage(model, BuildSKPImage, {buffer, capacity}, &parts[1]);
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
    *lines = out;
    return written;
}
