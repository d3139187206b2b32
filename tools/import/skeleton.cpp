// Which nodes of a scene are bones, in what order, and where each stands in
// the bind pose.
#include <algorithm>
#include <climits>
#include <queue>
#include <utility>

#include "tools/import/scene.h"

namespace {

// The nodes named by the meshes' bones, ranked in the order the meshes list
// them (for our glTF export that is the bone order), each with the bind
// transform of the first offset matrix that names it.
void FindSkinningNodes(const SceneFile& file, std::vector<long>* rank, std::vector<bool>* hasBind,
                       std::vector<Affine>* bind) {
    const aiScene* scene = file.scene;
    long next = 0;
    for (size_t n = 0; n < file.nodes.size(); n++) {
        const aiNode* node = file.nodes[n];
        for (unsigned k = 0; k < node->mNumMeshes; k++) {
            if (node->mMeshes[k] >= scene->mNumMeshes) continue;
            const aiMesh* mesh = scene->mMeshes[node->mMeshes[k]];
            for (unsigned b = 0; b < mesh->mNumBones; b++) {
                auto found = file.byName.find(mesh->mBones[b]->mName.C_Str());
                if (found == file.byName.end() || (*hasBind)[found->second]) continue;
                int bone = found->second;
                (*rank)[bone] = next++;
                (*hasBind)[bone] = true;
                // The offset matrix takes the mesh's space to the bone's.
                (*bind)[bone] = MeshPlacement(file, (int)n, mesh) *
                                Inverse(ToAffine(mesh->mBones[b]->mOffsetMatrix));
            }
        }
    }
}

// The nearest ancestor of n that is not a pivot helper (helpers are folded
// into the bone below them), or -1 at the scene root.
int ParentPastHelpers(const SceneFile& file, int n) {
    int p = file.parent[n];
    while (p > 0 && file.helper[p]) p = file.parent[p];
    return p;
}

// The bone set of a file that marks its joints: the skinning nodes, the
// joints above them up to each skeleton's root, and every joint below such
// a root, weighted or not. Plain nodes above a root (a 3D suite's armature
// object) are left out: their transform reaches the root bones through the
// node tree, in the bind pose and in every frame.
void ChooseMarkedJoints(const SceneFile& file, std::vector<long>* rank, std::vector<bool>* inSet) {
    size_t count = file.nodes.size();
    // From the back, so each node's pass comes after its descendants'.
    for (size_t n = count; n-- > 1;) {
        if (!(*inSet)[n]) continue;
        int p = ParentPastHelpers(file, (int)n);
        if (p <= 0 || !file.joint[p]) continue;
        (*inSet)[p] = true;
        (*rank)[p] = std::min((*rank)[p], (*rank)[n]);
    }
    // Pre-order: every joint below a chosen node, in the file's order after
    // the skinning ones.
    for (size_t n = 1; n < count; n++) {
        if ((*inSet)[n] || !file.joint[n]) continue;
        int p = ParentPastHelpers(file, (int)n);
        if (p > 0 && (*inSet)[p]) (*inSet)[n] = true;
    }
}

// The bone set of a file that does not mark joints: the skinning nodes and
// their ancestors below the scene root, mesh nodes and helpers left out.
void ChooseAncestors(const SceneFile& file, std::vector<long>* rank, std::vector<bool>* inSet) {
    // Pre-order puts every parent before its children, so one pass from the
    // back reaches every ancestor after its descendants.
    for (size_t n = file.nodes.size(); n-- > 1;) {
        if (!(*inSet)[n]) continue;
        for (int p = file.parent[n]; p > 0; p = file.parent[p]) {
            if (file.nodes[p]->mNumMeshes > 0 || file.helper[p]) continue;
            (*inSet)[p] = true;
            // An ancestor takes the place of its first-listed descendant.
            (*rank)[p] = std::min((*rank)[p], (*rank)[n]);
            break; // p's own pass (it comes later from the back) climbs on
        }
    }
}

// Orders the chosen nodes parents first, lowest rank first among the nodes
// whose parent is placed, and gives each its bind transform.
void OrderBones(const SceneFile& file, const std::vector<long>& rank,
                const std::vector<bool>& inSet, const std::vector<bool>& hasBind,
                const std::vector<Affine>& bind, Skeleton* skeleton) {
    size_t count = file.nodes.size();
    std::vector<int> above(count, -1);
    std::vector<std::vector<int>> children(count);
    using Entry = std::pair<long, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> ready;
    for (size_t n = 0; n < count; n++) {
        if (!inSet[n]) continue;
        int p = file.parent[n];
        while (p >= 0 && !inSet[p]) p = file.parent[p];
        above[n] = p;
        if (p < 0)
            ready.push({rank[n], (int)n});
        else
            children[p].push_back((int)n);
    }
    while (!ready.empty()) {
        int n = ready.top().second;
        ready.pop();
        int bone = (int)skeleton->node.size();
        int parentBone = above[n] < 0 ? -1 : skeleton->boneOfNode[above[n]];
        skeleton->boneOfNode[n] = bone;
        skeleton->node.push_back(n);
        skeleton->parent.push_back(parentBone);
        if (hasBind[n]) {
            skeleton->bind.push_back(bind[n]);
        } else if (parentBone < 0) {
            skeleton->bind.push_back(file.rest[n]);
        } else {
            // No offset matrix (it skins nothing): its parent's bind pose and
            // the node tree's transforms from there down.
            Affine path = IdentityAffine();
            for (int k = n; k != above[n]; k = file.parent[k])
                path = ToAffine(file.nodes[k]->mTransformation) * path;
            skeleton->bind.push_back(skeleton->bind[parentBone] * path);
        }
        for (int child : children[n]) ready.push({rank[child], child});
    }
}

} // namespace

