// Playback of the pose frames: a record of what the player is doing (stopped,
// playing or paused, which frame, how fast, looping, smoothing), pure step
// functions on it, and the blended local poses it shows. The animation timer
// paces it: the timer's tick interval comes from the speed, each tick steps
// the frame, and the timer's fraction between ticks drives smoothing.
// No state of its own; the key channels are never read or changed here.
#pragma once
#include <cstdint>
#include <vector>

#include "model/model.h"
#include "pose/anim.h"

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

// Milliseconds between two frames at play's speed: 1000 / fps.
float PlaybackFrameTime(const Playback* play);
// Sets the timer's tick interval from the speed, keeping the interval that has
// begun: its next tick comes one new frame time after the last one.
void ApplyPlaybackSpeed(const Playback* play, AnimTimer* timer);
// Sets the tick interval and starts a new interval at now (ms, the clock the
// timer is ticked with), so a frame just started or scrubbed to is held a full
// frame time before the next tick.
void RestartPlaybackInterval(const Playback* play, AnimTimer* timer, int32_t now);
// How far the shown pose is from play->frame towards the next frame: the
// timer's falling fraction turned into 0 at a tick rising to 1 at the next,
// while playing with smooth on; 0 otherwise.
float PlaybackBlend(const Playback* play, const AnimTimer* timer);

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
