// The animation timer: three frame counters stepped once per due tick, with
// queued one-shot animations, and the fraction of time left to the next tick.
#include "pose/anim.h"

#include <cmath>

// Entry index of the anims table, or 0 for an index outside it.
static int32_t AnimIndex(int32_t index) { return (index >= 0 && index < MAX_ANIMS) ? index : 0; }

static int32_t ClampToInt32(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return (int32_t)v;
}

void SetDefaultAnimation(AnimTimer* timer, const SkelModel* model) {
    // Always entry 0, the one every channel plays: a second load must replace
    // the default range rather than append an entry nothing plays.
    AnimRange* range = &timer->anims[0];
    range->firstframe = 1;
    range->lastframe = model->numframes;
    range->looplength = model->numframes;
    if (timer->numanims < 1) timer->numanims = 1;
}

bool TickAnimationAt(AnimTimer* timer, int32_t clock) {
    float now = (float)clock;
    // A clock reading before the last tick means the millisecond clock has
    // wrapped; waiting for nexttime would then stop the timer for good.
    if (now < timer->nexttime && now >= timer->lasttime) {
        float f = 1 - (now - timer->lasttime) / (timer->nexttime - timer->lasttime);
        if (f > 1)
            f = 1;
        else if (f < 0 || std::isnan(f))
            f = 0;
        timer->fraction = f;
        return false;
    }
    for (int c = 0; c < ANIM_CHANNELS; c++) {
        timer->anim[c] = AnimIndex(timer->anim[c]);
        timer->oldframe[c] = timer->frame[c];
        int64_t frame = (int64_t)timer->frame[c] + 1;
        const AnimRange* playing = &timer->anims[timer->anim[c]];
        if (frame > playing->lastframe) {
            timer->oneshot[c] = 0;
            frame = (int64_t)playing->lastframe - playing->looplength;
        }
        timer->frame[c] = ClampToInt32(frame);
        if (timer->queued[c] != 0) {
            if ((int64_t)timer->resume[c] + timer->oneshot[c] == 0)
                timer->resume[c] = timer->anim[c];
            timer->anim[c] = AnimIndex(timer->queued[c]);
            timer->frame[c] = timer->anims[timer->anim[c]].firstframe;
            timer->oneshot[c] = 1;
            timer->queued[c] = 0;
        } else if (timer->resume[c] != 0 && timer->oneshot[c] != 1) {
            timer->anim[c] = AnimIndex(timer->resume[c]);
            timer->frame[c] = timer->anims[timer->anim[c]].firstframe;
            timer->oneshot[c] = 0;
            timer->resume[c] = 0;
        }
    }
    timer->lasttime = now;
    timer->nexttime = now + timer->frametime;
    timer->fraction = 1;
    return true;
}
