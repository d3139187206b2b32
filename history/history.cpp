// The edit history (see history.h): steps with the bytes an edit changed,
// applied backwards and forwards on the model they were recorded on.
#include "history/history.h"

#include "edit/edit.h"

#include <cstdio>
#include <cstring>
#include <utility>

static const char* ChangeNoun(HistoryChange change) {
    switch (change) {
        case CHANGE_BONE_NAME:
            return "rename bone";
        case CHANGE_MESH_NAME:
            return "rename mesh";
        case CHANGE_SKIN_NAME:
            return "rename skin";
        case CHANGE_FRAME_NAME:
            return "rename frame";
        case CHANGE_FRAME_ADDED:
            return "duplicate frame";
        case CHANGE_FRAME_GONE:
            return "delete frame";
        case CHANGE_BONE_POSES:
            break;
    }
    return "edit";
}

static std::string IndexedLabel(const char* noun, int32_t index) {
    char text[64];
    snprintf(text, sizeof text, "%s %d", noun, (int)index);
    return text;
}

size_t HistoryStepBytes(const HistoryStep& step) {
    size_t n = sizeof step + step.label.capacity() + step.before.capacity() + step.after.capacity();
    n += (step.poses_before.capacity() + step.poses_after.capacity()) * sizeof(BonePose);
    for (const PoseFrame& f : step.frame) n += sizeof f + f.poses.capacity() * sizeof(BonePose);
    return n;
}

HistoryStep MakeNameStep(HistoryChange change, int32_t index, const char* before,
                         const char* after) {
    HistoryStep s;
    s.change = change;
    s.index = index;
    s.label = IndexedLabel(ChangeNoun(change), index);
    // The whole fields: whatever a loaded file left after the NUL comes back too.
    s.before.assign(before, NAME_LEN);
    s.after.assign(after, NAME_LEN);
    return s;
}

HistoryStep MakeBonePosesStep(int32_t bone, int32_t firstFrame, std::vector<BonePose> before,
                              std::vector<BonePose> after, const char* label) {
    HistoryStep s;
    s.change = CHANGE_BONE_POSES;
    s.index = firstFrame;
    s.bone = bone;
    s.label = label;
    s.poses_before = std::move(before);
    s.poses_after = std::move(after);
    s.poses_before.shrink_to_fit();
    s.poses_after.shrink_to_fit();
    return s;
}

HistoryStep MakeFrameStep(HistoryChange change, int32_t index, const PoseFrame& frame) {
    HistoryStep s;
    s.change = change;
    s.index = index;
    s.label = IndexedLabel(ChangeNoun(change), index);
    s.frame.push_back(frame);
    s.frame[0].poses.shrink_to_fit();
    return s;
}

// Drops the oldest step; the state it led to becomes the oldest one reachable.
static void DropOldest(EditHistory* h) {
    h->bytes -= HistoryStepBytes(h->steps.front());
    h->base_state = h->steps.front().state;
    h->steps.pop_front();
    if (h->done > 0) h->done--;
}

void PushHistory(EditHistory* h, HistoryStep step) {
    while (h->steps.size() > h->done) {
        h->bytes -= HistoryStepBytes(h->steps.back());
        h->steps.pop_back();
    }
    step.state = h->next_state++;
    h->bytes += HistoryStepBytes(step);
    h->steps.push_back(std::move(step));
    h->done = h->steps.size();
    while (!h->steps.empty() && h->bytes > h->limit) DropOldest(h);
}

// The name field a step changes, or null when the model has no such field.
static char* NameField(SkelModel* m, const HistoryStep& s) {
    switch (s.change) {
        case CHANGE_BONE_NAME:
            return s.index >= 0 && s.index < UsableBones(m) ? m->bones[s.index].name : nullptr;
        case CHANGE_MESH_NAME:
            return s.index >= 0 && s.index < UsableMeshes(m) ? m->meshes[s.index].meshname
                                                             : nullptr;
        case CHANGE_SKIN_NAME:
            return s.index >= 0 && s.index < UsableMeshes(m) ? m->meshes[s.index].skinname
                                                             : nullptr;
        case CHANGE_FRAME_NAME:
            return s.index >= 0 && s.index < UsableFrames(m) ? m->frames[s.index].name : nullptr;
        default:
            return nullptr;
    }
}

