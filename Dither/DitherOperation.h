// Context creation and the Dither operation behind the exported functions.
#pragma once

#include "DitherShaders.h"

#include <cstdint>

struct DitherGLState;

namespace tw::dither {

enum class ContextMode : std::int32_t { Default = 0, CpuOnly = 1, GpuRequired = 2 };

// Null for an unknown mode, when GpuRequired finds no usable OpenGL 2.0, or without
// memory. Throws nothing.
DitherGLState* CreateContext(std::int32_t mode, const ShaderSources& sources);
void DestroyContext(DitherGLState* state);

// Dither's status codes.
inline constexpr std::int32_t kDone = 0;
inline constexpr std::int32_t kBadArgument = 1;
inline constexpr std::int32_t kTooLarge = 2;
inline constexpr std::int32_t kNoMemory = 3;

std::int32_t DitherImage(DitherGLState* state, std::int32_t bitsPerPixel, std::int32_t width,
                         std::int32_t height, const void* image, const void* palette,
                         std::int32_t count, void* indices);

} // namespace tw::dither
