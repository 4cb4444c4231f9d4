#include "GpuContext.h"

#include "DitherMatrix.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace tw::dither {

namespace {

// The first drawing surface: one Tilewright tile.
constexpr std::int32_t kInitialSurfaceSide = 32;
// Keeps the surface and picture texture of one tile at most 64 MiB each.
constexpr std::int32_t kLargestTileSide = 4096;

// GLEW's entry points and version flags are process-wide.
std::mutex& GlewMutex() {
    static std::mutex mutex;
    return mutex;
}

// Debian's GLEW is built for GLX: under EGL glewInit loads the core entry points, sets
// the version flags and then reports that there is no GLX display.
bool LoadOpenGl20() {
    std::lock_guard lock(GlewMutex());
    const GLenum status = glewInit();
    if (status != GLEW_OK && status != GLEW_ERROR_NO_GLX_DISPLAY) return false;
    return GLEW_VERSION_2_0 != GL_FALSE;
}

// Collects every pending error; a context that keeps reporting one (lost) stops the loop.
bool DrainGlErrors() {
    bool any = false;
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i)
        any = true;
    return any;
}

GLuint CompileShader(GLenum kind, const char* source) {
    const GLuint shader = glCreateShader(kind);
    if (shader == 0) return 0;
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled != GL_TRUE) {
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

std::int32_t LargestPowerOfTwoAtMost(std::int64_t limit) {
    std::int32_t side = 1;
    while (side <= limit / 2 && side < kLargestTileSide)
        side *= 2;
    return side;
}

std::int32_t PowerOfTwoAtLeast(std::int32_t size) {
    std::int32_t side = 1;
    while (side < size)
        side *= 2;
    return side;
}

} // namespace

