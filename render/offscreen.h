// An OpenGL context without a window or an X server: Mesa's EGL on its
// surfaceless platform with a desktop-GL (compatibility profile) context,
// drawing into a framebuffer object of RGBA8 colour and 24-bit depth, or into
// a pbuffer where the driver cannot draw without a surface. The same GL 1.1
// calls that draw the viewer's window draw here.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

constexpr int OFFSCREEN_MAX_SIZE = 4096; // largest width or height

// EGL and GL handles of one off-screen context; all zero when none is open.
struct OffscreenContext {
    void* display = nullptr;  // EGLDisplay
    void* context = nullptr;  // EGLContext
    void* surface = nullptr;  // EGLSurface: the pbuffer, null with a framebuffer object
    uint32_t framebuffer = 0; // framebuffer object and its renderbuffers
    uint32_t colour = 0;
    uint32_t depth = 0;
    int width = 0;
    int height = 0;
};

// Opens a context drawing into a width x height picture (1..OFFSCREEN_MAX_SIZE
// each), makes it current on this thread with the viewport covering the
// picture. False with *reason (and nothing left open) when no GL driver can
// serve: no EGL vendor, no surfaceless platform, no desktop OpenGL, or a
// picture larger than the driver draws.
bool CreateOffscreen(int width, int height, OffscreenContext* out, std::string* reason);
// Finishes drawing and reads the picture as packed 8-bit RGB (channels 3) or
// RGBA (4: alpha 0 where nothing was drawn over a cleared picture), top row
// first (GL reads bottom up). False with *reason when GL reports an error.
bool ReadOffscreenPixels(const OffscreenContext* offscreen, int channels, std::vector<uint8_t>* out,
                         std::string* reason);
// Releases everything CreateOffscreen opened and zeroes the record.
void DestroyOffscreen(OffscreenContext* offscreen);
