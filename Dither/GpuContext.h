// The GPU side of a dither context: an EGL context with a pbuffer drawing surface, the
// dither program and its three textures.
#pragma once

#include "CpuDither.h"
#include "DitherShaders.h"
#include "EglDisplay.h"

#include <GL/glew.h>

#include <cstdint>
#include <memory>

namespace tw::dither {

class GpuContext {
  public:
    // Null when there is no EGL display, configuration or context, no OpenGL 2.0, a
    // shader that does not compile, a program that does not link, or a GL error while
    // setting up. The calling thread's EGL binding is the same afterwards as before.
    static std::unique_ptr<GpuContext> Create(const ShaderSources& sources);

    GpuContext(const GpuContext&) = delete;
    GpuContext& operator=(const GpuContext&) = delete;
    ~GpuContext();

    // Dithers job (count must be 256) on the graphics card, in tiles no larger than what
    // the implementation can texture, render and read back; tile offsets are multiples
    // of 16 so the matrix lines up with the whole image. False when the result cannot be
    // trusted (no current context, no surface, a GL error): then job.indices holds
    // nothing useful and the caller computes it on the CPU.
    bool Dither(const DitherJob& job);

    // Whether OpenGL is drawn by a software rasteriser (Mesa's llvmpipe, softpipe or
    // swrast) rather than a graphics card.
    bool softwareRenderer() const { return softwareRenderer_; }

    // The largest side of one tile: a power of two, at least 16.
    std::int32_t tileSide() const { return tileSide_; }

    EGLDisplay display() const { return display_.display(); }
    EGLContext context() const { return context_; }
    EGLSurface surface() const { return surface_; }
    GLuint paletteTexture() const { return textures_[0]; }
    GLuint pictureTexture() const { return textures_[1]; }
    GLuint matrixTexture() const { return textures_[2]; }
    GLuint program() const { return program_; }

  private:
    explicit GpuContext(EglDisplayRef display) : display_(std::move(display)) {}
    bool SetUp(const ShaderSources& sources);
    bool BuildProgram(const ShaderSources& sources);
    void CreateTextures();
    void ReadLimits();
    // Grows the drawing surface to at least width x height and makes it current.
    bool EnsureSurface(std::int32_t width, std::int32_t height);
    void UploadPalette(const std::uint8_t* palette);
    void DrawTile(const DitherJob& job, std::int32_t left, std::int32_t top, std::int32_t width,
                  std::int32_t height);

    EglDisplayRef display_;
    EGLContext context_ = EGL_NO_CONTEXT;
    EGLSurface surface_ = EGL_NO_SURFACE;
    std::int32_t surfaceWidth_ = 0;
    std::int32_t surfaceHeight_ = 0;
    // GL objects live in context_ (shared with no other context) and go with it.
    GLuint vertexShader_ = 0;
    GLuint fragmentShader_ = 0;
    GLuint program_ = 0;
    GLuint textures_[3] = {0, 0, 0}; // palette, picture, matrix
    GLint texWidthLocation_ = -1;
    GLint texHeightLocation_ = -1;
    GLint bmpWidthLocation_ = -1;
    GLint bmpHeightLocation_ = -1;
    std::int32_t pictureTexWidth_ = 0; // size of the picture texture's storage
    std::int32_t pictureTexHeight_ = 0;
    std::int32_t tileSide_ = 0;
    bool softwareRenderer_ = false;
};

// True for the renderer names of software rasterisers, on which the CPU path is faster.
bool IsSoftwareRenderer(const char* renderer);

} // namespace tw::dither