bool IsSoftwareRenderer(const char* renderer) {
    if (renderer == nullptr) return false;
    for (const char* name : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"})
        if (std::strstr(renderer, name) != nullptr) return true;
    return false;
}

std::unique_ptr<GpuContext> GpuContext::Create(const ShaderSources& sources) {
    EglDisplayRef display = EglDisplayRef::Acquire();
    if (!display) return nullptr;
    std::unique_ptr<GpuContext> gpu(new GpuContext(std::move(display)));
    if (!gpu->SetUp(sources)) return nullptr;
    return gpu;
}

bool GpuContext::SetUp(const ShaderSources& sources) {
    const EGLDisplay display = display_.display();
    // No version or profile requested: a compatibility context, in which GLSL 1.10 with
    // the fixed-function built-ins compiles. The thread's API is given back afterwards.
    const EGLenum api = eglQueryAPI();
    if (eglBindAPI(EGL_OPENGL_API) == EGL_TRUE)
        context_ = eglCreateContext(display, display_.config(), EGL_NO_CONTEXT, nullptr);
    if (api != EGL_OPENGL_API && api != EGL_NONE) eglBindAPI(api);
    if (context_ == EGL_NO_CONTEXT) return false;
    const EGLint size[] = {EGL_WIDTH, kInitialSurfaceSide, EGL_HEIGHT, kInitialSurfaceSide,
                           EGL_NONE};
    surface_ = eglCreatePbufferSurface(display, display_.config(), size);
    if (surface_ == EGL_NO_SURFACE) return false;
    surfaceWidth_ = kInitialSurfaceSide;
    surfaceHeight_ = kInitialSurfaceSide;

    const ScopedCurrent current(display, surface_, context_);
    if (!current.ok() || !LoadOpenGl20()) return false;
    DrainGlErrors();
    softwareRenderer_ = IsSoftwareRenderer(reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    if (!BuildProgram(sources)) return false;
    CreateTextures();
    ReadLimits();
    return tileSide_ >= kMatrixSide && !DrainGlErrors();
}

bool GpuContext::BuildProgram(const ShaderSources& sources) {
    vertexShader_ = CompileShader(GL_VERTEX_SHADER, sources.vertex);
    fragmentShader_ = CompileShader(GL_FRAGMENT_SHADER, sources.fragment);
    if (vertexShader_ == 0 || fragmentShader_ == 0) return false;
    program_ = glCreateProgram();
    if (program_ == 0) return false;
    glAttachShader(program_, vertexShader_);
    glAttachShader(program_, fragmentShader_);
    glLinkProgram(program_);
    GLint linked = GL_FALSE;
    glGetProgramiv(program_, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) return false;
    glUseProgram(program_);
    glUniform1i(glGetUniformLocation(program_, "Pal"), 0);
    glUniform1i(glGetUniformLocation(program_, "Tex"), 1);
    glUniform1i(glGetUniformLocation(program_, "DitherMat"), 2);
    texWidthLocation_ = glGetUniformLocation(program_, "TexWidth");
    texHeightLocation_ = glGetUniformLocation(program_, "TexHeight");
    bmpWidthLocation_ = glGetUniformLocation(program_, "BMPWidth");
    bmpHeightLocation_ = glGetUniformLocation(program_, "BMPHeight");
    glUseProgram(0);
    return true;
}

void GpuContext::CreateTextures() {
    glGenTextures(3, textures_);
    glBindTexture(GL_TEXTURE_2D, matrixTexture());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    // One byte per texel lands in blue; red and green stay 0.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, kMatrixSide, kMatrixSide, 0, GL_BLUE, GL_UNSIGNED_BYTE,
                 kDitherMatrix);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void GpuContext::ReadLimits() {
    GLint textureSize = 0;
    GLint viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &textureSize);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    EGLint pbufferWidth = 0, pbufferHeight = 0, pbufferPixels = 0;
    const EGLDisplay display = display_.display();
    eglGetConfigAttrib(display, display_.config(), EGL_MAX_PBUFFER_WIDTH, &pbufferWidth);
    eglGetConfigAttrib(display, display_.config(), EGL_MAX_PBUFFER_HEIGHT, &pbufferHeight);
    eglGetConfigAttrib(display, display_.config(), EGL_MAX_PBUFFER_PIXELS, &pbufferPixels);
    const std::int64_t limit =
        std::min({std::int64_t{textureSize}, std::int64_t{viewport[0]}, std::int64_t{viewport[1]},
                  std::int64_t{pbufferWidth}, std::int64_t{pbufferHeight}});
    tileSide_ = LargestPowerOfTwoAtMost(limit);
    // Mesa leaves the pixel limit at 0: no limit beyond width and height.
    while (pbufferPixels > 0 && tileSide_ > 1 &&
           std::int64_t{tileSide_} * tileSide_ > pbufferPixels)
        tileSide_ /= 2;
}

GpuContext::~GpuContext() {
    const EGLDisplay display = display_.display();
    // A context current on this thread would only be destroyed once released.
    if (context_ != EGL_NO_CONTEXT && eglGetCurrentContext() == context_)
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (surface_ != EGL_NO_SURFACE) eglDestroySurface(display, surface_);
    if (context_ != EGL_NO_CONTEXT) eglDestroyContext(display, context_);
}

bool GpuContext::EnsureSurface(std::int32_t width, std::int32_t height) {
    if (width <= surfaceWidth_ && height <= surfaceHeight_) return true;
    const EGLDisplay display = display_.display();
    const std::int32_t newWidth = std::max(width, surfaceWidth_);
    const std::int32_t newHeight = std::max(height, surfaceHeight_);
    const EGLint size[] = {EGL_WIDTH, newWidth, EGL_HEIGHT, newHeight, EGL_NONE};
    const EGLSurface grown = eglCreatePbufferSurface(display, display_.config(), size);
    if (grown == EGL_NO_SURFACE) return false;
    if (eglMakeCurrent(display, grown, grown, context_) != EGL_TRUE) {
        eglDestroySurface(display, grown);
        return false;
    }
    eglDestroySurface(display, surface_);
    surface_ = grown;
    surfaceWidth_ = newWidth;
    surfaceHeight_ = newHeight;
    return true;
}

void GpuContext::UploadPalette(const std::uint8_t* palette) {
    glBindTexture(GL_TEXTURE_2D, paletteTexture());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 256, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, palette);
    glBindTexture(GL_TEXTURE_2D, 0);
}