static bool PosesFit(const SkelModel* m, const HistoryStep& s) {
    int64_t count = (int64_t)s.poses_after.size();
    if (s.bone < 0 || s.bone >= UsableBones(m) || s.index < 0 ||
        (int64_t)s.index + count > UsableFrames(m) || s.poses_before.size() != s.poses_after.size())
        return false;
    for (int64_t f = s.index; f < s.index + count; f++)
        if ((int64_t)m->frames[f].poses.size() <= s.bone) return false;
    return true;
}

// Puts the model into the state before the step (backwards) or after it.
static bool ApplyStep(SkelModel* m, const HistoryStep& s, bool backwards) {
    if (!m) return false;
    switch (s.change) {
        case CHANGE_BONE_NAME:
        case CHANGE_MESH_NAME:
        case CHANGE_SKIN_NAME:
        case CHANGE_FRAME_NAME: {
            char* field = NameField(m, s);
            if (!field) return false;
            const std::string& name = backwards ? s.before : s.after;
            if (name.size() != (size_t)NAME_LEN) return false;
            memcpy(field, name.data(), NAME_LEN);
            return true;
        }
        case CHANGE_BONE_POSES: {
            if (!PosesFit(m, s)) return false;
            const std::vector<BonePose>& poses = backwards ? s.poses_before : s.poses_after;
            for (size_t i = 0; i < poses.size(); i++)
                m->frames[s.index + i].poses[s.bone] = poses[i];
            return true;
        }
        case CHANGE_FRAME_ADDED:
        case CHANGE_FRAME_GONE: {
            if (s.frame.size() != 1) return false;
            bool add = (s.change == CHANGE_FRAME_ADDED) != backwards;
            return add ? InsertFrame(m, s.index, s.frame[0], nullptr)
                       : DeleteFrame(m, s.index, nullptr);
        }
    }
    return false;
}

bool CanUndo(const EditHistory* h) { return h->done > 0; }
bool CanRedo(const EditHistory* h) { return h->done < h->steps.size(); }

// Drops every step; the model keeps counting as unsaved if it was.
static void ForgetSteps(EditHistory* h) {
    uint64_t now = HistoryState(h);
    bool unsaved = HistoryUnsaved(h);
    h->steps.clear();
    h->done = 0;
    h->bytes = 0;
    h->base_state = h->next_state++;
    h->saved_state = unsaved ? now : h->base_state;
}

bool UndoHistory(EditHistory* h, SkelModel* model, const HistoryStep** step) {
    if (!CanUndo(h)) return false;
    const HistoryStep& s = h->steps[h->done - 1];
    if (!ApplyStep(model, s, true)) {
        ForgetSteps(h);
        return false;
    }
    h->done--;
    if (step) *step = &s;
    return true;
}

bool RedoHistory(EditHistory* h, SkelModel* model, const HistoryStep** step) {
    if (!CanRedo(h)) return false;
    const HistoryStep& s = h->steps[h->done];
    if (!ApplyStep(model, s, false)) {
        ForgetSteps(h);
        return false;
    }
    h->done++;
    if (step) *step = &s;
    return true;
}

void ClearHistory(EditHistory* h) {
    ForgetSteps(h);
    MarkHistorySaved(h);
}

uint64_t HistoryState(const EditHistory* h) {
    return h->done == 0 ? h->base_state : h->steps[h->done - 1].state;
}

void MarkHistorySaved(EditHistory* h) { h->saved_state = HistoryState(h); }

bool HistoryUnsaved(const EditHistory* h) { return h->saved_state != HistoryState(h); }

std::vector<BonePose> CaptureBonePoses(const SkelModel* model, int32_t bone, int32_t first,
                                       int32_t count) {
    std::vector<BonePose> poses;
    if (!model || bone < 0 || bone >= UsableBones(model) || first < 0) return poses;
    int32_t end = UsableFrames(model);
    if (count < end - first) end = first + count;
    for (int32_t f = first; f < end; f++) {
        if ((int64_t)model->frames[f].poses.size() <= bone) return {};
        poses.push_back(model->frames[f].poses[bone]);
    }
    return poses;
}
