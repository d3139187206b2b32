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

uint32_t GetWord(const unsigned char* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

int32_t GetInt(const unsigned char* p) { return (int32_t)GetWord(p); }

// Copies count 32-bit words (ints or floats) from little-endian file bytes.
void CopyWords(void* dst, const unsigned char* src, size_t count) {
    if (count == 0) return;
    if (HOST_IS_LITTLE_ENDIAN) {
        memcpy(dst, src, count * 4);
        return;
    }
    uint32_t* out = (uint32_t*)dst;
    for (size_t i = 0; i < count; i++) out[i] = GetWord(src + 4 * i);
}

void ReadWeight(BoneWeight* weight, const unsigned char* p) {
    if (HOST_IS_LITTLE_ENDIAN) {
        memcpy(weight, p, sizeof *weight);
        return;
    }
    uint32_t words[8];
    for (int k = 0; k < 8; k++) words[k] = GetWord(p + 4 * k);
    memcpy(weight, words, sizeof *weight);
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

// Copies a 64-byte name field from the file. A field without a NUL keeps its
// first 63 characters so the stored name always ends in a NUL; returns false
// in that case.
bool CopyFileName(char* field, const unsigned char* src) {
    const void* nul = memchr(src, 0, NAME_LEN);
    size_t n = nul ? (size_t)((const unsigned char*)nul - src) : NAME_LEN - 1;
    memcpy(field, src, n);
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

LoadStatus ParseSKMSource(ByteSource* src, const char* path, SkelModel* model, LoadReport* report) {
    const size_t size = src->size;
    size_t modelbytes = 0;
    Say(report, FormatText("Reading SKM model %s\n", path));
    const unsigned char* header = Fetch(src, 0, SKM_HEADER_SIZE);
    if (!header) return Refuse(report, PastEnd("ReadSKM", "the 24-byte header", path, size));
    int32_t type = GetInt(header + 4);
    int32_t filesize = GetInt(header + 8);
    int32_t numbones = GetInt(header + 12);
    int32_t nummeshes = GetInt(header + 16);
    int32_t ofsmeshes = GetInt(header + 20);

    Say(report, FormatText("%s: Type:%i\n", path, type));
    if (type != SKM_TYPE)
        Warn(report,
             FormatText("%s has wrong type number (%i should be %i)", path, type, SKM_TYPE));
    Say(report, FormatText("%s: Filesize:%i\n", path, filesize));
    if ((uint32_t)filesize > (uint32_t)MAX_FILESIZE)
        Warn(report, FormatText("%s has has wrong filesize (%i should be less than %i)", path,
                                filesize, MAX_FILESIZE));
    if (nummeshes == 0)
        Warn(report, FormatText("%s has no meshes", path));
    else if ((uint32_t)nummeshes > (uint32_t)MAX_MESHES)
        Warn(report, FormatText("%s has too many meshes", path));
    if (numbones == 0)
        Warn(report, FormatText("%s has no bones", path));
    else if ((uint32_t)numbones > (uint32_t)MAX_BONES)
        Warn(report, FormatText("%s has too many bones", path));

    if (nummeshes < 0)
        return Refuse(
            report, FormatText("ReadSKM failed: data file \"%s\" has a negative mesh count (%i).\n",
                               path, nummeshes));

    // Never reserve more mesh records than the file has room for: a count
    // the file cannot back is refused at the first header that does not fit.
    int64_t roomForHeaders = 0;
    if (BlockFits(size, ofsmeshes, 0, MESH_HEADER_SIZE))
        roomForHeaders = (int64_t)((size - (size_t)ofsmeshes) / MESH_HEADER_SIZE);
    std::vector<SkelMesh> meshes;
    meshes.reserve((size_t)std::min<int64_t>(nummeshes, roomForHeaders));

    for (int32_t i = 0; i < nummeshes; i++) {
        int64_t at = (int64_t)ofsmeshes + (int64_t)MESH_HEADER_SIZE * i;
        if (!BlockFits(size, at, 1, MESH_HEADER_SIZE))
            return Refuse(report,
                          PastEnd("ReadSKM", FormatText("the header of mesh %i", i), path, size));
        const unsigned char* mh = Fetch(src, (size_t)at, MESH_HEADER_SIZE);
        if (!mh) return Refuse(report, Unreadable("ReadSKM", path));
        int32_t numverts = GetInt(mh + 128);
        int32_t numtris = GetInt(mh + 132);
        int32_t numreferences = GetInt(mh + 136);
        int32_t ofsverts = GetInt(mh + 140);
        int32_t ofstexcoords = GetInt(mh + 144);
        int32_t ofsindices = GetInt(mh + 148);
        int32_t ofsreferences = GetInt(mh + 152);
        meshes.emplace_back();
        SkelMesh& mesh = meshes.back();
        bool meshNameCut = !CopyFileName(mesh.meshname, mh + 64);
        bool skinNameCut = !CopyFileName(mesh.skinname, mh);

        if (numverts == 0)
            Warn(report, FormatText("mesh %i in model %s has no vertexes", i, path));
        else if ((uint32_t)numverts > (uint32_t)MAX_VERTS)
            Warn(report, FormatText("mesh %i in model %s has too many vertexes", i, path));
        if (numtris == 0)
            Warn(report, FormatText("mesh %i in model %s has no indices", i, path));
        else if ((uint32_t)numtris > (uint32_t)MAX_TRIS)
            Warn(report, FormatText("mesh %i in model %s has too many indices", i, path));
        if (numreferences == 0)
            Warn(report, FormatText("mesh %i in model %s has no bone references", i, path));
        else if ((uint32_t)numreferences > (uint32_t)MAX_REFERENCES)
            Warn(report, FormatText("mesh %i in model %s has too many bone references", i, path));
        if (meshNameCut)
            Note(report,
                 FormatText(
                     "%s: the mesh name of mesh %i has no terminating NUL; cut to 63 characters",
                     path, i));
        if (skinNameCut)
            Note(report,
                 FormatText(
                     "%s: the skin name of mesh %i has no terminating NUL; cut to 63 characters",
                     path, i));

        if (numverts < 0)
            return Refuse(
                report,
                FormatText("ReadSKM failed: mesh %i of data file \"%s\" has a negative vertex "
                           "count (%i).\n",
                           i, path, numverts));
        if (!BlockFits(size, ofsverts, numverts, 4))
            return Refuse(report, PastEnd("ReadSKM", FormatText("the vertex block of mesh %i", i),
                                          path, size));
        // One pass over the vertex block: every vertex is checked as it is
        // copied. The pool is reserved for the most weights the rest of the
        // file could hold, so it never moves while the vertices fill it, and
        // nothing is zeroed only to be overwritten.
        size_t pos = (size_t)ofsverts;
        size_t mostweights = (size - pos - 4 * (size_t)numverts) / WEIGHT_SIZE;
        if (!Budget(&modelbytes, (size_t)numverts * sizeof(SkelVertex) + mostweights * WEIGHT_SIZE))
            return Refuse(report, TooBig("ReadSKM", path));
        mesh.numverts = numverts;
        mesh.verts.reserve((size_t)numverts);
        mesh.weightpool.reserve(mostweights);
        for (int32_t v = 0; v < numverts; v++) {
            const unsigned char* count = Fetch(src, pos, 4);
            if (!count) {
                if (size - pos < 4)
                    return Refuse(
                        report,
                        PastEnd("ReadSKM", FormatText("vertex %i of mesh %i", v, i), path, size));
                return Refuse(report, Unreadable("ReadSKM", path));
            }
            int32_t numweights = GetInt(count);
            pos += 4;
            if (numweights < 0)
                return Refuse(
                    report,
                    FormatText("ReadSKM failed: vertex %i of mesh %i in data file \"%s\" has a "
                               "negative weight count (%i).\n",
                               v, i, path, numweights));
            if ((size_t)numweights > (size - pos) / WEIGHT_SIZE)
                return Refuse(
                    report,
                    PastEnd("ReadSKM", FormatText("the weights of vertex %i of mesh %i", v, i),
                            path, size));
            // The pool never moves while it fills (it was reserved for the
            // most weights possible), so the pointer can be taken now.
            SkelVertex& vertex = mesh.verts.emplace_back();
            vertex.numweights = numweights;
            vertex.weights = mesh.weightpool.data() + mesh.weightpool.size();
            if (numweights == 0) continue;
            const unsigned char* weights = Fetch(src, pos, (size_t)numweights * WEIGHT_SIZE);
            if (!weights) return Refuse(report, Unreadable("ReadSKM", path));
            for (int32_t w = 0; w < numweights; w++)
                ReadWeight(&mesh.weightpool.emplace_back(), weights + WEIGHT_SIZE * w);
            pos += (size_t)numweights * WEIGHT_SIZE;
        }
        // Give back a reservation far larger than the weights (the rest of
        // the file held other blocks) and point the vertices at the new pool.
        if (mesh.weightpool.capacity() / 2 > mesh.weightpool.size() + 1024) {
            mesh.weightpool.shrink_to_fit();
            LinkVertexWeights(&mesh);
        }

        if (!Budget(&modelbytes, (size_t)numverts * 8 + (numtris > 0 ? (size_t)numtris * 12 : 0) +
                                     (numreferences > 0 ? (size_t)numreferences * 4 : 0)))
            return Refuse(report, TooBig("ReadSKM", path));
        if (!BlockFits(size, ofstexcoords, numverts, 8))
            return Refuse(report,
                          PastEnd("ReadSKM", FormatText("the texture coordinates of mesh %i", i),
                                  path, size));
        if (!FetchWords(src, (size_t)ofstexcoords, (size_t)numverts * 2, &mesh.texcoords))
            return Refuse(report, Unreadable("ReadSKM", path));

        if (numtris < 0)
            return Refuse(
                report,
                FormatText("ReadSKM failed: mesh %i of data file \"%s\" has a negative triangle "
                           "count (%i).\n",
                           i, path, numtris));
        if (!BlockFits(size, ofsindices, numtris, 12))
            return Refuse(
                report, PastEnd("ReadSKM", FormatText("the triangles of mesh %i", i), path, size));
        mesh.numtris = numtris;
        if (!FetchWords(src, (size_t)ofsindices, (size_t)numtris * 3, &mesh.indices))
            return Refuse(report, Unreadable("ReadSKM", path));

        if (numreferences < 0)
            return Refuse(
                report,
                FormatText("ReadSKM failed: mesh %i of data file \"%s\" has a negative bone "
                           "reference count (%i).\n",
                           i, path, numreferences));
        if (!BlockFits(size, ofsreferences, numreferences, 4))
            return Refuse(
                report,
                PastEnd("ReadSKM", FormatText("the bone references of mesh %i", i), path, size));
        mesh.numreferences = numreferences;
        if (!FetchWords(src, (size_t)ofsreferences, (size_t)numreferences, &mesh.references))
            return Refuse(report, Unreadable("ReadSKM", path));
    }

    model->numbones = numbones;
    model->nummeshes = nummeshes;
    model->meshes = std::move(meshes);
    return LOAD_OK;
}

LoadStatus ParseSKPSource(ByteSource* src, const char* path, SkelModel* model, LoadReport* report) {
    const size_t size = src->size;
    size_t modelbytes = 0;
    Say(report, FormatText("Reading SKP model %s\n", path));
    Say(report, "----------------------\n");
    const unsigned char* header = Fetch(src, 0, SKP_HEADER_SIZE);
    if (!header) return Refuse(report, PastEnd("ReadSKP", "the 28-byte header", path, size));
    int32_t type = GetInt(header + 4);
    int32_t filesize = GetInt(header + 8);
    int32_t numbones = GetInt(header + 12);
    int32_t numframes = GetInt(header + 16);
    int32_t ofsbones = GetInt(header + 20);
    int32_t ofsframes = GetInt(header + 24);

    Say(report, FormatText("%s pinmodel type: %i\n", path, type));
    Say(report, FormatText("%s pinmodel filesize: %i (MAX: %i)\n", path, filesize, MAX_FILESIZE));
    Say(report, FormatText("%s pinmodel numbones: %i\n", path, numbones));
    if (type != SKM_TYPE)
        Warn(report,
             FormatText("%s has wrong type number (%i should be %i)\n", path, type, SKM_TYPE));
    if ((uint32_t)numbones > (uint32_t)MAX_BONES)
        Warn(report, FormatText("%s num_bones: Invalid value\n", path));
    Say(report, FormatText("numframes:pout:%i pin:%i\n", numframes, numframes));
    if (numframes == 0)
        Warn(report, FormatText("%s has no frames", path));
    else if ((uint32_t)numframes > (uint32_t)MAX_FRAMES)
        Warn(report, FormatText("%s has too many frames", path));
    Say(report, FormatText("NumBones(SKP): %i\n", numbones));

    if (numbones < 0)
        return Refuse(
            report, FormatText("ReadSKP failed: data file \"%s\" has a negative bone count (%i).\n",
                               path, numbones));
    if (!BlockFits(size, ofsbones, numbones, BONE_RECORD_SIZE))
        return Refuse(report,
                      PastEnd("ReadSKP", FormatText("the %i bone records", numbones), path, size));
    const unsigned char* records =
        Fetch(src, (size_t)ofsbones, BONE_RECORD_SIZE * (size_t)numbones);
    if (!records) return Refuse(report, Unreadable("ReadSKP", path));
    std::vector<SkelBone> bones((size_t)numbones);
    for (int32_t i = 0; i < numbones; i++) {
        const unsigned char* record = records + BONE_RECORD_SIZE * (size_t)i;
        if (!CopyFileName(bones[i].name, record))
            Note(report,
                 FormatText("%s: the name of bone %i has no terminating NUL; cut to 63 characters",
                            path, i));
        bones[i].flags = GetWord(record + 68);
        bones[i].parent = GetInt(record + 64);
    }
    // The pose builder composes bones in index order, so a parent that is
    // not an earlier bone cannot be honoured; the bone is posed as a root
    // and the file is kept as read.
    for (int32_t i = 0; i < numbones; i++) {
        int32_t parent = bones[i].parent;
        if (parent < 0 || parent < i) continue;
        Warn(report,
             FormatText(
                 "%s: bone %i \"%s\" has parent %i, which is not an earlier bone; it will be posed "
                 "as a root\n",
                 path, i, bones[i].name, parent));
    }

    if (numframes < 0)
        return Refuse(
            report,
            FormatText("ReadSKP failed: data file \"%s\" has a negative frame count (%i).\n", path,
                       numframes));
    if (!BlockFits(size, ofsframes, numframes, FRAME_HEADER_SIZE))
        return Refuse(
            report, PastEnd("ReadSKP", FormatText("the %i frame headers", numframes), path, size));
    // Frames may share one pose block, so their poses can need far more
    // memory than the file holds; known in full before anything is made.
    size_t perFrame = sizeof(PoseFrame) + sizeof(int32_t) + (size_t)numbones * sizeof(BonePose);
    if ((size_t)numframes > MAX_MODEL_BYTES / perFrame ||
        !Budget(&modelbytes, (size_t)numframes * perFrame))
        return Refuse(report, TooBig("ReadSKP", path));
    // All frame headers first, then the poses: reading them in turn would
    // make the window jump between the two for every frame.
    std::vector<PoseFrame> frames((size_t)numframes);
    std::vector<int32_t> ofsposes((size_t)numframes);
    const unsigned char* headers =
        Fetch(src, (size_t)ofsframes, FRAME_HEADER_SIZE * (size_t)numframes);
    if (!headers) return Refuse(report, Unreadable("ReadSKP", path));
    for (int32_t j = 0; j < numframes; j++) {
        const unsigned char* fh = headers + FRAME_HEADER_SIZE * (size_t)j;
        if (!CopyFileName(frames[j].name, fh))
            Note(report,
                 FormatText("%s: the name of frame %i has no terminating NUL; cut to 63 characters",
                            path, j));
        ofsposes[j] = GetInt(fh + 64);
    }
    for (int32_t j = 0; j < numframes; j++) {
        if (!BlockFits(size, ofsposes[j], numbones, POSE_SIZE))
            return Refuse(report,
                          PastEnd("ReadSKP", FormatText("the poses of frame %i", j), path, size));
        if (!FetchWords(src, (size_t)ofsposes[j], (size_t)numbones * (POSE_SIZE / 4),
                        &frames[j].poses))
            return Refuse(report, Unreadable("ReadSKP", path));
    }

    model->numframes = numframes;
    model->numbones = numbones;
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
