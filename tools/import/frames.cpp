// The pose frames of an import: the bind pose, and the animation sampled at
// the planned times. Rotations are carried as quaternions down the node tree
// rather than taken back out of matrices, so a key's sign survives: `gltf`
// then `import` gives back each pose's own four numbers.
#include <algorithm>
#include <cmath>

#include "tools/import/scene.h"

namespace {

// A key track's value at time t: the first or last key outside their span,
// a key's own value at its time, else mixed between the two around t.
template <class Key, class Value, class Mix>
Value SampleTrack(const Key* keys, unsigned count, double t,
                  Value (*convert)(const decltype(Key::mValue)&), Mix mix) {
    if (count == 1 || t <= keys[0].mTime) return convert(keys[0].mValue);
    if (t >= keys[count - 1].mTime) return convert(keys[count - 1].mValue);
    unsigned lo = 0, hi = count - 1; // keys[lo].mTime <= t < keys[hi].mTime
    while (hi - lo > 1) {
        unsigned mid = lo + (hi - lo) / 2;
        (keys[mid].mTime <= t ? lo : hi) = mid;
    }
    double f = (t - keys[lo].mTime) / (keys[hi].mTime - keys[lo].mTime);
    if (!(f > 0)) return convert(keys[lo].mValue);
    return mix(convert(keys[lo].mValue), convert(keys[hi].mValue), f);
}

Vec3d Lerp(Vec3d a, Vec3d b, double f) { return a + f * (b - a); }

struct NodeState {
    const aiNodeAnim* channel = nullptr;
    RigidPart rest;      // the node's own transform taken apart
    Affine restLocal;    // and whole
    bool needed = false; // a bone or above one
};

// A bone's pose relative to its parent bone from both model-space poses.
BonePose LocalPose(Quatd parentRotation, Vec3d parentPosition, Quatd rotation, Vec3d position) {
    Quatd back = Conjugate(parentRotation);
    Quatd q = Normalized(back * rotation);
    Vec3d o = Rotate(back, position - parentPosition);
    return BonePose{{(float)q.x, (float)q.y, (float)q.z, (float)q.w},
                    {(float)o.x, (float)o.y, (float)o.z}};
}

void FillFrame(const Skeleton& skeleton, const std::vector<Quatd>& rotation,
               const std::vector<Vec3d>& position, PoseFrame* frame) {
    size_t bones = skeleton.node.size();
    frame->poses.resize(bones);
    for (size_t b = 0; b < bones; b++) {
        int p = skeleton.parent[b];
        frame->poses[b] = p < 0 ? LocalPose({0, 0, 0, 1}, {0, 0, 0}, rotation[b], position[b])
                                : LocalPose(rotation[p], position[p], rotation[b], position[b]);
    }
}

} // namespace

double TicksPerSecond(const aiAnimation* animation) {
    return animation->mTicksPerSecond > 0 ? animation->mTicksPerSecond : 25.0;
}

std::vector<double> KeyTimes(const aiAnimation* animation) {
    // A track of one key holds a value, not a time to sample at (assimp
    // adds such tracks for parts a file does not animate); those count only
    // when no track has more.
    std::vector<double> times, single;
    for (unsigned c = 0; c < animation->mNumChannels; c++) {
        const aiNodeAnim* channel = animation->mChannels[c];
        auto collect = [&](unsigned count, auto keys) {
            for (unsigned k = 0; k < count; k++)
                (count > 1 ? times : single).push_back(keys[k].mTime);
        };
        collect(channel->mNumPositionKeys, channel->mPositionKeys);
        collect(channel->mNumRotationKeys, channel->mRotationKeys);
        collect(channel->mNumScalingKeys, channel->mScalingKeys);
    }
    if (times.empty()) times.swap(single);
    std::sort(times.begin(), times.end());
    double span = times.empty() ? 0 : std::max(std::fabs(times.front()), std::fabs(times.back()));
    double tolerance = 1e-9 * std::max(1.0, span);
    std::vector<double> distinct;
    for (double t : times)
        if (std::isfinite(t) && (distinct.empty() || t - distinct.back() > tolerance))
            distinct.push_back(t);
    return distinct;
}

void SampleFrames(const SceneFile& file, const Skeleton& skeleton, const aiAnimation* animation,
                  const FramePlan& plan, SkelModel* model) {
    size_t bones = skeleton.node.size(), count = file.nodes.size();
    model->frames.clear();
    std::vector<Quatd> rotation(bones);
    std::vector<Vec3d> position(bones);
    PoseFrame frame;
    if (plan.bindFirst) {
        for (size_t b = 0; b < bones; b++) {
            RigidPart part = SplitRigid(skeleton.bind[b]);
            rotation[b] = part.rotation, position[b] = part.translation;
        }
        FillFrame(skeleton, rotation, position, &frame);
        // The bind pose has no key to take a sign from: w >= 0.
        for (BonePose& pose : frame.poses)
            if (pose.quat[3] < 0)
                for (float& v : pose.quat) v = -v;
        model->frames.push_back(frame);
    }

    std::vector<NodeState> nodes(count);
    for (size_t b = 0; b < bones && !skeleton.synthetic; b++)
        for (int k = skeleton.node[b]; k >= 0 && !nodes[k].needed; k = file.parent[k])
            nodes[k].needed = true;
    for (size_t n = 0; n < count; n++) {
        nodes[n].restLocal = ToAffine(file.nodes[n]->mTransformation);
        nodes[n].rest = SplitRigid(nodes[n].restLocal);
    }
    for (unsigned c = 0; animation && c < animation->mNumChannels; c++) {
        auto found = file.byName.find(animation->mChannels[c]->mNodeName.C_Str());
        if (found != file.byName.end() && !nodes[found->second].channel)
            nodes[found->second].channel = animation->mChannels[c];
    }

    std::vector<Affine> global(count);
    std::vector<Quatd> turn(count);
    for (double t : plan.ticks) {
        for (size_t n = 0; n < count; n++) {
            if (!nodes[n].needed) continue;
            const NodeState& node = nodes[n];
            Affine local = node.restLocal;
            Quatd q = node.rest.rotation;
            if (const aiNodeAnim* ch = node.channel) {
                Vec3d at =
                    ch->mNumPositionKeys
                        ? SampleTrack(ch->mPositionKeys, ch->mNumPositionKeys, t, ToVec3d, Lerp)
                        : node.rest.translation;
                if (ch->mNumRotationKeys)
                    q = Normalized(
                        SampleTrack(ch->mRotationKeys, ch->mNumRotationKeys, t, ToQuatd, Slerp));
                Vec3d size =
                    ch->mNumScalingKeys
                        ? SampleTrack(ch->mScalingKeys, ch->mNumScalingKeys, t, ToVec3d, Lerp)
                        : node.rest.scale;
                local = ComposeAffine(at, q, size);
            }
            int p = file.parent[n];
            global[n] = (p < 0 ? file.toModel : global[p]) * local;
            turn[n] = (p < 0 ? file.toModelRotation : turn[p]) * q;
        }
        for (size_t b = 0; b < bones; b++) {
            int n = skeleton.node[b];
            rotation[b] = n < 0 ? Quatd{0, 0, 0, 1} : Normalized(turn[n]);
            position[b] = n < 0 ? Vec3d{0, 0, 0} : Translation(global[n]);
        }
        FillFrame(skeleton, rotation, position, &frame);
        model->frames.push_back(frame);
    }
    for (size_t f = 0; f < model->frames.size() && f < plan.names.size(); f++)
        CopyName(model->frames[f].name, plan.names[f].c_str());
    model->numframes = (int32_t)model->frames.size();
}
