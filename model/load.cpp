// SKM and SKP parsing: every count and offset is checked against the file
// length before use, the model is filled only when the whole file fits, and
// the console text the viewer prints is collected on the way. Files are read
// through a small window rather than copied whole, so a load costs about one
// pass over the data. No state of its own; nothing here prints or exits.
#include "model/load.h"

#include "model/file_io.h"
#include "model/format.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

namespace {

static_assert(sizeof(BoneWeight) == WEIGHT_SIZE, "BoneWeight must match its file record");
static_assert(sizeof(BonePose) == POSE_SIZE, "BonePose must match its file record");

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr bool HOST_IS_LITTLE_ENDIAN = true;
#else
constexpr bool HOST_IS_LITTLE_ENDIAN = false;
#endif

// Copies count 32-bit words (ints or floats) from little-endian file bytes.
void CopyWords(void* dst, const unsigned char* src, size_t count) {
    if (count == 0) return;
    if (HOST_IS_LITTLE_ENDIAN) {
        memcpy(dst, src, count * 4);
        return;
    }
    ByteReader in = MakeReader(src, count * 4);
    uint32_t* out = (uint32_t*)dst;
    for (size_t i = 0; i < count; i++) out[i] = GetWord(&in);
}

// True when count records of recordSize bytes starting at offset lie inside
// an image of size bytes. Written so that no product or sum can overflow.
bool BlockFits(size_t size, int64_t offset, int64_t count, size_t recordSize) {
    if (offset < 0 || count < 0 || (uint64_t)offset > size) return false;
    return (uint64_t)count <= (size - (size_t)offset) / recordSize;
}

// A console line of the viewer: printed as is, and listed as a problem when
// it is a warning.
void Say(LoadReport* report, const std::string& text) { report->console += text; }

void Warn(LoadReport* report, const std::string& text) {
    report->console += text;
    std::string line = text;
    while (!line.empty() && line.back() == '\n') line.pop_back();
    report->problems.push_back(line);
}

// A problem the viewer repairs without a word (a name cut to 63 characters).
void Note(LoadReport* report, const std::string& text) { report->problems.push_back(text); }

// The line that refuses a file. It starts on a line of its own even after the
// warnings that end without a newline, so it cannot be misread as part of one.
LoadStatus Refuse(LoadReport* report, const std::string& text) {
    if (!report->console.empty() && report->console.back() != '\n') report->console += '\n';
    Warn(report, text);
    return LOAD_REFUSED;
}

// Makes a name field read raw from the file a name: a field without a NUL
// keeps its first 63 characters, so the stored name always ends in a NUL, and
// the bytes after the name are cleared. Returns false when it had no NUL.
bool TerminateNameField(char* field) {
    const void* nul = memchr(field, 0, NAME_LEN);
    size_t n = nul ? (size_t)((const char*)nul - field) : NAME_LEN - 1;
    memset(field + n, 0, NAME_LEN - n);
    return nul != nullptr;
}

// Model arrays of one load may not pass this many bytes. Files may point
// several meshes or frames at one block, so the arrays can be far larger
// than the file; this keeps such a file from exhausting memory.
constexpr size_t MAX_MODEL_BYTES = (size_t)1 << 30;

bool Budget(size_t* used, size_t more) {
    if (more > MAX_MODEL_BYTES - *used) return false;
    *used += more;
    return true;
}

std::string TooBig(const char* reader, const char* path) {
    return FormatText("%s failed: data file \"%s\" would need more than %zu MB of memory.\n",
                      reader, path, MAX_MODEL_BYTES >> 20);
}

std::string PastEnd(const char* reader, const std::string& part, const char* path, size_t size) {
    return FormatText("%s failed: data file \"%s\" (%zu bytes) does not hold %s.\n", reader, path,
                      size, part.c_str());
}

// Where a parse gets its bytes: a whole image in memory, or an open file
// read through a window that stays small enough to be in cache when its
// bytes are copied into the model.
struct ByteSource {
    const unsigned char* data = nullptr; // the whole image, or null for a file
    size_t size = 0;                     // length of the image or file
    int fd = -1;
    std::unique_ptr<unsigned char[]> window;
    size_t capacity = 0; // bytes the window can hold
    size_t start = 0;    // file offset of window[0]
    size_t length = 0;   // bytes held
};

constexpr size_t WINDOW_SIZE = 256 * 1024;

const unsigned char* Refill(ByteSource* src, size_t offset, size_t length);

// Returns the length bytes at offset, valid until the next Fetch; null when
// the range lies outside the source or the file could not be read (it
// shrank). A read that continues the window fills a whole window; a jump
// reads only what is asked, so scattered blocks cost no more than their size.
inline const unsigned char* Fetch(ByteSource* src, size_t offset, size_t length) {
    if (offset > src->size || length > src->size - offset) return nullptr;
    if (src->data) return src->data + offset;
    if (offset >= src->start && length <= src->length &&
        offset - src->start <= src->length - length)
        return src->window.get() + (offset - src->start);
    return Refill(src, offset, length);
}

// Fetch's slow path: reads the window afresh from offset.
const unsigned char* Refill(ByteSource* src, size_t offset, size_t length) {
    bool sequential = src->length == 0 || offset == src->start + src->length;
    size_t want = sequential ? std::max(length, WINDOW_SIZE) : length;
    want = std::min(want, src->size - offset);
    if (want > src->capacity) {
        src->window.reset(new unsigned char[want]);
        src->capacity = want;
    }
    size_t got = 0;
    while (got < want) {
        ssize_t n = pread(src->fd, src->window.get() + got, want - got, (off_t)(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += (size_t)n;
    }
    src->start = offset;
    src->length = got;
    return got >= length ? src->window.get() : nullptr;
}

std::string Unreadable(const char* reader, const char* path) {
    return FormatText("%s failed: data file \"%s\" could not be read to its end.\n", reader, path);
}

// Fills out with the count 32-bit words at offset, read a window at a time
// so a large block never needs a buffer of its own.
template <typename T>
bool FetchWords(ByteSource* src, size_t offset, size_t count, std::vector<T>* out) {
    static_assert(sizeof(T) % 4 == 0, "whole words only");
    out->resize(count * 4 / sizeof(T));
    unsigned char* dst = (unsigned char*)out->data();
    size_t done = 0;
    while (done < count) {
        size_t chunk = std::min(count - done, WINDOW_SIZE / 4);
        const unsigned char* words = Fetch(src, offset + 4 * done, 4 * chunk);
        if (!words) return false;
        CopyWords(dst + 4 * done, words, chunk);
        done += chunk;
    }
    return true;
}

using SourceParser = LoadStatus (*)(ByteSource*, const char*, SkelModel*, LoadReport*);

LoadStatus ParseSource(ByteSource* src, const char* path, SkelModel* model, LoadReport* report,
                       SourceParser parse, const char* reader) {
    try {
        return parse(src, path, model, report);
    } catch (const std::bad_alloc&) {
        return Refuse(report, FormatText("%s failed: out of memory reading data file \"%s\".\n",
                                         reader, path));
    }
}

// One parse in progress: where its bytes come from, whose messages these are,
// and the memory the model's arrays have taken so far.
struct Parse {
    ByteSource* src;
    const char* reader; // "ReadSKM" or "ReadSKP": the start of every fatal line
    const char* path;
    LoadReport* report;
    size_t modelbytes;
};

LoadStatus RefusePastEnd(Parse* p, const std::string& part) {
    return Refuse(p->report, PastEnd(p->reader, part, p->path, p->src->size));
}

LoadStatus RefuseUnreadable(Parse* p) { return Refuse(p->report, Unreadable(p->reader, p->path)); }

LoadStatus RefuseTooBig(Parse* p) { return Refuse(p->report, TooBig(p->reader, p->path)); }

// A negative count of what, in owner ("" for the file itself, else e.g.
// "mesh 2 of ").
LoadStatus RefuseNegative(Parse* p, const std::string& owner, const char* what, int32_t count) {
    return Refuse(p->report,
                  FormatText("%s failed: %sdata file \"%s\" has a negative %s count (%i).\n",
                             p->reader, owner.c_str(), p->path, what, count));
}

// The SKM header's console lines and warnings. The warnings end without a
// newline and run into the next line, as the viewer prints them.
void SayMeshFileHeader(Parse* p, const SkmHeader& h) {
    LoadReport* report = p->report;
    const char* path = p->path;
    Say(report, FormatText("%s: Type:%i\n", path, h.type));
    if (h.type != SKM_TYPE)
        Warn(report,
             FormatText("%s has wrong type number (%i should be %i)", path, h.type, SKM_TYPE));
    Say(report, FormatText("%s: Filesize:%i\n", path, h.filesize));
    if ((uint32_t)h.filesize > (uint32_t)MAX_FILESIZE)
        Warn(report, FormatText("%s has has wrong filesize (%i should be less than %i)", path,
                                h.filesize, MAX_FILESIZE));
    if (h.nummeshes == 0)
        Warn(report, FormatText("%s has no meshes", path));
    else if ((uint32_t)h.nummeshes > (uint32_t)MAX_MESHES)
        Warn(report, FormatText("%s has too many meshes", path));
    if (h.numbones == 0)
        Warn(report, FormatText("%s has no bones", path));
    else if ((uint32_t)h.numbones > (uint32_t)MAX_BONES)
        Warn(report, FormatText("%s has too many bones", path));
}

// Mesh i's count warnings (0 or past its limit) and its names cut to fit.
void WarnMeshHeader(Parse* p, int32_t i, const MeshHeader& h, bool meshNameCut, bool skinNameCut) {
    LoadReport* report = p->report;
    const char* path = p->path;
    const struct {
        int32_t count;
        int32_t most;
        const char* what;
    } counts[] = {{h.numverts, MAX_VERTS, "vertexes"},
                  {h.numtris, MAX_TRIS, "indices"},
                  {h.numreferences, MAX_REFERENCES, "bone references"}};
    for (const auto& c : counts) {
        if (c.count == 0)
            Warn(report, FormatText("mesh %i in model %s has no %s", i, path, c.what));
        else if ((uint32_t)c.count > (uint32_t)c.most)
            Warn(report, FormatText("mesh %i in model %s has too many %s", i, path, c.what));
    }
    const char* format = "%s: the %s name of mesh %i has no terminating NUL; cut to 63 characters";
    if (meshNameCut) Note(report, FormatText(format, path, "mesh", i));
    if (skinNameCut) Note(report, FormatText(format, path, "skin", i));
}

// Mesh i's vertex block: each vertex's weight count and then its weights,
// every vertex checked as it is copied, in one pass.
LoadStatus ReadVertices(Parse* p, int32_t i, const MeshHeader& h, SkelMesh* mesh) {
    const size_t size = p->src->size;
    if (h.numverts < 0)
        return RefuseNegative(p, FormatText("mesh %i of ", i), "vertex", h.numverts);
    if (!BlockFits(size, h.ofsverts, h.numverts, VERTEX_COUNT_SIZE))
        return RefusePastEnd(p, FormatText("the vertex block of mesh %i", i));
    // The pool is reserved for the most weights the rest of the file could
    // hold, so it never moves while the vertices fill it (their pointers can
    // be taken at once), and nothing is zeroed only to be overwritten.
    size_t pos = (size_t)h.ofsverts;
    size_t mostweights = (size - pos - VERTEX_COUNT_SIZE * (size_t)h.numverts) / WEIGHT_SIZE;
    if (!Budget(&p->modelbytes,
                (size_t)h.numverts * sizeof(SkelVertex) + mostweights * WEIGHT_SIZE))
        return RefuseTooBig(p);
    mesh->numverts = h.numverts;
    mesh->verts.reserve((size_t)h.numverts);
    mesh->weightpool.reserve(mostweights);
    for (int32_t v = 0; v < h.numverts; v++) {
        const unsigned char* count = Fetch(p->src, pos, VERTEX_COUNT_SIZE);
        if (!count && size - pos < VERTEX_COUNT_SIZE)
            return RefusePastEnd(p, FormatText("vertex %i of mesh %i", v, i));
        if (!count) return RefuseUnreadable(p);
        int32_t numweights = (int32_t)LoadWord(count);
        pos += VERTEX_COUNT_SIZE;
        if (numweights < 0)
            return RefuseNegative(p, FormatText("vertex %i of mesh %i in ", v, i), "weight",
                                  numweights);
        if ((size_t)numweights > (size - pos) / WEIGHT_SIZE)
            return RefusePastEnd(p, FormatText("the weights of vertex %i of mesh %i", v, i));
        SkelVertex& vertex = mesh->verts.emplace_back();
        vertex.numweights = numweights;
        vertex.weights = mesh->weightpool.data() + mesh->weightpool.size();
        if (numweights == 0) continue;
        const unsigned char* weights = Fetch(p->src, pos, (size_t)numweights * WEIGHT_SIZE);
        if (!weights) return RefuseUnreadable(p);
        ByteReader in = MakeReader(weights, (size_t)numweights * WEIGHT_SIZE);
        for (int32_t w = 0; w < numweights; w++) GetWeight(&in, &mesh->weightpool.emplace_back());
        pos += (size_t)numweights * WEIGHT_SIZE;
    }
    // Give back a reservation far larger than the weights (the rest of the
    // file held other blocks) and point the vertices at the new pool.
    if (mesh->weightpool.capacity() / 2 > mesh->weightpool.size() + 1024) {
        mesh->weightpool.shrink_to_fit();
        LinkVertexWeights(mesh);
    }
    return LOAD_OK;
}

// One counted block of mesh i: count records of recordSize bytes (whole
// 32-bit words) at offset, refused by name when the count is negative or the
// block runs past the end of the file.
template <typename T>
LoadStatus ReadMeshBlock(Parse* p, int32_t i, int32_t count, int64_t offset, size_t recordSize,
                         const char* countName, const char* blockName, std::vector<T>* out) {
    if (count < 0) return RefuseNegative(p, FormatText("mesh %i of ", i), countName, count);
    if (!BlockFits(p->src->size, offset, count, recordSize))
        return RefusePastEnd(p, FormatText("the %s of mesh %i", blockName, i));
    if (!FetchWords(p->src, (size_t)offset, (size_t)count * recordSize / 4, out))
        return RefuseUnreadable(p);
    return LOAD_OK;
}

// Mesh i's texture coordinates, triangles and bone references.
LoadStatus ReadMeshArrays(Parse* p, int32_t i, const MeshHeader& h, SkelMesh* mesh) {
    if (!Budget(&p->modelbytes,
                TEXCOORD_SIZE * (size_t)h.numverts +
                    (h.numtris > 0 ? TRIANGLE_SIZE * (size_t)h.numtris : 0) +
                    (h.numreferences > 0 ? REFERENCE_SIZE * (size_t)h.numreferences : 0)))
        return RefuseTooBig(p);
    // The vertex count was checked with the vertices.
    LoadStatus status = ReadMeshBlock(p, i, h.numverts, h.ofstexcoords, TEXCOORD_SIZE, "vertex",
                                      "texture coordinates", &mesh->texcoords);
    if (status != LOAD_OK) return status;
    status = ReadMeshBlock(p, i, h.numtris, h.ofsindices, TRIANGLE_SIZE, "triangle", "triangles",
                           &mesh->indices);
    if (status != LOAD_OK) return status;
    status = ReadMeshBlock(p, i, h.numreferences, h.ofsreferences, REFERENCE_SIZE, "bone reference",
                           "bone references", &mesh->references);
    if (status != LOAD_OK) return status;
    mesh->numtris = h.numtris;
    mesh->numreferences = h.numreferences;
    return LOAD_OK;
}

// Mesh i, whose header is at offset at: the header, its warnings, the blocks.
LoadStatus ReadMesh(Parse* p, int32_t i, int64_t at, SkelMesh* mesh) {
    if (!BlockFits(p->src->size, at, 1, MESH_HEADER_SIZE))
        return RefusePastEnd(p, FormatText("the header of mesh %i", i));
    const unsigned char* bytes = Fetch(p->src, (size_t)at, MESH_HEADER_SIZE);
    if (!bytes) return RefuseUnreadable(p);
    ByteReader in = MakeReader(bytes, MESH_HEADER_SIZE);
    MeshHeader h;
    GetMeshHeader(&in, &h);
    bool meshNameCut = !TerminateNameField(h.meshname);
    bool skinNameCut = !TerminateNameField(h.skinname);
    memcpy(mesh->meshname, h.meshname, NAME_LEN);
    memcpy(mesh->skinname, h.skinname, NAME_LEN);
    WarnMeshHeader(p, i, h, meshNameCut, skinNameCut);
    LoadStatus status = ReadVertices(p, i, h, mesh);
    if (status != LOAD_OK) return status;
    return ReadMeshArrays(p, i, h, mesh);
}

LoadStatus ParseSKMSource(ByteSource* src, const char* path, SkelModel* model, LoadReport* report) {
    Parse p = {src, "ReadSKM", path, report, 0};
    Say(report, FormatText("Reading SKM model %s\n", path));
    const unsigned char* bytes = Fetch(src, 0, SKM_HEADER_SIZE);
    if (!bytes) return RefusePastEnd(&p, "the 24-byte header");
    ByteReader in = MakeReader(bytes, SKM_HEADER_SIZE);
    SkmHeader h;
    GetSkmHeader(&in, &h);
    SayMeshFileHeader(&p, h);
    if (h.nummeshes < 0) return RefuseNegative(&p, "", "mesh", h.nummeshes);

    // Never reserve more mesh records than the file has room for: a count
    // the file cannot back is refused at the first header that does not fit.
    int64_t roomForHeaders = 0;
    if (BlockFits(src->size, h.ofsmeshes, 0, MESH_HEADER_SIZE))
        roomForHeaders = (int64_t)((src->size - (size_t)h.ofsmeshes) / MESH_HEADER_SIZE);
    std::vector<SkelMesh> meshes;
    meshes.reserve((size_t)std::min<int64_t>(h.nummeshes, roomForHeaders));
    for (int32_t i = 0; i < h.nummeshes; i++) {
        int64_t at = (int64_t)h.ofsmeshes + (int64_t)MESH_HEADER_SIZE * i;
        LoadStatus status = ReadMesh(&p, i, at, &meshes.emplace_back());
        if (status != LOAD_OK) return status;
    }

    model->numbones = h.numbones;
    model->nummeshes = h.nummeshes;
    model->meshes = std::move(meshes);
    return LOAD_OK;
}

// The SKP header's console lines and warnings.
void SayPoseFileHeader(Parse* p, const SkpHeader& h) {
    LoadReport* report = p->report;
    const char* path = p->path;
    Say(report, FormatText("%s pinmodel type: %i\n", path, h.type));
    Say(report, FormatText("%s pinmodel filesize: %i (MAX: %i)\n", path, h.filesize, MAX_FILESIZE));
    Say(report, FormatText("%s pinmodel numbones: %i\n", path, h.numbones));
    if (h.type != SKM_TYPE)
        Warn(report,
             FormatText("%s has wrong type number (%i should be %i)\n", path, h.type, SKM_TYPE));
    if ((uint32_t)h.numbones > (uint32_t)MAX_BONES)
        Warn(report, FormatText("%s num_bones: Invalid value\n", path));
    Say(report, FormatText("numframes:pout:%i pin:%i\n", h.numframes, h.numframes));
    if (h.numframes == 0)
        Warn(report, FormatText("%s has no frames", path));
    else if ((uint32_t)h.numframes > (uint32_t)MAX_FRAMES)
        Warn(report, FormatText("%s has too many frames", path));
    Say(report, FormatText("NumBones(SKP): %i\n", h.numbones));
}

// The bone records: names, parents and flags as read. The pose composer
// composes bones in index order, so a parent that is not an earlier bone
// cannot be honoured: the bone is posed as a root, with one warning, and the
// file is kept as read.
LoadStatus ReadBones(Parse* p, const SkpHeader& h, std::vector<SkelBone>* bones) {
    if (h.numbones < 0) return RefuseNegative(p, "", "bone", h.numbones);
    if (!BlockFits(p->src->size, h.ofsbones, h.numbones, BONE_RECORD_SIZE))
        return RefusePastEnd(p, FormatText("the %i bone records", h.numbones));
    size_t length = BONE_RECORD_SIZE * (size_t)h.numbones;
    const unsigned char* records = Fetch(p->src, (size_t)h.ofsbones, length);
    if (!records) return RefuseUnreadable(p);
    ByteReader in = MakeReader(records, length);
    bones->resize((size_t)h.numbones);
    for (int32_t i = 0; i < h.numbones; i++) {
        SkelBone& bone = (*bones)[i];
        GetBoneRecord(&in, &bone);
        if (!TerminateNameField(bone.name))
            Note(p->report,
                 FormatText("%s: the name of bone %i has no terminating NUL; cut to 63 characters",
                            p->path, i));
    }
    for (int32_t i = 0; i < h.numbones; i++) {
        int32_t parent = (*bones)[i].parent;
        if (parent < 0 || parent < i) continue;
        Warn(p->report,
             FormatText(
                 "%s: bone %i \"%s\" has parent %i, which is not an earlier bone; it will be posed "
                 "as a root\n",
                 p->path, i, (*bones)[i].name, parent));
    }
    return LOAD_OK;
}

// The frame headers and every frame's poses.
LoadStatus ReadFrames(Parse* p, const SkpHeader& h, std::vector<PoseFrame>* frames) {
    if (h.numframes < 0) return RefuseNegative(p, "", "frame", h.numframes);
    if (!BlockFits(p->src->size, h.ofsframes, h.numframes, FRAME_HEADER_SIZE))
        return RefusePastEnd(p, FormatText("the %i frame headers", h.numframes));
    // Frames may share one pose block, so their poses can need far more
    // memory than the file holds; known in full before anything is made.
    size_t perFrame = sizeof(PoseFrame) + sizeof(int32_t) + (size_t)h.numbones * sizeof(BonePose);
    if ((size_t)h.numframes > MAX_MODEL_BYTES / perFrame ||
        !Budget(&p->modelbytes, (size_t)h.numframes * perFrame))
        return RefuseTooBig(p);
    // All frame headers first, then the poses: reading them in turn would
    // make the window jump between the two for every frame.
    frames->resize((size_t)h.numframes);
    std::vector<int32_t> ofsposes((size_t)h.numframes);
    size_t length = FRAME_HEADER_SIZE * (size_t)h.numframes;
    const unsigned char* headers = Fetch(p->src, (size_t)h.ofsframes, length);
    if (!headers) return RefuseUnreadable(p);
    ByteReader in = MakeReader(headers, length);
    for (int32_t j = 0; j < h.numframes; j++) {
        FrameHeader fh;
        GetFrameHeader(&in, &fh);
        if (!TerminateNameField(fh.name))
            Note(p->report,
                 FormatText("%s: the name of frame %i has no terminating NUL; cut to 63 characters",
                            p->path, j));
        memcpy((*frames)[j].name, fh.name, NAME_LEN);
        ofsposes[j] = fh.ofsposes;
    }
    for (int32_t j = 0; j < h.numframes; j++) {
        if (!BlockFits(p->src->size, ofsposes[j], h.numbones, POSE_SIZE))
            return RefusePastEnd(p, FormatText("the poses of frame %i", j));
        if (!FetchWords(p->src, (size_t)ofsposes[j], (size_t)h.numbones * (POSE_SIZE / 4),
                        &(*frames)[j].poses))
            return RefuseUnreadable(p);
    }
    return LOAD_OK;
}

LoadStatus ParseSKPSource(ByteSource* src, const char* path, SkelModel* model, LoadReport* report) {
    Parse p = {src, "ReadSKP", path, report, 0};
    Say(report, FormatText("Reading SKP model %s\n", path));
    Say(report, "----------------------\n");
    const unsigned char* bytes = Fetch(src, 0, SKP_HEADER_SIZE);
    if (!bytes) return RefusePastEnd(&p, "the 28-byte header");
    ByteReader in = MakeReader(bytes, SKP_HEADER_SIZE);
    SkpHeader h;
    GetSkpHeader(&in, &h);
    SayPoseFileHeader(&p, h);
    std::vector<SkelBone> bones;
    LoadStatus status = ReadBones(&p, h, &bones);
    if (status != LOAD_OK) return status;
    std::vector<PoseFrame> frames;
    status = ReadFrames(&p, h, &frames);
    if (status != LOAD_OK) return status;

    model->numframes = h.numframes;
    model->numbones = h.numbones;
    model->bones = std::move(bones);
    model->frames = std::move(frames);
    return LOAD_OK;
}

} // namespace

LoadStatus ParseSKM(const unsigned char* data, size_t size, const char* path, SkelModel* model,
                    LoadReport* report) {
    ByteSource src;
    src.data = data ? data : (const unsigned char*)"";
    src.size = data ? size : 0;
    return ParseSource(&src, path, model, report, ParseSKMSource, "ReadSKM");
}

LoadStatus ParseSKP(const unsigned char* data, size_t size, const char* path, SkelModel* model,
                    LoadReport* report) {
    ByteSource src;
    src.data = data ? data : (const unsigned char*)"";
    src.size = data ? size : 0;
    return ParseSource(&src, path, model, report, ParseSKPSource, "ReadSKP");
}

namespace {

LoadStatus LoadFile(const char* reader, const char* path, SkelModel* model, LoadReport* report,
                    SourceParser parse) {
    int fd;
    struct stat info;
    std::string why;
    if (!OpenForReading(path, &fd, &info, &why)) {
        Warn(report, FormatText("%s failed: can't open data file \"%s\".\n", reader, path));
        return LOAD_CANT_OPEN;
    }
    ByteSource src;
    std::vector<unsigned char> whole;
    LoadStatus status = LOAD_OK;
    if (S_ISREG(info.st_mode)) {
        src.fd = fd;
        src.size = (size_t)info.st_size;
    } else {
        // A pipe or device has no length up front: read it whole, but never
        // more than a file of the format can hold (/dev/zero never ends).
        try {
            ReadStatus read = ReadStreamLimited(fd, MAX_FILESIZE, &whole);
            if (read == READ_TOO_LARGE)
                status = Refuse(report,
                                FormatText("%s failed: data file \"%s\" is %s and gives "
                                           "more than %i bytes.\n",
                                           reader, path, FileKindName(info.st_mode), MAX_FILESIZE));
            else if (read == READ_FAILED)
                status = Refuse(report, Unreadable(reader, path));
        } catch (const std::bad_alloc&) {
            status = Refuse(
                report,
                FormatText("%s failed: out of memory reading data file \"%s\".\n", reader, path));
        }
        src.data = whole.data();
        src.size = whole.size();
    }
    if (status == LOAD_OK && src.size == 0) {
        Warn(report, FormatText("%s failed: Empty data file \"%s\".\n", reader, path));
        status = LOAD_EMPTY;
    } else if (status == LOAD_OK) {
        status = ParseSource(&src, path, model, report, parse, reader);
    }
    close(fd);
    return status;
}

} // namespace

LoadStatus LoadSKMFile(const char* path, SkelModel* model, LoadReport* report) {
    return LoadFile("ReadSKM", path, model, report, ParseSKMSource);
}

LoadStatus LoadSKPFile(const char* path, SkelModel* model, LoadReport* report) {
    return LoadFile("ReadSKP", path, model, report, ParseSKPSource);
}

LoadStatus LoadModelPair(const char* skmPath, const char* skpPath, SkelModel* model,
                         LoadReport* report) {
    SkelModel loaded;
    LoadStatus status = LoadSKMFile(skmPath, &loaded, report);
    if (status != LOAD_OK) return status;
    status = LoadSKPFile(skpPath, &loaded, report);
    if (status != LOAD_OK) return status;
    *model = std::move(loaded);
    return LOAD_OK;
}
