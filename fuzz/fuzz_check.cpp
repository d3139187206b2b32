// The checks shared by the fuzz targets: model consistency after a parse,
// refusals that leave the model alone and say why, and equality of a model
// with its exported-and-reloaded copy. Owns nothing but stdout's redirection.
#include "fuzz/fuzz_check.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "model/export.h"
#include "session/export.h"

void FailCheck(const char* file, int line, const char* cond, const char* format, ...) {
    fprintf(stderr, "\n%s:%d: check failed: %s\n  ", file, line, cond);
    va_list args;
    va_start(args, format);
    vfprintf(stderr, format, args);
    va_end(args);
    fprintf(stderr, "\n");
    fflush(stderr);
    abort();
}

void SilenceConsole() {
    fflush(stdout);
    if (!freopen("/dev/null", "w", stdout)) fprintf(stderr, "fuzz: cannot silence stdout\n");
}

namespace {

bool NameTerminated(const char* name) { return memchr(name, 0, NAME_LEN) != nullptr; }

uint32_t Bits(float value) {
    uint32_t bits;
    memcpy(&bits, &value, sizeof bits);
    return bits;
}

} // namespace

void MarkUntouched(SkelModel* model) {
    *model = SkelModel();
    model->numbones = UNTOUCHED_COUNT;
    model->nummeshes = UNTOUCHED_COUNT;
    model->numframes = UNTOUCHED_COUNT;
}

void CheckUntouched(const SkelModel* model, const char* what) {
    FUZZ_CHECK(model->numbones == UNTOUCHED_COUNT && model->nummeshes == UNTOUCHED_COUNT &&
                   model->numframes == UNTOUCHED_COUNT,
               "%s changed the model's counts (%d, %d, %d)", what, model->numbones,
               model->nummeshes, model->numframes);
    FUZZ_CHECK(model->bones.empty() && model->meshes.empty() && model->frames.empty(),
               "%s filled the model's arrays", what);
}

void CheckMeshesConsistent(const SkelModel* model) {
    FUZZ_CHECK(model->nummeshes >= 0 && (size_t)model->nummeshes == model->meshes.size(),
               "nummeshes %d but %zu meshes", model->nummeshes, model->meshes.size());
    for (size_t i = 0; i < model->meshes.size(); i++) {
        const SkelMesh& mesh = model->meshes[i];
        FUZZ_CHECK(NameTerminated(mesh.meshname) && NameTerminated(mesh.skinname),
                   "mesh %zu: a name without a terminating NUL", i);
        FUZZ_CHECK(mesh.numverts >= 0 && (size_t)mesh.numverts == mesh.verts.size(),
                   "mesh %zu: numverts %d but %zu vertices", i, mesh.numverts, mesh.verts.size());
        FUZZ_CHECK(mesh.texcoords.size() == 2 * mesh.verts.size(),
                   "mesh %zu: %zu texcoord floats for %zu vertices", i, mesh.texcoords.size(),
                   mesh.verts.size());
        FUZZ_CHECK(mesh.numtris >= 0 && (size_t)mesh.numtris * 3 == mesh.indices.size(),
                   "mesh %zu: numtris %d but %zu indices", i, mesh.numtris, mesh.indices.size());
        FUZZ_CHECK(mesh.numreferences >= 0 && (size_t)mesh.numreferences == mesh.references.size(),
                   "mesh %zu: numreferences %d but %zu references", i, mesh.numreferences,
                   mesh.references.size());
        // The vertices must tile the pool in order: vertex v's weights start
        // where vertex v-1's end, and the last ends at the pool's end.
        const BoneWeight* next = mesh.weightpool.data();
        for (size_t v = 0; v < mesh.verts.size(); v++) {
            const SkelVertex& vertex = mesh.verts[v];
            FUZZ_CHECK(vertex.numweights >= 0, "mesh %zu vertex %zu: negative weight count", i, v);
            if (vertex.numweights == 0) continue;
            FUZZ_CHECK(vertex.weights == next,
                       "mesh %zu vertex %zu: weights not at their place in the pool", i, v);
            next += vertex.numweights;
        }
        FUZZ_CHECK(next == mesh.weightpool.data() + mesh.weightpool.size(),
                   "mesh %zu: the vertices use %td of %zu pooled weights", i,
                   next - mesh.weightpool.data(), mesh.weightpool.size());
    }
}

void CheckSkeletonConsistent(const SkelModel* model) {
    FUZZ_CHECK(model->numbones >= 0 && (size_t)model->numbones == model->bones.size(),
               "numbones %d but %zu bones", model->numbones, model->bones.size());
    FUZZ_CHECK(model->numframes >= 0 && (size_t)model->numframes == model->frames.size(),
               "numframes %d but %zu frames", model->numframes, model->frames.size());
    for (size_t i = 0; i < model->bones.size(); i++)
        FUZZ_CHECK(NameTerminated(model->bones[i].name), "bone %zu: name without a terminating NUL",
                   i);
    for (size_t f = 0; f < model->frames.size(); f++) {
        FUZZ_CHECK(NameTerminated(model->frames[f].name),
                   "frame %zu: name without a terminating NUL", f);
        FUZZ_CHECK(model->frames[f].poses.size() == model->bones.size(),
                   "frame %zu: %zu poses for %zu bones", f, model->frames[f].poses.size(),
                   model->bones.size());
    }
}

