// Playback of the pose frames: a record of what the player is doing (stopped,
// playing or paused, which frame, how fast, looping, smoothing), pure step
// functions on it, and the blended local poses it shows. It paces itself on
// the millisecond clock in whole milliseconds with unsigned differences, as
// the frame-rate counter does, so it keeps its speed after any uptime and
// across the clock's wrap at 2^32 (float times lose whole milliseconds after
// a day). No state of its own; the key channels are never read or changed
// here.
#pragma once
#include <cstdint>
#include <vector>

#include "model/model.h"

constexpr int32_t PLAY_MIN_FPS = 1;
constexpr int32_t PLAY_MAX_FPS = 120;
constexpr int32_t PLAY_DEFAULT_FPS = 10;

enum PlayMode : int32_t {
    PLAY_STOPPED = 0, // the key channels decide every bone's frame
    PLAY_PLAYING,     // every bone shows frame, stepped on each timer tick
    PLAY_PAUSED,      // every bone shows frame, held
};

struct Playback {
    PlayMode mode = PLAY_STOPPED;
    int32_t frame = 0;              // frame shown while playing or paused
    int32_t fps = PLAY_DEFAULT_FPS; // PLAY_MIN_FPS .. PLAY_MAX_FPS
    bool loop = true;               // off: stop (paused) on the last frame
    bool smooth = false;            // blend towards the next frame between ticks
    uint32_t steptime = 0;          // clock reading (ms) at which the frame's interval began
};

// Frame 0 is the rest pose in most files, so playing covers frames 1 ..
// numframes - 1; a one-frame model plays its frame 0. Both are 0 without frames.
int32_t PlaybackFirstFrame(int32_t numframes);
int32_t PlaybackLastFrame(int32_t numframes);
// The frame after play->frame: the following one, at the last frame the first
// one with loop on, and the frame itself with loop off.
int32_t PlaybackNextFrame(const Playback* play, int32_t numframes);

// Play/Pause: stopped starts at the first frame; playing pauses; paused plays
// on, from the first frame when it had stopped on the last with loop off.
// A model without frames has nothing to play and stays stopped.
void TogglePlayback(Playback* play, int32_t numframes);
// Back to stopped; the frame goes back to the first one for the next start.
void StopPlayback(Playback* play, int32_t numframes);
// Shows frame (kept within 0 .. numframes - 1): a stopped player pauses there,
// a playing one plays on from there.
void ScrubPlayback(Playback* play, int32_t frame, int32_t numframes);
// Speed in frames per second, kept within PLAY_MIN_FPS .. PLAY_MAX_FPS.
void SetPlaybackSpeed(Playback* play, int32_t fps);
// One timer tick: a playing player steps to the next frame and, with loop
// off, pauses when it reaches the last one. Returns true when the frame changed.
bool AdvancePlayback(Playback* play, int32_t numframes);

// Whole milliseconds between two frames at play's speed: 1000 / fps rounded
// up, so a clock read in whole milliseconds reaches it exactly when 1000 / fps
// has passed.
uint32_t PlaybackFrameMillis(const Playback* play);
// One reading now of the millisecond clock: true, and a new interval begins at
// now, when a frame time at the current speed has passed since the interval
// began (a speed change thus keeps the interval that has begun). The
// difference is unsigned, so the wrap at 2^32 is one more millisecond.
bool PlaybackStepDue(Playback* play, uint32_t now);
// Starts a new interval at now, so a frame just started or scrubbed to is
// held a full frame time before the next step.
void RestartPlaybackInterval(Playback* play, uint32_t now);
// How far the shown pose is from play->frame towards the next frame at clock
// reading now: 0 at the interval's start rising to 1 a frame time later,
// while playing with smooth on; 0 otherwise.
float PlaybackBlend(const Playback* play, uint32_t now);

// One bone's pose between a (t = 0, returned exactly) and b (t = 1, returned
// exactly): the rotation by shortest-path slerp (a normalised linear blend
// when the two rotations are nearly equal), the origin linearly. Quaternions
// of other than unit length keep their length, blended linearly.
void BlendPose(const BonePose* a, const BonePose* b, float t, BonePose* out);
// The local (parent-relative) pose of every bone (numbones entries): frame
// blended towards frame next at t. A frame that is not one of the model's, or
// a bone it has no pose for, gives the identity pose.
void BlendFrameLocalPoses(const SkelModel* model, int32_t frame, int32_t next, float t,
                          BonePose* local);
// Model-space pose of every bone (numbones entries into *out): play's frame
// blended towards the frame after it at t (0: the frame itself).
void BuildPlaybackPose(const SkelModel* model, const Playback* play, float t,
                       std::vector<BonePose>* out);
