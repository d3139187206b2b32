// Names, arguments and frame operations of the editing core.
#include "edit/edit.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "edit/edit_internal.h"

bool EditFail(std::string* why, const std::string& text) {
    if (why) *why = text;
    return false;
}

bool SkeletonShapeOk(const SkelModel* model, std::string* why) {
    if (!model) return EditFail(why, "no model");
    if (model->numbones < 0 || (size_t)model->numbones != model->bones.size() ||
        model->numframes < 0 || (size_t)model->numframes != model->frames.size())
        return EditFail(why, "the model's bone or frame count does not match what it holds");
    for (const PoseFrame& frame : model->frames)
        if (frame.poses.size() != (size_t)model->numbones)
            return EditFail(why, "a frame of the model does not hold one pose per bone");
    return true;
}

bool MeshShapeOk(const SkelModel* model, std::string* why) {
    if (model->nummeshes < 0 || (size_t)model->nummeshes != model->meshes.size())
        return EditFail(why, "the model's mesh count does not match what it holds");
    return true;
}

namespace {

// A plain decimal number (digits only) that fits an int32.
bool ParseIndex(const char* text, int32_t* out) {
    if (!text || !*text) return false;
    for (const char* p = text; *p; p++)
        if (*p < '0' || *p > '9') return false;
    errno = 0;
    char* end = nullptr;
    long long value = strtoll(text, &end, 10);
    if (errno || *end || value > INT32_MAX) return false;
    *out = (int32_t)value;
    return true;
}

// Index or first name match among count named items.
template <typename NameOf>
bool FindArg(const char* text, int32_t count, NameOf nameOf, const char* what, int32_t* out,
             std::string* why) {
    if (!text) return EditFail(why, std::string("no ") + what + " given");
    int32_t index = 0;
    if (ParseIndex(text, &index) && index < count) {
        *out = index;
        return true;
    }
    for (int32_t i = 0; i < count; i++)
        if (strncmp(nameOf(i), text, NAME_LEN) == 0 && strlen(text) < (size_t)NAME_LEN) {
            *out = i;
            return true;
        }
    return EditFail(why, std::string("no ") + what + " \"" + text + "\"");
}

bool NameFits(const char* name, std::string* why) {
    if (!name) return EditFail(why, "no name given");
    size_t n = strlen(name);
    if (n >= (size_t)NAME_LEN)
        return EditFail(why, "name is " + std::to_string(n) + " bytes long, at most " +
                                 std::to_string(NAME_LEN - 1) + " fit");
    return true;
}

bool FrameInModel(const SkelModel* model, int32_t frame, std::string* why) {
    if (frame < 0 || frame >= model->numframes)
        return EditFail(why, "no frame " + std::to_string(frame) + " (the model has " +
                                 std::to_string(model->numframes) + ")");
    return true;
}

bool BoneInModel(const SkelModel* model, int32_t bone, std::string* why) {
    if (bone < 0 || bone >= model->numbones)
        return EditFail(why, "no bone " + std::to_string(bone) + " (the model has " +
                                 std::to_string(model->numbones) + ")");
    return true;
}

bool MeshInModel(const SkelModel* model, int32_t mesh, std::string* why) {
    if (!MeshShapeOk(model, why)) return false;
    if (mesh < 0 || mesh >= model->nummeshes)
        return EditFail(why, "no mesh " + std::to_string(mesh) + " (the model has " +
                                 std::to_string(model->nummeshes) + ")");
    return true;
}

} // namespace

bool FindFrameArg(const SkelModel* model, const char* text, int32_t* frame, std::string* why) {
    if (!SkeletonShapeOk(model, why)) return false;
    return FindArg(
        text, model->numframes, [&](int32_t i) { return model->frames[i].name; }, "frame", frame,
        why);
}

bool FindBoneArg(const SkelModel* model, const char* text, int32_t* bone, std::string* why) {
    if (!SkeletonShapeOk(model, why)) return false;
    return FindArg(
        text, model->numbones, [&](int32_t i) { return model->bones[i].name; }, "bone", bone, why);
}

bool FindMeshArg(const SkelModel* model, const char* text, int32_t* mesh, std::string* why) {
    if (!model) return EditFail(why, "no model");
    if (!MeshShapeOk(model, why)) return false;
    return FindArg(
        text, model->nummeshes, [&](int32_t i) { return model->meshes[i].meshname; }, "mesh", mesh,
        why);
}

