#include "DitherLibrary.h"

#include "Error.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace tw {

DitherLibrary::DitherLibrary(const std::string& folder) : library_(libraryPath(folder, "Dither")) {
    create_ = library_.function<CreateFn>("CreateDitherGLContext");
    destroy_ = library_.function<DestroyFn>("DestroyDitherGLContext");
    dither_ = library_.function<DitherFn>("Dither");
}

const DitherLibrary& DitherLibrary::shared(const std::string& folder) {
    // Never destroyed: the libraries stay loaded until the process ends.
    static auto* loaded = new std::map<std::string, std::unique_ptr<const DitherLibrary>>;
    static std::mutex mutex;
    const std::string path = libraryPath(folder, "Dither");
    std::lock_guard lock(mutex);
    auto& slot = (*loaded)[path];
    if (!slot) slot = std::make_unique<const DitherLibrary>(folder);
    return *slot;
}

DitherContext DitherLibrary::createContext(DitherDevice device) const {
    DitherGLState* state = nullptr;
    if (device == DitherDevice::Auto) {
        state = create_();
    } else {
        const auto createEx = library_.function<CreateExFn>("CreateDitherContextEx");
        state = createEx(static_cast<std::int32_t>(device));
    }
    if (state == nullptr) {
        if (device == DitherDevice::Gpu)
            throw Error("The Dither library could not make a dither context on the graphics "
                        "card (OpenGL 2.0 is not available).");
        throw Error("The Dither library could not make a dither context.");
    }
    return DitherContext(*this, state);
}

DitherContext::DitherContext(DitherContext&& other) noexcept
    : library_(other.library_), state_(other.state_) {
    other.state_ = nullptr;
}

DitherContext::~DitherContext() {
    if (state_ != nullptr) library_->destroy_(&state_);
}

void DitherContext::dither(std::int32_t width, std::int32_t height, const void* image,
                           const void* palette, std::int32_t count, void* indexes) const {
    const std::int32_t status =
        library_->dither_(state_, 32, width, height, image, palette, count, indexes);
    if (status == 0) return;
    const char* meaning = status == 1   ? "bad argument"
                          : status == 2 ? "image too large"
                          : status == 3 ? "out of memory"
                                        : "unknown status";
    throw Error("The Dither library could not dither a " + std::to_string(width) + " x " +
                std::to_string(height) + " image (status " + std::to_string(status) + ": " +
                meaning + ").");
}

} // namespace tw
