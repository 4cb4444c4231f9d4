// The Dither library, loaded by file name from a folder, and a dither context made by
// it. Both release what they hold exactly once; every call stays on the creating thread.
#pragma once

#include "SharedLibrary.h"

#include <cstdint>
#include <string>

struct DitherGLState;

namespace tw {

enum class DitherDevice : std::int32_t { Auto = 0, Cpu = 1, Gpu = 2 };

class DitherContext;

class DitherLibrary {
  public:
    // Loads folder/libDither.so and binds the functions a dithered export calls; a
    // missing file or function is an error carrying the loader's description.
    explicit DitherLibrary(const std::string& folder);

    // The library of `folder`, loaded on the first call that succeeds and then kept for
    // the rest of the program, like functions bound on first use. Unloading it after
    // each export would unload the OpenGL drivers it brought in, which neither free
    // everything they hold nor load quickly again. Safe to call from any thread.
    static const DitherLibrary& shared(const std::string& folder);

    // Auto: the library's own choice (graphics card when it can, CPU otherwise);
    // Cpu: always the CPU path; Gpu: the graphics card or an error.
    DitherContext createContext(DitherDevice device) const;

  private:
    friend class DitherContext;
    using CreateFn = DitherGLState* (*)();
    using CreateExFn = DitherGLState* (*)(std::int32_t);
    using DestroyFn = void (*)(DitherGLState**);
    using DitherFn = std::int32_t (*)(DitherGLState*, std::int32_t, std::int32_t, std::int32_t,
                                      const void*, const void*, std::int32_t, void*);

    SharedLibrary library_;
    CreateFn create_ = nullptr;
    DestroyFn destroy_ = nullptr;
    DitherFn dither_ = nullptr;
};

// Owns one context; the library must outlive it.
class DitherContext {
  public:
    DitherContext(DitherContext&& other) noexcept;
    DitherContext& operator=(DitherContext&&) = delete;
    DitherContext(const DitherContext&) = delete;
    DitherContext& operator=(const DitherContext&) = delete;
    ~DitherContext();

    // Dithers a width x height image of 32-bit pixels (rows width * 4 bytes apart, in
    // buffer order) into `indexes` (rows of width rounded up to 4 bytes, the same order).
    // A status other than done is an error naming it.
    void dither(std::int32_t width, std::int32_t height, const void* image, const void* palette,
                std::int32_t count, void* indexes) const;

  private:
    friend class DitherLibrary;
    DitherContext(const DitherLibrary& library, DitherGLState* state)
        : library_(&library), state_(state) {}
    const DitherLibrary* library_;
    DitherGLState* state_;
};

} // namespace tw
