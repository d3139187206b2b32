// The off-screen context: EGL display, context and (when needed) pbuffer, and
// the framebuffer object the picture is drawn into. GL 1.1 headers do not
// declare framebuffer objects, so their entry points are looked up at run
// time, by their core names when the context has them, else the EXT ones;
// both families share their enum values and signatures.
#include "render/offscreen.h"

#include "render/render.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstring>

namespace {

struct FramebufferCalls {
    PFNGLGENFRAMEBUFFERSEXTPROC genFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFEREXTPROC bindFramebuffer = nullptr;
    PFNGLDELETEFRAMEBUFFERSEXTPROC deleteFramebuffers = nullptr;
    PFNGLGENRENDERBUFFERSEXTPROC genRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFEREXTPROC bindRenderbuffer = nullptr;
    PFNGLDELETERENDERBUFFERSEXTPROC deleteRenderbuffers = nullptr;
    PFNGLRENDERBUFFERSTORAGEEXTPROC renderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC checkFramebufferStatus = nullptr;
};

// True when the space-separated list holds name as a whole word.
bool HasExtension(const char* list, const char* name) {
    if (!list) return false;
    size_t n = strlen(name);
    for (const char* p = list; (p = strstr(p, name)) != nullptr; p += n) {
        bool starts = p == list || p[-1] == ' ';
        if (starts && (p[n] == ' ' || p[n] == '\0')) return true;
    }
    return false;
}

std::string EglFailure(const char* what) {
    char code[16];
    snprintf(code, sizeof code, "0x%04x", (unsigned)eglGetError());
    return std::string(what) + " (EGL error " + code + ")";
}

template <typename F>
bool Lookup(F* slot, const char* name, const char* suffix) {
    *slot = (F)eglGetProcAddress((std::string(name) + suffix).c_str());
    return *slot != nullptr;
}

// The framebuffer entry points of the current context, or false when it has
// neither the core (GL 3.0 / ARB) nor the EXT family.
bool LoadFramebufferCalls(FramebufferCalls* calls) {
    const char* version = (const char*)glGetString(GL_VERSION);
    const char* extensions = (const char*)glGetString(GL_EXTENSIONS);
    const char* suffix = nullptr;
    if ((version && version[0] >= '3' && version[0] <= '9' && version[1] == '.') ||
        HasExtension(extensions, "GL_ARB_framebuffer_object"))
        suffix = "";
    else if (HasExtension(extensions, "GL_EXT_framebuffer_object"))
        suffix = "EXT";
    if (!suffix) return false;
    return Lookup(&calls->genFramebuffers, "glGenFramebuffers", suffix) &&
           Lookup(&calls->bindFramebuffer, "glBindFramebuffer", suffix) &&
           Lookup(&calls->deleteFramebuffers, "glDeleteFramebuffers", suffix) &&
           Lookup(&calls->genRenderbuffers, "glGenRenderbuffers", suffix) &&
           Lookup(&calls->bindRenderbuffer, "glBindRenderbuffer", suffix) &&
           Lookup(&calls->deleteRenderbuffers, "glDeleteRenderbuffers", suffix) &&
           Lookup(&calls->renderbufferStorage, "glRenderbufferStorage", suffix) &&
           Lookup(&calls->framebufferRenderbuffer, "glFramebufferRenderbuffer", suffix) &&
           Lookup(&calls->checkFramebufferStatus, "glCheckFramebufferStatus", suffix);
}

// Colour and depth renderbuffers attached to a new framebuffer object, bound
// for drawing and reading. False with *reason when the driver refuses them.
bool CreateFramebuffer(OffscreenContext* out, std::string* reason) {
    FramebufferCalls gl;
    if (!LoadFramebufferCalls(&gl)) {
        *reason = "the OpenGL driver has no framebuffer objects";
        return false;
    }
    GLint largest = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE_EXT, &largest);
    if (largest < out->width || largest < out->height) {
        *reason = "the OpenGL driver draws pictures of at most " + std::to_string(largest) +
                  " pixels a side";
        return false;
    }
    GLuint ids[2] = {0, 0};
    gl.genFramebuffers(1, &ids[0]);
    out->framebuffer = ids[0];
    gl.bindFramebuffer(GL_FRAMEBUFFER_EXT, out->framebuffer);
    gl.genRenderbuffers(2, ids);
    out->colour = ids[0];
    out->depth = ids[1];
    gl.bindRenderbuffer(GL_RENDERBUFFER_EXT, out->colour);
    gl.renderbufferStorage(GL_RENDERBUFFER_EXT, GL_RGBA8, out->width, out->height);
    gl.framebufferRenderbuffer(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT,
                               out->colour);
    gl.bindRenderbuffer(GL_RENDERBUFFER_EXT, out->depth);
    gl.renderbufferStorage(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, out->width, out->height);
    gl.framebufferRenderbuffer(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                               out->depth);
    gl.bindRenderbuffer(GL_RENDERBUFFER_EXT, 0);
    GLenum status = gl.checkFramebufferStatus(GL_FRAMEBUFFER_EXT);
    if (status != GL_FRAMEBUFFER_COMPLETE_EXT) {
        char code[16];
        snprintf(code, sizeof code, "0x%04x", (unsigned)status);
        *reason = std::string(
                      "the OpenGL driver cannot draw into an RGBA8 + depth 24 picture "
                      "(framebuffer status ") +
                  code + ")";
        return false;
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
    glReadBuffer(GL_COLOR_ATTACHMENT0_EXT);
    return true;
}

// Called with the context still current: the entry points belong to it.
void ReleaseFramebuffer(OffscreenContext* offscreen) {
    FramebufferCalls gl;
    if (!offscreen->framebuffer || !LoadFramebufferCalls(&gl)) return;
    gl.bindFramebuffer(GL_FRAMEBUFFER_EXT, 0);
    GLuint buffers[2] = {offscreen->colour, offscreen->depth};
    gl.deleteRenderbuffers(2, buffers);
    GLuint framebuffer = offscreen->framebuffer;
    gl.deleteFramebuffers(1, &framebuffer);
}

// Mesa's surfaceless EGL display, initialised, into out->display.
bool OpenSurfacelessDisplay(OffscreenContext* out, std::string* reason) {
    // With GLVND the client extensions are those of every installed vendor; no
    // surfaceless platform there means no Mesa EGL driver at all.
    const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    auto getDisplay =
        (PFNEGLGETPLATFORMDISPLAYEXTPROC)eglGetProcAddress("eglGetPlatformDisplayEXT");
    if (!HasExtension(client, "EGL_MESA_platform_surfaceless") || !getDisplay) {
        *reason =
            "no OpenGL driver offers drawing without a display (EGL surfaceless "
            "platform missing; install Mesa's libegl-mesa0 and libgl1-mesa-dri)";
        return false;
    }
    EGLDisplay display = getDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        *reason = EglFailure("the EGL driver could not be started");
        return false;
    }
    out->display = display;
    return true;
}

