// SKM and SKP parsing from memory: every count and offset is checked against
// the image length before use, the model is filled only when the whole file
// fits, and the console text the viewer prints is collected on the way.
// No state of its own; nothing here prints or exits.
#include "model/load.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

constexpr size_t SKM_HEADER_SIZE = 24;
constexpr size_t SKP_HEADER_SIZE = 28;
constexpr size_t MESH_HEADER_SIZE = 156;
constexpr size_t WEIGHT_SIZE = 32;
constexpr size_t BONE_RECORD_SIZE = 72;
constexpr size_t FRAME_HEADER_SIZE = 68;
constexpr size_t POSE_SIZE = 28;
constexpr int32_t SKM_TYPE = 2;

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

// True when count records of recordSize bytes starting at offset lie inside
// an image of size bytes. Written so that no product or sum can overflow.
bool BlockFits(size_t size, int64_t offset, int64_t count, size_t recordSize) {
    if (offset < 0 || count < 0 || (uint64_t)offset > size) return false;
    return (uint64_t)count <= (size - (size_t)offset) / recordSize;
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char small[512];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (n < 0) return std::string();
    if ((size_t)n < sizeof small) return std::string(small, (size_t)n);
    std::string big((size_t)n + 1, '\0');
    va_start(args, format);
    vsnprintf(&big[0], big.size(), format, args);
    va_end(args);
    big.resize((size_t)n);
    return big;
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

std::string PastEnd(const char* reader, const std::string& part, const char* path, size_t size) {
    return Format("%s failed: data file \"%s\" (%zu bytes) does not hold %s.\n", reader, path, size,
                  part.c_str());
}

}  // namespace

LoadStatus ReadFileBytes(const char* path, FileBytes* out) {
    FILE* file = fopen(path, "rb");
    if (!file) return LOAD_CANT_OPEN;
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || S_ISDIR(info.st_mode)) {
        fclose(file);
        return LOAD_CANT_OPEN;
    }
    FileBytes bytes;
    if (S_ISREG(info.st_mode)) {
        size_t length = (size_t)info.st_size;
        if (length > 0) {
            bytes.data.reset(new (std::nothrow) unsigned char[length]);
            if (bytes.data) bytes.size = fread(bytes.data.get(), 1, length, file);
        }
    } else {
        // A pipe or device has no length up front: read it in growing steps.
        std::vector<unsigned char> grown;
        unsigned char chunk[65536];
        size_t got;
        while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) grown.insert(grown.end(), chunk, chunk + got);
        if (!grown.empty()) {
            bytes.data.reset(new (std::nothrow) unsigned char[grown.size()]);
            if (bytes.data) {
                memcpy(bytes.data.get(), grown.data(), grown.size());
                bytes.size = grown.size();
            }
        }
    }
    fclose(file);
    if (bytes.size == 0) return LOAD_EMPTY;
    *out = std::move(bytes);
    return LOAD_OK;
}

