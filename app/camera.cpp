// The orbit and fly cameras: their state, the moves the input handlers make,
// the angle checks, and the view transform the frame applies every tick.
#include "app/camera.h"

#include <cmath>

float FlyPos[3] = {0.0f, 0.0f, 128.0f};
float FlyYaw = 0.0f;
float FlyPitch = 0.0f;
float OrbitPan[2] = {0.0f, 0.0f};
float OrbitDistance = 128.0f;
float OrbitAngles[3] = {0.0f, 0.0f, 0.0f};

void ResetCamera() {
    FlyMode = 0;
    FlyPos[0] = 0.0f;
    FlyPos[1] = 0.0f;
    FlyPos[2] = 128.0f;
    FlyYaw = 0.0f;
    FlyPitch = 0.0f;
    OrbitPan[0] = 0.0f;
    OrbitPan[1] = 0.0f;
    OrbitDistance = 128.0f;
    OrbitAngles[0] = 0.0f;
    OrbitAngles[1] = 0.0f;
    OrbitAngles[2] = 0.0f;
}

// Angles are multiplied in single precision (as stored) and only the sine and
// cosine are taken in double precision.
static double SinDeg(float degrees) { return std::sin((double)(degrees * DEG2RAD)); }
static double CosDeg(float degrees) { return std::cos((double)(degrees * DEG2RAD)); }

// The horizontal part of a step is deliberately not scaled by the pitch's
// cosine: a pitched camera moves the full heading step plus the vertical part.
void MoveForward(float step) {
    FlyPos[0] = (float)(FlyPos[0] - SinDeg(FlyYaw) * FLY_STEP * step);
    FlyPos[2] = (float)(FlyPos[2] - CosDeg(FlyYaw) * FLY_STEP * step);
    FlyPos[1] = (float)(FlyPos[1] - SinDeg(FlyPitch) * FLY_STEP * step);
}

void MoveBackward(float step) {
    FlyPos[0] = (float)(FlyPos[0] + SinDeg(FlyYaw) * FLY_STEP * step);
    FlyPos[2] = (float)(FlyPos[2] + CosDeg(FlyYaw) * FLY_STEP * step);
    FlyPos[1] = (float)(FlyPos[1] + SinDeg(FlyPitch) * FLY_STEP * step);
}

void StrafeLeft(float step) {
    FlyPos[0] = (float)(FlyPos[0] + SinDeg(FlyYaw - 90.0f) * FLY_STEP * step);
    FlyPos[2] = (float)(FlyPos[2] + CosDeg(FlyYaw - 90.0f) * FLY_STEP * step);
}

void StrafeRight(float step) {
    FlyPos[0] = (float)(FlyPos[0] + SinDeg(FlyYaw + 90.0f) * FLY_STEP * step);
    FlyPos[2] = (float)(FlyPos[2] + CosDeg(FlyYaw + 90.0f) * FLY_STEP * step);
}

void MoveUp(float step) { FlyPos[1] += FLY_RISE * step; }

// No pitch limit: the fly camera may pitch over the top.
void TurnYaw(float degrees) {
    FlyYaw += degrees;
    WrapAngle(FlyYaw);
}

void TurnPitch(float degrees) {
    FlyPitch += degrees;
    WrapAngle(FlyPitch);
}

void WrapAngle(float& angle) {
    if (angle > 360.0f) angle -= 360.0f;
    if (angle < -360.0f) angle += 360.0f;
}

// Orbit angles out of range are reset rather than wrapped.
void CheckOrbitAngles(float* angles) {
    for (int i = 0; i < 3; i++)
        if (angles[i] > 360.0f || angles[i] < -360.0f) angles[i] = 0.0f;
}

void RotateOrbit(float dx, float dy) {
    OrbitAngles[0] += dy;
    OrbitAngles[1] += dx;
    CheckOrbitAngles(OrbitAngles);
}

void ZoomOrbit(float delta) { OrbitDistance += delta; }

void PanOrbit(float dx, float dy) {
    OrbitPan[0] += dx;
    OrbitPan[1] += dy;
}

RenderCamera CurrentRenderCamera() {
    RenderCamera c;
    c.fly = FlyMode != 0;
    for (int i = 0; i < 3; i++) c.fly_pos[i] = FlyPos[i];
    c.fly_yaw = FlyYaw;
    c.fly_pitch = FlyPitch;
    c.orbit_pan[0] = OrbitPan[0];
    c.orbit_pan[1] = OrbitPan[1];
    c.orbit_distance = OrbitDistance;
    for (int i = 0; i < 3; i++) c.orbit_angles[i] = OrbitAngles[i];
    return c;
}

// Orbit mode builds on the identity that the reshape loaded (each frame pops
// what it pushed); fly mode starts from the identity itself.
void ApplyCameraTransform() {
    RenderCamera c = CurrentRenderCamera();
    ApplyRenderCamera(&c);
}
