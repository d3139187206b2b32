// Counts and indexing helpers of the model records, the name-field copy rule
// and the weight links.
#include "model/model.h"

#include <cstring>

void CopyName(char* field, const char* text) {
    size_t n = text ? strnlen(text, NAME_LEN - 1) : 0;
    memcpy(field, text ? text : "", n);
    memset(field + n, 0, NAME_LEN - n);
}

int32_t UsableBones(const SkelModel* model) {
    if (!model || model->numbones <= 0) return 0;
    if ((size_t)model->numbones > model->bones.size()) return (int32_t)model->bones.size();
    return model->numbones;
}

int32_t UsableMeshes(const SkelModel* model) {
    if (!model || model->nummeshes <= 0) return 0;
    if ((size_t)model->nummeshes > model->meshes.size()) return (int32_t)model->meshes.size();
    return model->nummeshes;
}

int32_t UsableFrames(const SkelModel* model) {
    if (!model || model->numframes <= 0) return 0;
    if ((size_t)model->numframes > model->frames.size()) return (int32_t)model->frames.size();
    return model->numframes;
}

int32_t StepIndex(int32_t index, int step, int32_t count) {
    if (count <= 0) return index;
    int64_t next = (int64_t)index + step;
    if (next >= count)
        next = 0;
    else if (next < 0)
        next = count - 1;
    return (int32_t)next;
}

bool LinkVertexWeights(SkelMesh* mesh) {
    size_t need = 0;
    for (const SkelVertex& v : mesh->verts) {
        if (v.numweights < 0) return false;
        need += (size_t)v.numweights;
    }
    if (need > mesh->weightpool.size()) return false;
    BoneWeight* next = mesh->weightpool.data();
    for (SkelVertex& v : mesh->verts) {
        v.weights = next;
        next += v.numweights;
    }
    return true;
}

SkelMesh::SkelMesh(const SkelMesh& other)
    : numverts(other.numverts),
      verts(other.verts),
      texcoords(other.texcoords),
      numtris(other.numtris),
      indices(other.indices),
      numreferences(other.numreferences),
      references(other.references),
      weightpool(other.weightpool) {
    memcpy(skinname, other.skinname, sizeof skinname);
    memcpy(meshname, other.meshname, sizeof meshname);
    // Keep each vertex at the same place in the pool as in the source.
    const BoneWeight* base = other.weightpool.data();
    for (size_t v = 0; v < verts.size(); v++) {
        const BoneWeight* w = other.verts[v].weights;
        if (w && w >= base && w <= base + other.weightpool.size())
            verts[v].weights = weightpool.data() + (w - base);
        else
            verts[v].weights = nullptr;
    }
}

SkelMesh& SkelMesh::operator=(const SkelMesh& other) {
    if (this != &other) *this = SkelMesh(other);
    return *this;
}
