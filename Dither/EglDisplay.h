// The process's off-screen EGL display for desktop OpenGL, shared by all dither contexts.
#pragma once

#include <EGL/egl.h>

namespace tw::dither {

// One counted reference to the shared display. The first reference opens it: the first
// EGL device that offers an OpenGL pbuffer configuration, else Mesa's surfaceless
// platform, else the default display. The last reference terminates it, unless another
// part of the process had initialised that display before (then it stays as it was).
class EglDisplayRef {
  public:
    // An empty reference when no display offers desktop OpenGL with an RGBA pbuffer of at
    // least 8 bits per colour channel.
    static EglDisplayRef Acquire();

    EglDisplayRef() = default;
    EglDisplayRef(EglDisplayRef&& other) noexcept;
    EglDisplayRef& operator=(EglDisplayRef&& other) noexcept;
    EglDisplayRef(const EglDisplayRef&) = delete;
    EglDisplayRef& operator=(const EglDisplayRef&) = delete;
    ~EglDisplayRef();

    explicit operator bool() const { return display_ != EGL_NO_DISPLAY; }
    EGLDisplay display() const { return display_; }
    // The pbuffer configuration every context on this display uses.
    EGLConfig config() const { return config_; }

  private:
    EglDisplayRef(EGLDisplay display, EGLConfig config) : display_(display), config_(config) {}
    void Release();

    EGLDisplay display_ = EGL_NO_DISPLAY;
    EGLConfig config_ = nullptr;
};

// Makes a context current on the calling thread with the desktop OpenGL API, and on
// destruction gives the thread back the API and the context it had before.
class ScopedCurrent {
  public:
    ScopedCurrent(EGLDisplay display, EGLSurface surface, EGLContext context);
    ScopedCurrent(const ScopedCurrent&) = delete;
    ScopedCurrent& operator=(const ScopedCurrent&) = delete;
    ~ScopedCurrent();

    bool ok() const { return ok_; }

  private:
    EGLDisplay display_;
    EGLContext context_;
    EGLenum previousApi_;
    EGLDisplay previousDisplay_ = EGL_NO_DISPLAY;
    EGLSurface previousDraw_ = EGL_NO_SURFACE;
    EGLSurface previousRead_ = EGL_NO_SURFACE;
    EGLContext previousContext_ = EGL_NO_CONTEXT;
    bool ok_ = false;
};

} // namespace tw::dither
