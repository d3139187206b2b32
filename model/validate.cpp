// Model cross-checks for boneloom-tool check and the tests: the rules the
// pose builder, the panels and the exporters rely on, reported one line per
// finding. No state; the model is only read.
#include "model/validate.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

void Add(std::vector<std::string>* problems, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
void Add(std::vector<std::string>* problems, const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    problems->push_back(text);
}

bool NameTerminated(const char* name) { return memchr(name, 0, NAME_LEN) != nullptr; }

} // namespace

bool ParentIsValid(const SkelModel* model, int32_t i) {
    int32_t parent = model->bones[i].parent;
    return parent < 0 || parent < i;
}

void CheckModel(const SkelModel* model, const char* skmPath, const char* skpPath,
                std::vector<std::string>* problems) {
    int32_t numbones = model->numbones;
    if (numbones < 0 || (size_t)numbones > model->bones.size()) {
        Add(problems, "%s: the bone count %i does not match the %zu bones held", skpPath, numbones,
            model->bones.size());
        return;
    }
    if (numbones < 2)
        Add(problems, "%s: the model has %i bones; at least 2 are needed", skpPath, numbones);
    if (model->numframes < 1)
        Add(problems, "%s: the model has no frames; frame 0 is needed", skpPath);
    if (model->numframes < 0 || (size_t)model->numframes > model->frames.size()) {
        Add(problems, "%s: the frame count %i does not match the %zu frames held", skpPath,
            model->numframes, model->frames.size());
        return;
    }
    for (int32_t i = 0; i < numbones; i++) {
        if (!NameTerminated(model->bones[i].name))
            Add(problems, "%s: the name of bone %i has no terminating NUL", skpPath, i);
    }
    for (int32_t f = 0; f < model->numframes; f++) {
        const PoseFrame& frame = model->frames[f];
        if (!NameTerminated(frame.name))
            Add(problems, "%s: the name of frame %i has no terminating NUL", skpPath, f);
        if (frame.poses.size() != (size_t)numbones)
            Add(problems, "%s: frame %i has %zu poses for %i bones", skpPath, f, frame.poses.size(),
                numbones);
    }

    if (model->nummeshes < 0 || (size_t)model->nummeshes > model->meshes.size()) {
        Add(problems, "%s: the mesh count %i does not match the %zu meshes held", skmPath,
            model->nummeshes, model->meshes.size());
        return;
    }
    for (int32_t m = 0; m < model->nummeshes; m++) {
        const SkelMesh& mesh = model->meshes[m];
        if (!NameTerminated(mesh.meshname))
            Add(problems, "%s: the mesh name of mesh %i has no terminating NUL", skmPath, m);
        if (!NameTerminated(mesh.skinname))
            Add(problems, "%s: the skin name of mesh %i has no terminating NUL", skmPath, m);
        if (mesh.numverts < 0 || (size_t)mesh.numverts > mesh.verts.size() || mesh.numtris < 0 ||
            (size_t)mesh.numtris * 3 > mesh.indices.size() || mesh.numreferences < 0 ||
            (size_t)mesh.numreferences > mesh.references.size()) {
            Add(problems, "%s: the counts of mesh %i do not match its arrays", skmPath, m);
            continue;
        }
        // One line per kind of fault and mesh, with the first offender and
        // how many there are, so a broken mesh does not flood the output.
        int32_t badWeights = 0, firstVertex = -1, firstBone = 0;
        for (int32_t v = 0; v < mesh.numverts; v++) {
            const SkelVertex& vertex = mesh.verts[v];
            for (int32_t w = 0; w < vertex.numweights && vertex.weights; w++) {
                int32_t bone = vertex.weights[w].bonenum;
                if (bone >= 0 && bone < numbones) continue;
                if (badWeights++ == 0) {
                    firstVertex = v;
                    firstBone = bone;
                }
            }
        }
        if (badWeights)
            Add(problems,
                "%s: mesh %i has %i weights on bones outside 0..%i (first: vertex %i, bone %i)",
                skmPath, m, badWeights, numbones - 1, firstVertex, firstBone);

        int32_t badIndices = 0, firstTriangle = -1, firstIndex = 0;
        for (int32_t t = 0; t < mesh.numtris * 3; t++) {
            int32_t index = mesh.indices[t];
            if (index >= 0 && index < mesh.numverts) continue;
            if (badIndices++ == 0) {
                firstTriangle = t / 3;
                firstIndex = index;
            }
        }
        if (badIndices)
            Add(problems,
                "%s: mesh %i has %i triangle indices outside 0..%i (first: triangle %i, index %i)",
                skmPath, m, badIndices, mesh.numverts - 1, firstTriangle, firstIndex);

        int32_t badRefs = 0, firstRef = 0;
        for (int32_t r = 0; r < mesh.numreferences; r++) {
            int32_t bone = mesh.references[r];
            if (bone >= 0 && bone < numbones) continue;
            if (badRefs++ == 0) firstRef = bone;
        }
        if (badRefs)
            Add(problems, "%s: mesh %i has %i bone references outside 0..%i (first: %i)", skmPath,
                m, badRefs, numbones - 1, firstRef);
    }
}

void CheckSkinWeights(const SkelModel* model, const char* skmPath,
                      std::vector<std::string>* problems, std::vector<std::string>* notes) {
    int32_t numbones = model->numbones;
    if (numbones < 0 || (size_t)numbones > model->bones.size()) return;
    if (model->nummeshes < 0 || (size_t)model->nummeshes > model->meshes.size()) return;
    for (int32_t m = 0; m < model->nummeshes; m++) {
        const SkelMesh& mesh = model->meshes[m];
        if (mesh.numverts < 0 || (size_t)mesh.numverts > mesh.verts.size()) continue;
        int32_t unweighted = 0, firstUnweighted = -1;
        int32_t offSum = 0, firstOff = -1;
        float firstSum = 0;
        for (int32_t v = 0; v < mesh.numverts; v++) {
            const SkelVertex& vertex = mesh.verts[v];
            bool weighted = false;
            float sum = 0;
            for (int32_t w = 0; w < vertex.numweights && vertex.weights; w++) {
                const BoneWeight& weight = vertex.weights[w];
                if (weight.bonenum < 0 || weight.bonenum >= numbones) continue;
                weighted = true;
                sum += weight.influence;
            }
            if (!weighted) {
                if (unweighted++ == 0) firstUnweighted = v;
            } else if (!(std::fabs(sum - 1.0f) <= 1e-3f)) { // NaN counts as off
                if (offSum++ == 0) {
                    firstOff = v;
                    firstSum = sum;
                }
            }
        }
        if (unweighted)
            Add(problems,
                "%s: mesh %i has %i vert%s without a weight on an existing bone, not drawn "
                "(first: vertex %i)",
                skmPath, m, unweighted, unweighted == 1 ? "ex" : "ices", firstUnweighted);
        if (offSum)
            Add(notes,
                "%s: note: mesh %i has %i vert%s whose influences do not add up to 1 "
                "(first: vertex %i, sum %g)",
                skmPath, m, offSum, offSum == 1 ? "ex" : "ices", firstOff, (double)firstSum);
    }
}
