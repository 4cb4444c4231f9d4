// The GLSL 1.10 program that dithers on the graphics card.
#pragma once

namespace tw::dither {

struct ShaderSources {
    const char* vertex;
    const char* fragment;
};

// Vertex stage: passes the position through and derives the matrix coordinate from the
// picture coordinate (one matrix texel per pixel when the picture is drawn 1:1).
// Fragment stage: nearest of the 256 palette texels, shifted along the grey axis by the
// matrix value scaled with that distance over the square root of 3, nearest again; the
// index comes out as i / 255 in every colour channel.
ShaderSources DitherShaderSources();

} // namespace tw::dither
