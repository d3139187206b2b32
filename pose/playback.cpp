// Playback of the pose frames: the player's step functions, its pacing on the
// millisecond clock, and the blending of two frames' local poses. Pure
// functions on the records they are given; nothing here prints or keeps state.
#include "pose/playback.h"

#include <cmath>

#include "pose/compose.h"
#include "pose/rotation.h"

// Below this angle between two rotations (cosine above the bound, about 3.6
// degrees of rotation) slerp's sine weights lose precision, while a linear
// blend normalised afterwards is off by far less than a float's resolution.
constexpr float NLERP_ABOVE_COS = 0.9995f;

int32_t PlaybackFirstFrame(int32_t numframes) { return numframes >= 2 ? 1 : 0; }

int32_t PlaybackLastFrame(int32_t numframes) { return numframes >= 1 ? numframes - 1 : 0; }

int32_t PlaybackNextFrame(const Playback* play, int32_t numframes) {
    int32_t last = PlaybackLastFrame(numframes);
    if (play->frame < 0) return PlaybackFirstFrame(numframes);
    if (play->frame < last) return play->frame + 1;
    return play->loop ? PlaybackFirstFrame(numframes) : last;
}

void TogglePlayback(Playback* play, int32_t numframes) {
    if (numframes <= 0) {
        play->mode = PLAY_STOPPED;
        return;
    }
    int32_t last = PlaybackLastFrame(numframes);
    switch (play->mode) {
        case PLAY_PLAYING:
            play->mode = PLAY_PAUSED;
            return;
        case PLAY_PAUSED:
            if (play->frame < 0 || play->frame > last || (!play->loop && play->frame == last))
                play->frame = PlaybackFirstFrame(numframes);
            break;
        case PLAY_STOPPED:
            play->frame = PlaybackFirstFrame(numframes);
            break;
    }
    // Without loop a player on its last frame has already ended: a model
    // whose loop is one frame long shows it, paused.
    play->mode = (!play->loop && play->frame == last) ? PLAY_PAUSED : PLAY_PLAYING;
}

void StopPlayback(Playback* play, int32_t numframes) {
    play->mode = PLAY_STOPPED;
    play->frame = PlaybackFirstFrame(numframes);
}

void ScrubPlayback(Playback* play, int32_t frame, int32_t numframes) {
    if (numframes <= 0) return;
    int32_t last = PlaybackLastFrame(numframes);
    play->frame = frame < 0 ? 0 : (frame > last ? last : frame);
    if (play->mode == PLAY_STOPPED) play->mode = PLAY_PAUSED;
}

void SetPlaybackSpeed(Playback* play, int32_t fps) {
    play->fps = fps < PLAY_MIN_FPS ? PLAY_MIN_FPS : (fps > PLAY_MAX_FPS ? PLAY_MAX_FPS : fps);
}

bool AdvancePlayback(Playback* play, int32_t numframes) {
    if (play->mode != PLAY_PLAYING) return false;
    if (numframes <= 0) {
        play->mode = PLAY_STOPPED;
        return false;
    }
    int32_t last = PlaybackLastFrame(numframes);
    int32_t old = play->frame;
    // Reached before this tick (scrubbed there, or loop switched off on it).
    if (!play->loop && old >= last) {
        play->frame = last;
        play->mode = PLAY_PAUSED;
        return old != last;
    }
    play->frame = PlaybackNextFrame(play, numframes);
    if (!play->loop && play->frame == last) play->mode = PLAY_PAUSED;
    return play->frame != old;
}

// The speed within its range, for callers that set fps directly.
static uint32_t ClampedFps(const Playback* play) {
    int32_t fps = play->fps;
    if (fps < PLAY_MIN_FPS) fps = PLAY_MIN_FPS;
    if (fps > PLAY_MAX_FPS) fps = PLAY_MAX_FPS;
    return (uint32_t)fps;
}

uint32_t PlaybackFrameMillis(const Playback* play) {
    uint32_t fps = ClampedFps(play);
    return (1000u + fps - 1u) / fps;
}

