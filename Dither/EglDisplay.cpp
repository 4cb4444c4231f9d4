#include "EglDisplay.h"

#include <EGL/eglext.h>

#include <array>
#include <cstring>
#include <mutex>
#include <string_view>
#include <vector>

namespace tw::dither {

namespace {

struct SharedDisplay {
    std::mutex mutex;
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLConfig config = nullptr;
    int references = 0;
    bool initialisedHere = false;
};

SharedDisplay& Shared() {
    static SharedDisplay shared;
    return shared;
}

bool HasToken(const char* list, std::string_view token) {
    if (list == nullptr) return false;
    std::string_view rest(list);
    while (!rest.empty()) {
        const std::size_t space = rest.find(' ');
        if (rest.substr(0, space) == token) return true;
        if (space == std::string_view::npos) break;
        rest.remove_prefix(space + 1);
    }
    return false;
}

// A pbuffer-capable RGBA configuration for desktop OpenGL, preferring exactly 8 bits per
// colour channel so that an index written as i / 255 reads back as i.
EGLConfig ChooseConfig(EGLDisplay display) {
    const EGLint attributes[] = {EGL_SURFACE_TYPE,
                                 EGL_PBUFFER_BIT,
                                 EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_BIT,
                                 EGL_COLOR_BUFFER_TYPE,
                                 EGL_RGB_BUFFER,
                                 EGL_RED_SIZE,
                                 8,
                                 EGL_GREEN_SIZE,
                                 8,
                                 EGL_BLUE_SIZE,
                                 8,
                                 EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, nullptr, 0, &count) || count < 1) return nullptr;
    std::vector<EGLConfig> configs(static_cast<std::size_t>(count));
    if (!eglChooseConfig(display, attributes, configs.data(), count, &count) || count < 1)
        return nullptr;
    for (EGLint i = 0; i < count; ++i) {
        EGLint red = 0, green = 0, blue = 0;
        eglGetConfigAttrib(display, configs[i], EGL_RED_SIZE, &red);
        eglGetConfigAttrib(display, configs[i], EGL_GREEN_SIZE, &green);
        eglGetConfigAttrib(display, configs[i], EGL_BLUE_SIZE, &blue);
        if (red == 8 && green == 8 && blue == 8) return configs[i];
    }
    return configs[0];
}

std::vector<EGLDisplay> CandidateDisplays() {
    std::vector<EGLDisplay> displays;
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    eglGetError(); // without client extensions the query fails; that is not an error here
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay != nullptr && HasToken(clientExtensions, "EGL_EXT_platform_device")) {
        auto queryDevices =
            reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
        std::array<EGLDeviceEXT, 16> devices{};
        EGLint count = 0;
        if (queryDevices != nullptr &&
            queryDevices(static_cast<EGLint>(devices.size()), devices.data(), &count)) {
            for (EGLint i = 0; i < count; ++i)
                displays.push_back(
                    getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr));
        }
    }
    if (getPlatformDisplay != nullptr &&
        HasToken(clientExtensions, "EGL_MESA_platform_surfaceless")) {
        displays.push_back(
            getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr));
    }
    displays.push_back(eglGetDisplay(EGL_DEFAULT_DISPLAY));
    return displays;
}

// Opens the first candidate that offers what a dither context needs.
void Open(SharedDisplay& shared) {
    for (EGLDisplay display : CandidateDisplays()) {
        if (display == EGL_NO_DISPLAY) continue;
        // The version string exists only on an initialised display.
        const bool initialisedBefore = eglQueryString(display, EGL_VERSION) != nullptr;
        eglGetError();
        if (!initialisedBefore && !eglInitialize(display, nullptr, nullptr)) continue;
        EGLConfig config = nullptr;
        if (HasToken(eglQueryString(display, EGL_CLIENT_APIS), "OpenGL"))
            config = ChooseConfig(display);
        if (config != nullptr) {
            shared.display = display;
            shared.config = config;
            shared.initialisedHere = !initialisedBefore;
            return;
        }
        if (!initialisedBefore) eglTerminate(display);
    }
}

} // namespace

EglDisplayRef EglDisplayRef::Acquire() {
    SharedDisplay& shared = Shared();
    std::lock_guard lock(shared.mutex);
    if (shared.references == 0) Open(shared);
    if (shared.display == EGL_NO_DISPLAY) return {};
    ++shared.references;
    return {shared.display, shared.config};
}

EglDisplayRef::EglDisplayRef(EglDisplayRef&& other) noexcept
    : display_(other.display_), config_(other.config_) {
    other.display_ = EGL_NO_DISPLAY;
    other.config_ = nullptr;
}

EglDisplayRef& EglDisplayRef::operator=(EglDisplayRef&& other) noexcept {
    if (this != &other) {
        Release();
        display_ = other.display_;
        config_ = other.config_;
        other.display_ = EGL_NO_DISPLAY;
        other.config_ = nullptr;
    }
    return *this;
}

EglDisplayRef::~EglDisplayRef() {
    Release();
}

void EglDisplayRef::Release() {
    if (display_ == EGL_NO_DISPLAY) return;
    SharedDisplay& shared = Shared();
    std::lock_guard lock(shared.mutex);
    if (--shared.references == 0) {
        if (shared.initialisedHere) eglTerminate(shared.display);
        shared.display = EGL_NO_DISPLAY;
        shared.config = nullptr;
        shared.initialisedHere = false;
    }
    display_ = EGL_NO_DISPLAY;
    config_ = nullptr;
}

ScopedCurrent::ScopedCurrent(EGLDisplay display, EGLSurface surface, EGLContext context)
    : display_(display), context_(context), previousApi_(eglQueryAPI()) {
    // The current context is kept per client API; what is saved is OpenGL's.
    if (previousApi_ != EGL_OPENGL_API) eglBindAPI(EGL_OPENGL_API);
    previousDisplay_ = eglGetCurrentDisplay();
    previousDraw_ = eglGetCurrentSurface(EGL_DRAW);
    previousRead_ = eglGetCurrentSurface(EGL_READ);
    previousContext_ = eglGetCurrentContext();
    if (previousContext_ == context && previousDraw_ == surface && previousRead_ == surface) {
        ok_ = true;
        return;
    }
    ok_ = eglMakeCurrent(display, surface, surface, context) == EGL_TRUE;
}

ScopedCurrent::~ScopedCurrent() {
    // A caller that had this context current keeps it, with whatever surface it now draws
    // to (the surface may have been replaced meanwhile).
    if (previousContext_ == EGL_NO_CONTEXT)
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    else if (previousContext_ != context_)
        eglMakeCurrent(previousDisplay_, previousDraw_, previousRead_, previousContext_);
    if (previousApi_ != EGL_OPENGL_API && previousApi_ != EGL_NONE) eglBindAPI(previousApi_);
}

} // namespace tw::dither