// A desktop OpenGL context of RGBA8 + depth 24 on out->display, into
// out->context, and the config it was made with.
bool CreateGlContext(OffscreenContext* out, EGLConfig* config, std::string* reason) {
    const EGLint configWanted[] = {EGL_RENDERABLE_TYPE,
                                   EGL_OPENGL_BIT,
                                   EGL_SURFACE_TYPE,
                                   EGL_PBUFFER_BIT,
                                   EGL_RED_SIZE,
                                   8,
                                   EGL_GREEN_SIZE,
                                   8,
                                   EGL_BLUE_SIZE,
                                   8,
                                   EGL_ALPHA_SIZE,
                                   8,
                                   EGL_DEPTH_SIZE,
                                   24,
                                   EGL_NONE};
    EGLint configs = 0;
    if (!eglBindAPI(EGL_OPENGL_API) ||
        !eglChooseConfig(out->display, configWanted, config, 1, &configs) || configs < 1) {
        *reason = EglFailure("the EGL driver offers no desktop OpenGL with RGBA8 + depth 24");
        return false;
    }
    // No version asked for: the highest compatibility-profile version, which
    // keeps every GL 1.1 call the renderer makes.
    EGLContext context = eglCreateContext(out->display, *config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) {
        *reason = EglFailure("the EGL driver could not create an OpenGL context");
        return false;
    }
    out->context = context;
    return true;
}

// Makes the context current drawing into a picture of out's size: a
// framebuffer object without any surface where the driver allows, else a
// pbuffer.
bool MakePictureCurrent(OffscreenContext* out, EGLConfig config, std::string* reason) {
    EGLDisplay display = out->display;
    const char* displayExtensions = eglQueryString(display, EGL_EXTENSIONS);
    bool surfaceless = HasExtension(displayExtensions, "EGL_KHR_surfaceless_context") &&
                       eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, out->context);
    std::string framebufferWhy;
    if (surfaceless && CreateFramebuffer(out, &framebufferWhy)) return true;
    // A pbuffer as large as the picture serves drivers without surfaceless
    // contexts or framebuffer objects.
    if (surfaceless) {
        ReleaseFramebuffer(out);
        out->framebuffer = out->colour = out->depth = 0;
    }
    const EGLint pbufferSize[] = {EGL_WIDTH, out->width, EGL_HEIGHT, out->height, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, pbufferSize);
    if (surface != EGL_NO_SURFACE) out->surface = surface;
    if (surface == EGL_NO_SURFACE || !eglMakeCurrent(display, surface, surface, out->context)) {
        *reason = framebufferWhy.empty()
                      ? EglFailure("the EGL driver could not make an off-screen picture")
                      : framebufferWhy;
        return false;
    }
    return true;
}

} // namespace

bool CreateOffscreen(int width, int height, OffscreenContext* out, std::string* reason) {
    *out = OffscreenContext{};
    if (width < 1 || height < 1 || width > OFFSCREEN_MAX_SIZE || height > OFFSCREEN_MAX_SIZE) {
        *reason = "a picture is 1 to " + std::to_string(OFFSCREEN_MAX_SIZE) +
                  " pixels a side, not " + std::to_string(width) + "x" + std::to_string(height);
        return false;
    }
    out->width = width;
    out->height = height;
    EGLConfig config = nullptr;
    if (!OpenSurfacelessDisplay(out, reason)) return false;
    if (!CreateGlContext(out, &config, reason) || !MakePictureCurrent(out, config, reason)) {
        DestroyOffscreen(out);
        return false;
    }
    glViewport(0, 0, width, height);
    return true;
}

bool ReadOffscreenPixels(const OffscreenContext* offscreen, int channels, std::vector<uint8_t>* out,
                         std::string* reason) {
    return ReadFramePixels(offscreen->width, offscreen->height, channels, out, reason);
}

void DestroyOffscreen(OffscreenContext* offscreen) {
    EGLDisplay display = offscreen->display;
    if (display) {
        if (offscreen->context && eglGetCurrentContext() == offscreen->context)
            ReleaseFramebuffer(offscreen);
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (offscreen->surface) eglDestroySurface(display, offscreen->surface);
        if (offscreen->context) eglDestroyContext(display, offscreen->context);
        eglTerminate(display);
        eglReleaseThread();
    }
    *offscreen = OffscreenContext{};
}