bool ParseFrameRanges(const char* text, int32_t numframes, std::vector<int32_t>* frames,
                      std::string* why) {
    if (!text || !*text) return EditFail(why, "no frames given");
    std::vector<int32_t> out;
    std::string all(text);
    size_t start = 0;
    while (true) {
        size_t comma = all.find(',', start);
        std::string item =
            all.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (item.empty()) return EditFail(why, "empty item in frame list \"" + all + "\"");
        size_t dash = item.find('-');
        std::string first = item.substr(0, dash);
        int32_t a = 0, b = 0;
        if (!ParseIndex(first.c_str(), &a))
            return EditFail(why, "\"" + item + "\" is not a frame or range of frames");
        if (dash == std::string::npos) {
            b = a;
        } else {
            std::string second = item.substr(dash + 1);
            if (second.empty()) {
                b = numframes - 1;
                if (a > b) b = a; // reported as past the last frame below
            } else if (!ParseIndex(second.c_str(), &b)) {
                return EditFail(why, "\"" + item + "\" is not a frame or range of frames");
            }
        }
        int32_t past = a >= numframes ? a : b >= numframes ? b : -1;
        if (past >= 0)
            return EditFail(why, "frame " + std::to_string(past) + " in \"" + item +
                                     "\" is past the last frame (" + std::to_string(numframes - 1) +
                                     ")");
        // Ranges of a model within MAX_FRAMES; the total is bounded by the caller's checks,
        // but a list repeating a long range must not grow without bound.
        size_t span = (size_t)std::abs((long long)b - a) + 1;
        if (out.size() + span > (size_t)MAX_FRAMES * 2)
            return EditFail(why, "frame list \"" + all + "\" names too many frames");
        if (a <= b)
            for (int32_t f = a; f <= b; f++) out.push_back(f);
        else
            for (int32_t f = a; f >= b; f--) out.push_back(f);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    *frames = std::move(out);
    return true;
}

bool RenameFrame(SkelModel* model, int32_t frame, const char* name, std::string* why) {
    if (!SkeletonShapeOk(model, why) || !FrameInModel(model, frame, why) || !NameFits(name, why))
        return false;
    CopyName(model->frames[frame].name, name);
    return true;
}

bool RenameBone(SkelModel* model, int32_t bone, const char* name, std::string* why) {
    if (!SkeletonShapeOk(model, why) || !BoneInModel(model, bone, why) || !NameFits(name, why))
        return false;
    CopyName(model->bones[bone].name, name);
    return true;
}

bool RenameMesh(SkelModel* model, int32_t mesh, const char* name, std::string* why) {
    if (!model) return EditFail(why, "no model");
    if (!MeshInModel(model, mesh, why) || !NameFits(name, why)) return false;
    CopyName(model->meshes[mesh].meshname, name);
    return true;
}

bool RenameSkin(SkelModel* model, int32_t mesh, const char* name, std::string* why) {
    if (!model) return EditFail(why, "no model");
    if (!MeshInModel(model, mesh, why) || !NameFits(name, why)) return false;
    CopyName(model->meshes[mesh].skinname, name);
    return true;
}

bool KeepFrames(SkelModel* model, const std::vector<int32_t>& frames, std::string* why) {
    if (!SkeletonShapeOk(model, why)) return false;
    if (frames.empty()) return EditFail(why, "no frame would be left");
    if (frames.size() > (size_t)MAX_FRAMES)
        return EditFail(why, std::to_string(frames.size()) + " frames, more than " +
                                 std::to_string(MAX_FRAMES));
    for (int32_t f : frames)
        if (!FrameInModel(model, f, why)) return false;
    // Frames kept once are moved; a frame kept again is copied from the first.
    std::vector<PoseFrame> kept(frames.size());
    std::vector<int32_t> movedTo(model->frames.size(), -1);
    for (size_t i = 0; i < frames.size(); i++) {
        int32_t f = frames[i];
        if (movedTo[f] < 0) {
            kept[i] = std::move(model->frames[f]);
            movedTo[f] = (int32_t)i;
        } else {
            kept[i] = kept[movedTo[f]];
        }
    }
    model->frames = std::move(kept);
    model->numframes = (int32_t)model->frames.size();
    return true;
}

bool DropFrames(SkelModel* model, const std::vector<int32_t>& frames, std::string* why) {
    if (!SkeletonShapeOk(model, why)) return false;
    std::vector<bool> drop(model->frames.size(), false);
    size_t dropped = 0;
    for (int32_t f : frames) {
        if (!FrameInModel(model, f, why)) return false;
        if (!drop[f]) dropped++;
        drop[f] = true;
    }
    if (dropped == model->frames.size()) return EditFail(why, "no frame would be left");
    size_t to = 0;
    for (size_t f = 0; f < model->frames.size(); f++)
        if (!drop[f]) {
            if (to != f) model->frames[to] = std::move(model->frames[f]);
            to++;
        }
    model->frames.resize(to);
    model->numframes = (int32_t)to;
    return true;
}

bool InsertFrame(SkelModel* model, int32_t at, const PoseFrame& frame, std::string* why) {
    if (!SkeletonShapeOk(model, why)) return false;
    if (at < 0 || at > model->numframes)
        return EditFail(why, "no place " + std::to_string(at) + " for a frame");
    if (model->numframes >= MAX_FRAMES)
        return EditFail(why, "the model already has " + std::to_string(MAX_FRAMES) +
                                 " frames, the most a file holds");
    if ((int64_t)frame.poses.size() != model->numbones)
        return EditFail(why, "the frame does not hold one pose per bone");
    model->frames.insert(model->frames.begin() + at, frame);
    model->numframes++;
    return true;
}

bool DuplicateFrame(SkelModel* model, int32_t frame, std::string* why) {
    if (!SkeletonShapeOk(model, why) || !FrameInModel(model, frame, why)) return false;
    // A copy first: inserting may move the frame being copied.
    PoseFrame copy = model->frames[frame];
    return InsertFrame(model, frame + 1, copy, why);
}

bool DeleteFrame(SkelModel* model, int32_t frame, std::string* why) {
    if (!SkeletonShapeOk(model, why) || !FrameInModel(model, frame, why)) return false;
    if (model->numframes == 1) return EditFail(why, "the model's only frame cannot be removed");
    model->frames.erase(model->frames.begin() + frame);
    model->numframes--;
    return true;
}

bool SetBonePose(SkelModel* model, int32_t frame, int32_t bone, const BonePose& pose,
                 std::string* why) {
    if (!SkeletonShapeOk(model, why) || !FrameInModel(model, frame, why) ||
        !BoneInModel(model, bone, why))
        return false;
    for (float v : pose.quat)
        if (!std::isfinite(v)) return EditFail(why, "the rotation is not finite");
    for (float v : pose.origin)
        if (!std::isfinite(v)) return EditFail(why, "the position is not finite");
    model->frames[frame].poses[bone] = pose;
    return true;
}
