// Fuzz target for a whole model pair: the SKM and SKP files load together,
// every key channel is stepped through every frame, the model is rotated,
// both files are exported to disk and loaded again, and the reload must match.
// Input: a little-endian uint32 with the SKM file's length, the SKM bytes,
// then the SKP bytes. Owns a scratch directory for the exports.
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz/fuzz_check.h"
#include "model/export.h"
#include "model/load.h"
#include "session/session.h"
#include "pose/rotate_model.h"
#include "session/export.h"

namespace {

// Pose computations (bones times rebuilds) one input may cost; keeps an input
// with hundreds of bones and frames from turning into a hang report. Models
// the size of the demo are stepped through every frame of every channel.
constexpr int64_t POSE_BUDGET = 4 * 1000 * 1000;

std::string ScratchDir;
std::string ScratchSKM, ScratchSKP;

void RemoveScratch() {
    unlink(ScratchSKM.c_str());
    unlink(ScratchSKP.c_str());
    rmdir(ScratchDir.c_str());
}

bool Finite(const float* v, int n) {
    for (int k = 0; k < n; k++)
        if (!std::isfinite(v[k])) return false;
    return true;
}

double Norm(const float* v, int n) {
    double s = 0;
    for (int k = 0; k < n; k++) s += (double)v[k] * v[k];
    return std::sqrt(s);
}

// The frame bone i's channel shows, as the pose builder must choose it.
int32_t ShownFrame(const SkelModel& model, int32_t i) {
    int key = (unsigned char)model.bones[i].name[0];
    int32_t f = KeyActive[key] == 1 ? KeyFrame[key] : 0;
    return f < 0 || f >= model.numframes ? 0 : f;
}

void CheckPublishedKeys() {
    FUZZ_CHECK(DisplayKeys.numkeys >= 0 && (size_t)DisplayKeys.numkeys == DisplayKeys.keys.size() &&
                   DisplayKeys.keys.size() == DisplayKeys.keyframes.size(),
               "key list of %d keys holds %zu and %zu entries", DisplayKeys.numkeys,
               DisplayKeys.keys.size(), DisplayKeys.keyframes.size());
    size_t e = 0;
    for (int c = 0; c < 256; c++) {
        if (KeyActive[c] != 1) continue;
        FUZZ_CHECK(e < DisplayKeys.keys.size() && DisplayKeys.keys[e] == c &&
                       DisplayKeys.keyframes[e] == KeyFrame[c],
                   "key list entry %zu is not active key %d at frame %d", e, c, KeyFrame[c]);
        e++;
    }
    FUZZ_CHECK(e == DisplayKeys.keys.size(), "key list holds keys that are not active");
}

// A bone posed as a root shows its channel's frame unchanged; every pose
// stays inside the array the builder published.
void CheckPose(const SkelModel& model) {
    CheckPublishedKeys();
    FUZZ_CHECK(CurrentPose != nullptr && CurrentPoseCount == model.numbones,
               "pose holds %d bones for %d", CurrentPoseCount, model.numbones);
    static const BonePose IDENTITY = {{0, 0, 0, 1}, {0, 0, 0}};
    for (int32_t i = 0; i < model.numbones; i++) {
        int32_t parent = model.bones[i].parent;
        if (parent >= 0 && parent < i) continue;
        const BonePose& want =
            model.numframes > 0 ? model.frames[ShownFrame(model, i)].poses[i] : IDENTITY;
        FUZZ_CHECK(memcmp(&CurrentPose[i], &want, sizeof want) == 0,
                   "root bone %d is not in its channel's frame %d", i, ShownFrame(model, i));
    }
}

void StepChannels(const SkelModel& model) {
    ResetKeyChannels();
    FUZZ_CHECK(KeyBoneCount == model.numbones, "%d bones listed of %d", KeyBoneCount,
               model.numbones);
    for (int c = 0; c < 256; c++) {
        bool named = false;
        for (const SkelBone& bone : model.bones) named = named || (unsigned char)bone.name[0] == c;
        FUZZ_CHECK((KeyActive[c] == 1) == named && KeyFrame[c] == 1,
                   "key %d: active %d frame %d after a load", c, KeyActive[c], KeyFrame[c]);
    }
    CheckPose(model);

    int64_t budget = POSE_BUDGET;
    // A rebuild also walks all 256 keys, whatever the bone count.
    int64_t cost = (int64_t)model.numbones + 256;
    for (int c = 0; c < 256; c++) {
        if (KeyActive[c] != 1) continue;
        // One more step than there are frames, so every channel wraps.
        for (int32_t step = 0; step <= model.numframes && budget > 0; step++, budget -= cost) {
            int32_t before = KeyFrame[c];
            AdvanceKey(c);
            int32_t want = (int64_t)before + 1 >= model.numframes ? 0 : before + 1;
            FUZZ_CHECK(KeyFrame[c] == want, "key %d stepped from %d to %d, not %d", c, before,
                       KeyFrame[c], want);
            CheckPose(model);
        }
    }
    // Keys that start no bone name change nothing.
    for (int c = 0; c < 256; c++) {
        if (KeyActive[c] == 1) continue;
        int32_t before = KeyFrame[c];
        AdvanceKey(c);
        FUZZ_CHECK(KeyFrame[c] == before, "inactive key %d moved", c);
        break;
    }
}

void CheckSelection(const SkelModel& model) {
    for (int step : {1, -1, -1, 1, 1}) {
        StepSelectedBone(step);
        int32_t bone = ClampSelectedBone();
        FUZZ_CHECK(model.numbones == 0 ? bone == -1 : bone >= 0 && bone < model.numbones,
                   "bone selection %d of %d", bone, model.numbones);
        StepSelectedMesh(step);
        int32_t mesh = ClampSelectedMesh();
        FUZZ_CHECK(model.nummeshes == 0 ? mesh == -1 : mesh >= 0 && mesh < model.nummeshes,
                   "mesh selection %d of %d", mesh, model.nummeshes);
    }
}

// A turn by no angle leaves every finite pose as it was; a real turn keeps
// frame 0 and every bone but bone 0, and turns bone 0 without changing the
// length of its quaternion or its distance from the origin.
void CheckRotation(SkelModel* model) {
    SkelModel before = *model;
    float none[3] = {0, 0, 0};
    RotateModel(none);
    for (int32_t f = 0; f < model->numframes; f++)
        for (int32_t j = 0; j < model->numbones; j++) {
            const BonePose& p = before.frames[f].poses[j];
            const BonePose& q = model->frames[f].poses[j];
            if (!Finite(p.quat, 4) || !Finite(p.origin, 3)) continue;
            for (int k = 0; k < 4; k++)
                FUZZ_CHECK(p.quat[k] == q.quat[k],
                           "frame %d bone %d: quat %d changed by a zero turn", f, j, k);
            for (int k = 0; k < 3; k++)
                FUZZ_CHECK(p.origin[k] == q.origin[k],
                           "frame %d bone %d: origin %d changed by a zero turn", f, j, k);
        }

    before = *model;
    float angles[3] = {30, 90, -45}; // pitch, yaw, roll
    RotateModel(angles);
    for (int32_t f = 0; f < model->numframes; f++)
        for (int32_t j = 0; j < model->numbones; j++) {
            const BonePose& p = before.frames[f].poses[j];
            const BonePose& q = model->frames[f].poses[j];
            if (f == 0 || j != 0) {
                FUZZ_CHECK(memcmp(&p, &q, sizeof p) == 0, "frame %d bone %d changed by a turn", f,
                           j);
                continue;
            }
            if (!Finite(p.quat, 4) || !Finite(p.origin, 3)) continue;
            // Lengths so large that the turn overflows a float are left out.
            double a = Norm(p.quat, 4), b = Norm(q.quat, 4);
            if (a < 1e15)
                FUZZ_CHECK(std::fabs(a - b) <= 1e-4 * a + 1e-30,
                           "frame %d: quat length %g became %g", f, a, b);
            a = Norm(p.origin, 3), b = Norm(q.origin, 3);
            if (a < 1e15)
                FUZZ_CHECK(std::fabs(a - b) <= 1e-4 * a + 1e-30,
                           "frame %d: origin length %g became %g", f, a, b);
        }
    CheckPose(*model);
}

void CheckExportReload(SkelModel* model) {
    std::string why;
    int64_t skmSize = 0, skpSize = 0;
    bool skmFits = SKMImageSize(model, &skmSize, &why) && skmSize <= MAX_FILESIZE;
    bool skpFits = SKPImageSize(model, &skpSize, &why) && skpSize <= MAX_FILESIZE;
    FUZZ_CHECK(WriteSKMFile(model, ScratchSKM.c_str()) == skmFits,
               "SKM export of a loaded model: %s", skmFits ? "failed" : "wrote an oversized image");
    FUZZ_CHECK(WriteSKPFile(model, ScratchSKP.c_str()) == skpFits,
               "SKP export of a loaded model: %s", skpFits ? "failed" : "wrote an oversized image");
    if (!skmFits || !skpFits) return;
    SkelModel reloaded;
    LoadReport report;
    LoadStatus status = LoadModelPair(ScratchSKM.c_str(), ScratchSKP.c_str(), &reloaded, &report);
    FUZZ_CHECK(status == LOAD_OK, "the exported pair was refused: %s",
               report.problems.empty() ? "" : report.problems.back().c_str());
    CheckSameMeshes(model, &reloaded);
    CheckSameSkeleton(model, &reloaded);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SilenceConsole();
    const char* tmp = getenv("TMPDIR");
    std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/boneloom-fuzz.XXXXXX";
    if (!mkdtemp(&dir[0])) {
        perror("fuzz_pair: mkdtemp");
        abort();
    }
    ScratchDir = dir;
    ScratchSKM = dir + "/tris.skm";
    ScratchSKP = dir + "/tris.skp";
    atexit(RemoveScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    uint32_t skmLength = (uint32_t)data[0] | (uint32_t)data[1] << 8 | (uint32_t)data[2] << 16 |
                         (uint32_t)data[3] << 24;
    const uint8_t* skm = data + 4;
    size_t rest = size - 4;
    size_t skmSize = skmLength < rest ? skmLength : rest;

    SkelModel model;
    LoadReport report;
    if (ParseSKM(skm, skmSize, "fuzz.skm", &model, &report) != LOAD_OK) return 0;
    if (ParseSKP(skm + skmSize, rest - skmSize, "fuzz.skp", &model, &report) != LOAD_OK) return 0;
    CheckMeshesConsistent(&model);
    CheckSkeletonConsistent(&model);

    CurrentModel = &model;
    SelectedBone = 1;
    SelectedMesh = 0;
    StepChannels(model);
    CheckSelection(model);
    CheckRotation(&model);
    CheckExportReload(&model);
    CurrentModel = nullptr;
    return 0;
}
