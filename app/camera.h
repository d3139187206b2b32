// The two cameras: an orbit camera that turns, pans and pushes the model away,
// and a fly camera with a position, heading and pitch. Each keeps its own
// state; FlyMode chooses which one ApplyCameraTransform uses.
#pragma once

#include "platform/display.h" // FlyMode
#include "render/render.h"

constexpr float DEG2RAD = 0.017453292f;
constexpr float FLY_STEP = 5.0f;  // distance of one fly step of size 1
constexpr float FLY_RISE = 0.05f; // distance of one vertical step of size 1

extern float FlyPos[3];      // fly camera position
extern float FlyYaw;         // heading about Y in degrees; positive turns left
extern float FlyPitch;       // pitch about X in degrees; positive looks down
extern float OrbitPan[2];    // orbit pan x, y
extern float OrbitDistance;  // orbit distance along the view axis
extern float OrbitAngles[3]; // orbit angles about X, Y, Z, in degrees

// Every camera value to its start value, orbit mode included.
void ResetCamera();
// Fly moves along or across the heading; a negative step goes the other way.
void MoveForward(float step);
void MoveBackward(float step);
void StrafeLeft(float step);
void StrafeRight(float step);
void MoveUp(float step);
// Turn the fly camera; the angle is then wrapped by WrapAngle.
void TurnYaw(float degrees);
void TurnPitch(float degrees);
// Orbit: angle X follows dy, angle Y follows dx; then CheckOrbitAngles.
void RotateOrbit(float dx, float dy);
void ZoomOrbit(float delta);
void PanOrbit(float dx, float dy);
// Takes at most one turn off an angle beyond +-360 (360 and -360 stay).
void WrapAngle(float& angle);
// Sets each of the three angles beyond +-360 to 0 (360 and -360 stay).
void CheckOrbitAngles(float* angles);
// Both cameras' state as the renderer takes it.
RenderCamera CurrentRenderCamera();
// Applies the view of the active camera to the current (modelview) matrix.
void ApplyCameraTransform();
