// The record behind a dither context handle.
#pragma once

#include "GpuContext.h"

#include <memory>

struct DitherGLState {
    // Null: CPU mode. Fixed at creation.
    std::unique_ptr<tw::dither::GpuContext> gpu;
    // Nearest-entry answers kept from call to call on the CPU path.
    tw::dither::CpuAnswers cpu;
};