LoadStatus ParseSKM(const unsigned char* data, size_t size, const char* path, SkelModel* model,
                    LoadReport* report) {
    Say(report, Format("Reading SKM model %s\n", path));
    if (size < SKM_HEADER_SIZE)
        return Refuse(report, PastEnd("ReadSKM", "the 24-byte header", path, size));

    int32_t type = GetInt(data + 4);
    int32_t filesize = GetInt(data + 8);
    int32_t numbones = GetInt(data + 12);
    int32_t nummeshes = GetInt(data + 16);
    int32_t ofsmeshes = GetInt(data + 20);

    Say(report, Format("%s: Type:%i\n", path, type));
    if (type != SKM_TYPE)
        Warn(report, Format("%s has wrong type number (%i should be %i)", path, type, SKM_TYPE));
    Say(report, Format("%s: Filesize:%i\n", path, filesize));
    if ((uint32_t)filesize > (uint32_t)MAX_FILESIZE)
        Warn(report, Format("%s has has wrong filesize (%i should be less than %i)", path, filesize,
                            MAX_FILESIZE));
    if (nummeshes == 0)
        Warn(report, Format("%s has no meshes", path));
    else if ((uint32_t)nummeshes > (uint32_t)MAX_MESHES)
        Warn(report, Format("%s has too many meshes", path));
    if (numbones == 0)
        Warn(report, Format("%s has no bones", path));
    else if ((uint32_t)numbones > (uint32_t)MAX_BONES)
        Warn(report, Format("%s has too many bones", path));

    if (nummeshes < 0)
        return Refuse(report, Format("ReadSKM failed: data file \"%s\" has a negative mesh count (%i).\n",
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
            return Refuse(report, PastEnd("ReadSKM", Format("the header of mesh %i", i), path, size));
        const unsigned char* header = data + at;
        int32_t numverts = GetInt(header + 128);
        int32_t numtris = GetInt(header + 132);
        int32_t numreferences = GetInt(header + 136);
        int32_t ofsverts = GetInt(header + 140);
        int32_t ofstexcoords = GetInt(header + 144);
        int32_t ofsindices = GetInt(header + 148);
        int32_t ofsreferences = GetInt(header + 152);

        if (numverts == 0)
            Warn(report, Format("mesh %i in model %s has no vertexes", i, path));
        else if ((uint32_t)numverts > (uint32_t)MAX_VERTS)
            Warn(report, Format("mesh %i in model %s has too many vertexes", i, path));
        if (numtris == 0)
            Warn(report, Format("mesh %i in model %s has no indices", i, path));
        else if ((uint32_t)numtris > (uint32_t)MAX_TRIS)
            Warn(report, Format("mesh %i in model %s has too many indices", i, path));
        if (numreferences == 0)
            Warn(report, Format("mesh %i in model %s has no bone references", i, path));
        else if ((uint32_t)numreferences > (uint32_t)MAX_REFERENCES)
            Warn(report, Format("mesh %i in model %s has too many bone references", i, path));

        meshes.emplace_back();
        SkelMesh& mesh = meshes.back();
        if (!CopyFileName(mesh.meshname, header + 64))
            Note(report, Format("%s: the mesh name of mesh %i has no terminating NUL; cut to 63 characters",
                                path, i));
        if (!CopyFileName(mesh.skinname, header))
            Note(report, Format("%s: the skin name of mesh %i has no terminating NUL; cut to 63 characters",
                                path, i));

        // Vertex block: variable stride, so walk it once to check every
        // vertex and count the weights, then fill one pool for the mesh.
        if (numverts < 0)
            return Refuse(report, Format("ReadSKM failed: mesh %i of data file \"%s\" has a negative vertex "
                                         "count (%i).\n", i, path, numverts));
        if (!BlockFits(size, ofsverts, numverts, 4))
            return Refuse(report, PastEnd("ReadSKM", Format("the vertex block of mesh %i", i), path, size));
        size_t pos = (size_t)ofsverts;
        size_t totalweights = 0;
        for (int32_t v = 0; v < numverts; v++) {
            if (size - pos < 4)
                return Refuse(report, PastEnd("ReadSKM", Format("vertex %i of mesh %i", v, i), path, size));
            int32_t numweights = GetInt(data + pos);
            pos += 4;
            if (numweights < 0)
                return Refuse(report, Format("ReadSKM failed: vertex %i of mesh %i in data file \"%s\" has a "
                                             "negative weight count (%i).\n", v, i, path, numweights));
            if ((size_t)numweights > (size - pos) / WEIGHT_SIZE)
                return Refuse(report, PastEnd("ReadSKM", Format("the weights of vertex %i of mesh %i", v, i),
                                              path, size));
            pos += (size_t)numweights * WEIGHT_SIZE;
            totalweights += (size_t)numweights;
        }
        mesh.numverts = numverts;
        mesh.verts.resize((size_t)numverts);
        mesh.weightpool.resize(totalweights);
        pos = (size_t)ofsverts;
        BoneWeight* next = mesh.weightpool.data();
        for (int32_t v = 0; v < numverts; v++) {
            int32_t numweights = GetInt(data + pos);
            pos += 4;
            mesh.verts[v].numweights = numweights;
            mesh.verts[v].weights = next;
            CopyWords(next, data + pos, (size_t)numweights * (WEIGHT_SIZE / 4));
            next += numweights;
            pos += (size_t)numweights * WEIGHT_SIZE;
        }

        if (!BlockFits(size, ofstexcoords, numverts, 8))
            return Refuse(report, PastEnd("ReadSKM", Format("the texture coordinates of mesh %i", i), path, size));
        mesh.texcoords.resize((size_t)numverts * 2);
        CopyWords(mesh.texcoords.data(), data + ofstexcoords, (size_t)numverts * 2);

        if (numtris < 0)
            return Refuse(report, Format("ReadSKM failed: mesh %i of data file \"%s\" has a negative triangle "
                                         "count (%i).\n", i, path, numtris));
        if (!BlockFits(size, ofsindices, numtris, 12))
            return Refuse(report, PastEnd("ReadSKM", Format("the triangles of mesh %i", i), path, size));
        mesh.numtris = numtris;
        mesh.indices.resize((size_t)numtris * 3);
        CopyWords(mesh.indices.data(), data + ofsindices, (size_t)numtris * 3);

        if (numreferences < 0)
            return Refuse(report, Format("ReadSKM failed: mesh %i of data file \"%s\" has a negative bone "
                                         "reference count (%i).\n", i, path, numreferences));
        if (!BlockFits(size, ofsreferences, numreferences, 4))
            return Refuse(report, PastEnd("ReadSKM", Format("the bone references of mesh %i", i), path, size));
        mesh.numreferences = numreferences;
        mesh.references.resize((size_t)numreferences);
        CopyWords(mesh.references.data(), data + ofsreferences, (size_t)numreferences);
    }

    model->numbones = numbones;
    model->nummeshes = nummeshes;
    model->meshes = std::move(meshes);
    return LOAD_OK;
}

LoadStatus ParseSKP(const unsigned char* data, size_t size, const char* path, SkelModel* model,
                    LoadReport* report) {
    Say(report, Format("Reading SKP model %s\n", path));
    Say(report, "----------------------\n");
    if (size < SKP_HEADER_SIZE)
        return Refuse(report, PastEnd("ReadSKP", "the 28-byte header", path, size));

    int32_t type = GetInt(data + 4);
    int32_t filesize = GetInt(data + 8);
    int32_t numbones = GetInt(data + 12);
    int32_t numframes = GetInt(data + 16);
    int32_t ofsbones = GetInt(data + 20);
    int32_t ofsframes = GetInt(data + 24);

    Say(report, Format("%s pinmodel type: %i\n", path, type));
    Say(report, Format("%s pinmodel filesize: %i (MAX: %i)\n", path, filesize, MAX_FILESIZE));
    Say(report, Format("%s pinmodel numbones: %i\n", path, numbones));
    if (type != SKM_TYPE)
        Warn(report, Format("%s has wrong type number (%i should be %i)\n", path, type, SKM_TYPE));
    if ((uint32_t)numbones > (uint32_t)MAX_BONES) Warn(report, Format("%s num_bones: Invalid value\n", path));
    Say(report, Format("numframes:pout:%i pin:%i\n", numframes, numframes));
    if (numframes == 0)
        Warn(report, Format("%s has no frames", path));
    else if ((uint32_t)numframes > (uint32_t)MAX_FRAMES)
        Warn(report, Format("%s has too many frames", path));
    Say(report, Format("NumBones(SKP): %i\n", numbones));

    if (numbones < 0)
        return Refuse(report, Format("ReadSKP failed: data file \"%s\" has a negative bone count (%i).\n", path,
                                     numbones));
    if (!BlockFits(size, ofsbones, numbones, BONE_RECORD_SIZE))
        return Refuse(report, PastEnd("ReadSKP", Format("the %i bone records", numbones), path, size));
    std::vector<SkelBone> bones((size_t)numbones);
    for (int32_t i = 0; i < numbones; i++) {
        const unsigned char* record = data + ofsbones + BONE_RECORD_SIZE * (size_t)i;
        if (!CopyFileName(bones[i].name, record))
            Note(report, Format("%s: the name of bone %i has no terminating NUL; cut to 63 characters", path, i));
        bones[i].flags = GetWord(record + 68);
        bones[i].parent = GetInt(record + 64);
    }
    // The pose builder composes bones in index order, so a parent that is
    // not an earlier bone cannot be honoured; the bone is posed as a root
    // and the file is kept as read.
    for (int32_t i = 0; i < numbones; i++) {
        int32_t parent = bones[i].parent;
        if (parent < 0 || parent < i) continue;
        Warn(report, Format("%s: bone %i \"%s\" has parent %i, which is not an earlier bone; it will be posed "
                            "as a root\n", path, i, bones[i].name, parent));
    }

    if (numframes < 0)
        return Refuse(report, Format("ReadSKP failed: data file \"%s\" has a negative frame count (%i).\n", path,
                                     numframes));
    if (!BlockFits(size, ofsframes, numframes, FRAME_HEADER_SIZE))
        return Refuse(report, PastEnd("ReadSKP", Format("the %i frame headers", numframes), path, size));
    std::vector<PoseFrame> frames((size_t)numframes);
    for (int32_t j = 0; j < numframes; j++) {
        const unsigned char* header = data + ofsframes + FRAME_HEADER_SIZE * (size_t)j;
        if (!CopyFileName(frames[j].name, header))
            Note(report, Format("%s: the name of frame %i has no terminating NUL; cut to 63 characters", path, j));
        int32_t ofsposes = GetInt(header + 64);
        if (!BlockFits(size, ofsposes, numbones, POSE_SIZE))
            return Refuse(report, PastEnd("ReadSKP", Format("the poses of frame %i", j), path, size));
        frames[j].poses.resize((size_t)numbones);
        CopyWords(frames[j].poses.data(), data + ofsposes, (size_t)numbones * (POSE_SIZE / 4));
    }

    model->numframes = numframes;
    model->numbones = numbones;
    model->bones = std::move(bones);
    model->frames = std::move(frames);
    return LOAD_OK;
}

namespace {

LoadStatus LoadFile(const char* reader, const char* path, SkelModel* model, LoadReport* report,
                    LoadStatus (*parse)(const unsigned char*, size_t, const char*, SkelModel*, LoadReport*)) {
    FileBytes bytes;
    LoadStatus status = ReadFileBytes(path, &bytes);
    if (status == LOAD_CANT_OPEN) {
        Warn(report, Format("%s failed: can't open data file \"%s\".\n", reader, path));
        return status;
    }
    if (status == LOAD_EMPTY) {
        Warn(report, Format("%s failed: Empty data file \"%s\".\n", reader, path));
        return status;
    }
    return parse(bytes.data.get(), bytes.size, path, model, report);
}

}  // namespace

LoadStatus LoadSKMFile(const char* path, SkelModel* model, LoadReport* report) {
    return LoadFile("ReadSKM", path, model, report, ParseSKM);
}

LoadStatus LoadSKPFile(const char* path, SkelModel* model, LoadReport* report) {
    return LoadFile("ReadSKP", path, model, report, ParseSKP);
}

LoadStatus LoadModelPair(const char* skmPath, const char* skpPath, SkelModel* model, LoadReport* report) {
    SkelModel loaded;
    LoadStatus status = LoadSKMFile(skmPath, &loaded, report);
    if (status != LOAD_OK) return status;
    status = LoadSKPFile(skpPath, &loaded, report);
    if (status != LOAD_OK) return status;
    *model = std::move(loaded);
    return LOAD_OK;
}