void BuildSkeleton(const SceneFile& file, const aiAnimation* animation, Skeleton* skeleton) {
    size_t count = file.nodes.size();
    std::vector<long> rank(count, LONG_MAX);
    std::vector<bool> hasBind(count, false), inSet(count, false);
    std::vector<Affine> bind(count);
    FindSkinningNodes(file, &rank, &hasBind, &bind);
    for (size_t n = 0; n < count; n++) inSet[n] = hasBind[n];

    bool anySeed = false;
    for (size_t n = 0; n < count; n++) anySeed |= inSet[n];
    if (!anySeed && animation) {
        // A skeleton without a skin: the nodes the animation moves.
        for (unsigned c = 0; c < animation->mNumChannels; c++) {
            auto found = file.byName.find(animation->mChannels[c]->mNodeName.C_Str());
            if (found == file.byName.end() || file.nodes[found->second]->mNumMeshes > 0 ||
                file.helper[found->second])
                continue;
            inSet[found->second] = true;
            rank[found->second] = found->second;
        }
    }
    if (file.knowsJoints)
        ChooseMarkedJoints(file, &rank, &inSet);
    else
        ChooseAncestors(file, &rank, &inSet);

    skeleton->boneOfNode.assign(count, -1);
    skeleton->node.clear();
    skeleton->parent.clear();
    skeleton->bind.clear();
    skeleton->synthetic = false;
    OrderBones(file, rank, inSet, hasBind, bind, skeleton);
    if (skeleton->node.empty()) {
        skeleton->synthetic = true;
        skeleton->node.push_back(-1);
        skeleton->parent.push_back(-1);
        skeleton->bind.push_back(IdentityAffine());
    }
}

int BoneAbove(const SceneFile& file, const Skeleton& skeleton, int n) {
    for (int k = n; k >= 0; k = file.parent[k])
        if (skeleton.boneOfNode[k] >= 0) return skeleton.boneOfNode[k];
    return -1;
}