// Draws the tile at (left, top) of the image, width x height pixels, and reads its
// indices back into place. The picture and the palette go up in their stored byte order
// (blue first) declared as red first; both are reordered alike, so every distance and
// every index is as with the channels in their proper places.
void GpuContext::DrawTile(const DitherJob& job, std::int32_t left, std::int32_t top,
                          std::int32_t width, std::int32_t height) {
    const std::int32_t texWidth = PowerOfTwoAtLeast(width);
    const std::int32_t texHeight = PowerOfTwoAtLeast(height);
    const GLenum format = job.bitsPerPixel == 24 ? GL_RGB : GL_RGBA;

    glBindTexture(GL_TEXTURE_2D, pictureTexture());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    if (texWidth != pictureTexWidth_ || texHeight != pictureTexHeight_) {
        // Texels beyond the tile are never sampled, so the storage needs no clearing.
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, texWidth, texHeight, 0, format, GL_UNSIGNED_BYTE,
                     nullptr);
        pictureTexWidth_ = texWidth;
        pictureTexHeight_ = texHeight;
    }
    // Rows are job.width pixels long with 4-byte alignment: the image's own pitch.
    const std::uint8_t* first =
        job.image + job.ImagePitch() * top + std::ptrdiff_t{left} * (job.bitsPerPixel / 8);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, format, GL_UNSIGNED_BYTE, first);
    glBindTexture(GL_TEXTURE_2D, 0);

    glViewport(0, 0, width, height);
    glClear(GL_COLOR_BUFFER_BIT);
    glUniform1i(texWidthLocation_, texWidth);
    glUniform1i(texHeightLocation_, texHeight);
    glUniform1i(bmpWidthLocation_, width);
    glUniform1i(bmpHeightLocation_, height);

    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, paletteTexture());
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, pictureTexture());
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_2D, matrixTexture());

    // Fragment (x, y) samples picture texel (x, y) and matrix texel (x mod 16, y mod 16).
    const float sx = static_cast<float>(width) / static_cast<float>(texWidth);
    const float sy = static_cast<float>(height) / static_cast<float>(texHeight);
    glBegin(GL_TRIANGLE_STRIP);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-1.0f, -1.0f);
    glTexCoord2f(sx, 0.0f);
    glVertex2f(1.0f, -1.0f);
    glTexCoord2f(0.0f, sy);
    glVertex2f(-1.0f, 1.0f);
    glTexCoord2f(sx, sy);
    glVertex2f(1.0f, 1.0f);
    glEnd();

    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);

    // Surface row 0 is the tile's first row in buffer order.
    std::uint8_t* out = job.indices + job.IndexPitch() * top + left;
    glReadPixels(0, 0, width, height, GL_BLUE, GL_UNSIGNED_BYTE, out);
}

bool GpuContext::Dither(const DitherJob& job) {
    const ScopedCurrent current(display_.display(), surface_, context_);
    if (!current.ok()) return false;
    const std::int32_t tile = tileSide_;
    if (!EnsureSurface(std::min(job.width, tile), std::min(job.height, tile))) return false;

    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    UploadPalette(job.palette);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, job.width);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, static_cast<GLint>(job.IndexPitch()));

    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glUseProgram(program_);
    for (std::int32_t top = 0; top < job.height; top += tile) {
        for (std::int32_t left = 0; left < job.width; left += tile)
            DrawTile(job, left, top, std::min(tile, job.width - left),
                     std::min(tile, job.height - top));
    }
    glUseProgram(0);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    return !DrainGlErrors();
}

} // namespace tw::dither
