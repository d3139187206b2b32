// The three-channel animation timer: frame counters that advance once per
// drawn frame, with queued one-shot animations and a fraction that falls from
// 1 to 0 between ticks.
#pragma once
#include <cstdint>

#include "model/model.h"

constexpr int MAX_ANIMS = 1024;
constexpr int ANIM_CHANNELS = 3;

struct AnimRange {
    int32_t firstframe; // counter value at which the animation starts
    int32_t lastframe;  // largest counter value before it wraps
    int32_t looplength; // past lastframe the counter becomes lastframe - looplength
};

struct AnimTimer {
    int32_t anim[ANIM_CHANNELS];     // animation each channel plays
    int32_t oneshot[ANIM_CHANNELS];  // 1 while playing a queued animation
    int32_t frame[ANIM_CHANNELS];    // current counter
    int32_t oldframe[ANIM_CHANNELS]; // counter before the last tick
    float lasttime;                  // ms of the last tick
    float nexttime;                  // ms at which the next tick is due
    float fraction;                  // 1 at a tick, falling to 0 at nexttime
    int32_t resume[ANIM_CHANNELS];   // animation to return to; 0 = none
    int32_t queued[ANIM_CHANNELS];   // animation to start next tick; 0 = none
    int32_t numanims;                // entries of anims in use
    float frametime;                 // ms between ticks
    AnimRange anims[MAX_ANIMS];
};

// Sets timer's animation 0 to frames 1 .. numframes of model, looping over
// numframes, and makes sure it counts as registered.
void SetDefaultAnimation(AnimTimer* timer, const SkelModel* model);
// Advances every channel by one frame when the next tick is due (the clock
// reading, in ms, at or past nexttime), otherwise only updates the fraction.
// Returns true when it ticked, for whatever is paced by the timer (playback
// steps its frame then).
bool TickAnimationAt(AnimTimer* timer, int32_t clock);