void CheckRefusal(LoadStatus status, const LoadReport& report, const char* reader,
                  const char* path) {
    FUZZ_CHECK(status == LOAD_REFUSED || status == LOAD_EMPTY,
               "unexpected status %d for an in-memory parse", (int)status);
    FUZZ_CHECK(!report.problems.empty(), "a refusal without a problem line");
    const std::string& last = report.problems.back();
    FUZZ_CHECK(last.compare(0, strlen(reader), reader) == 0 && last.find(path) != std::string::npos,
               "the refusal line does not name the reader and the file: \"%s\"", last.c_str());
    FUZZ_CHECK(!report.console.empty() && report.console.back() == '\n',
               "the console does not end with the refusal line");
}

uint32_t ExportedBits(float value) { return value == 0.0f || value != value ? 0u : Bits(value); }

namespace {

void CheckSameFloats(const float* a, const float* b, int count, const char* what, size_t i,
                     size_t j) {
    for (int k = 0; k < count; k++)
        FUZZ_CHECK(ExportedBits(a[k]) == Bits(b[k]),
                   "%s %zu/%zu float %d: %08x written, %08x read back", what, i, j, k,
                   ExportedBits(a[k]), Bits(b[k]));
}

} // namespace

void CheckSameMeshes(const SkelModel* a, const SkelModel* b) {
    FUZZ_CHECK(a->numbones == b->numbones, "bone count %d came back as %d", a->numbones,
               b->numbones);
    FUZZ_CHECK(a->nummeshes == b->nummeshes && a->meshes.size() == b->meshes.size(),
               "mesh count %d came back as %d", a->nummeshes, b->nummeshes);
    for (size_t i = 0; i < a->meshes.size(); i++) {
        const SkelMesh& x = a->meshes[i];
        const SkelMesh& y = b->meshes[i];
        FUZZ_CHECK(strcmp(x.meshname, y.meshname) == 0 && strcmp(x.skinname, y.skinname) == 0,
                   "mesh %zu: names changed", i);
        FUZZ_CHECK(x.numverts == y.numverts && x.numtris == y.numtris &&
                       x.numreferences == y.numreferences,
                   "mesh %zu: counts changed", i);
        for (size_t v = 0; v < x.verts.size(); v++) {
            FUZZ_CHECK(x.verts[v].numweights == y.verts[v].numweights,
                       "mesh %zu vertex %zu: weight count changed", i, v);
            for (int32_t w = 0; w < x.verts[v].numweights; w++) {
                const BoneWeight& p = x.verts[v].weights[w];
                const BoneWeight& q = y.verts[v].weights[w];
                CheckSameFloats(p.origin, q.origin, 3, "weight origin of vertex", v, (size_t)w);
                CheckSameFloats(&p.influence, &q.influence, 1, "influence of vertex", v, (size_t)w);
                CheckSameFloats(p.normal, q.normal, 3, "weight normal of vertex", v, (size_t)w);
                FUZZ_CHECK(p.bonenum == q.bonenum, "mesh %zu vertex %zu weight %d: bonenum changed",
                           i, v, w);
            }
        }
        CheckSameFloats(x.texcoords.data(), y.texcoords.data(), (int)x.texcoords.size(),
                        "texcoords of mesh", i, 0);
        FUZZ_CHECK(x.indices == y.indices, "mesh %zu: triangles changed", i);
        FUZZ_CHECK(x.references == y.references, "mesh %zu: bone references changed", i);
    }
}

void CheckSameSkeleton(const SkelModel* a, const SkelModel* b) {
    FUZZ_CHECK(a->numbones == b->numbones && a->bones.size() == b->bones.size(),
               "bone count %d came back as %d", a->numbones, b->numbones);
    FUZZ_CHECK(a->numframes == b->numframes && a->frames.size() == b->frames.size(),
               "frame count %d came back as %d", a->numframes, b->numframes);
    for (size_t i = 0; i < a->bones.size(); i++) {
        const SkelBone& x = a->bones[i];
        const SkelBone& y = b->bones[i];
        FUZZ_CHECK(strcmp(x.name, y.name) == 0, "bone %zu: name \"%s\" came back as \"%s\"", i,
                   x.name, y.name);
        FUZZ_CHECK(x.parent == y.parent && x.flags == y.flags, "bone %zu: parent or flags changed",
                   i);
    }
    for (size_t f = 0; f < a->frames.size(); f++) {
        FUZZ_CHECK(strcmp(a->frames[f].name, b->frames[f].name) == 0, "frame %zu: name changed", f);
        for (size_t j = 0; j < a->frames[f].poses.size(); j++) {
            const BonePose& p = a->frames[f].poses[j];
            const BonePose& q = b->frames[f].poses[j];
            CheckSameFloats(p.quat, q.quat, 4, "quat of frame/bone", f, j);
            CheckSameFloats(p.origin, q.origin, 3, "origin of frame/bone", f, j);
        }
    }
}

std::vector<unsigned char> TakeOutput(int64_t size) {
    FUZZ_CHECK(size >= 0 && size <= MAX_FILESIZE, "image size %lld outside the output buffer",
               (long long)size);
    return std::vector<unsigned char>(OutputBuffer, OutputBuffer + size);
}