bool PlaybackStepDue(Playback* play, uint32_t now) {
    if ((uint32_t)(now - play->steptime) < PlaybackFrameMillis(play)) return false;
    play->steptime = now;
    return true;
}

void RestartPlaybackInterval(Playback* play, uint32_t now) { play->steptime = now; }

float PlaybackBlend(const Playback* play, uint32_t now) {
    if (play->mode != PLAY_PLAYING || !play->smooth) return 0;
    uint32_t elapsed = now - play->steptime;
    if (elapsed >= PlaybackFrameMillis(play)) return 1;
    float t = (float)elapsed * (float)ClampedFps(play) / 1000.0f;
    return t > 1 ? 1 : t;
}

static float Length(const Quat* q) {
    return (float)std::sqrt((double)(q->x * q->x + q->y * q->y + q->z * q->z + q->w * q->w));
}

static Quat Weighted(const Quat* a, float wa, const Quat* b, float wb) {
    return Quat{wa * a->x + wb * b->x, wa * a->y + wb * b->y, wa * a->z + wb * b->z,
                wa * a->w + wb * b->w};
}

void BlendPose(const BonePose* a, const BonePose* b, float t, BonePose* out) {
    // The ends are the frames themselves, bit for bit: the tick that lands on
    // a frame must show exactly what the frame holds.
    if (t <= 0) {
        *out = *a;
        return;
    }
    if (t >= 1) {
        *out = *b;
        return;
    }
    Quat qa = GetPoseQuat(a);
    Quat qb = GetPoseQuat(b);
    Vec3 oa = GetPoseOrigin(a);
    Vec3 ob = GetPoseOrigin(b);
    float s = 1 - t;
    Vec3 o = {s * oa.x + t * ob.x, s * oa.y + t * ob.y, s * oa.z + t * ob.z};

    float la = Length(&qa), lb = Length(&qb);
    Quat q;
    if (!(la > 0) || !(lb > 0) || !std::isfinite(la) || !std::isfinite(lb)) {
        // No rotation to follow; a plain blend at least reaches both ends.
        q = Weighted(&qa, s, &qb, t);
    } else {
        float c = (qa.x * qb.x + qa.y * qb.y + qa.z * qb.z + qa.w * qb.w) / (la * lb);
        // q and -q are one rotation: of the two arcs take the shorter.
        if (c < 0) {
            qb = Quat{-qb.x, -qb.y, -qb.z, -qb.w};
            c = -c;
        }
        if (c > 1) c = 1;
        float length = s * la + t * lb;
        if (c > NLERP_ABOVE_COS) {
            q = Weighted(&qa, s, &qb, t);
            float l = Length(&q);
            float f = l > 0 ? length / l : 0;
            q = Quat{q.x * f, q.y * f, q.z * f, q.w * f};
        } else {
            double angle = std::acos((double)c);
            double sine = std::sin(angle);
            float wa = (float)(std::sin((double)s * angle) / sine);
            float wb = (float)(std::sin((double)t * angle) / sine);
            // The weights keep unit quaternions at unit length; scaled ones
            // are brought to their blended length the same way.
            q = Weighted(&qa, wa / la * length, &qb, wb / lb * length);
        }
    }
    SetPoseQuat(out, &q);
    SetPoseOrigin(out, &o);
}

void BlendFrameLocalPoses(const SkelModel* model, int32_t frame, int32_t next, float t,
                          BonePose* local) {
    int32_t count = PoseCount(model);
    for (int32_t i = 0; i < count; i++) {
        BonePose a = FrameLocalPose(model, frame, i), b = FrameLocalPose(model, next, i);
        BlendPose(&a, &b, t, &local[i]);
    }
}

void BuildPlaybackPose(const SkelModel* model, const Playback* play, float t,
                       std::vector<BonePose>* out) {
    out->resize((size_t)PoseCount(model));
    int32_t next = PlaybackNextFrame(play, model->numframes);
    BlendFrameLocalPoses(model, play->frame, next, t, out->data());
    ComposePose(model, out->data(), out->data());
}
