#include "DitherShaders.h"

namespace tw::dither {

namespace {

const char kVertexShader[] = R"(uniform int TexWidth;
uniform int TexHeight;
uniform int BMPWidth;
uniform int BMPHeight;
varying vec2 vTexCoord;
varying vec2 vDitherCoord;

void main()
{
    gl_Position = gl_Vertex;
    vTexCoord = gl_MultiTexCoord0.xy;
    vDitherCoord = vTexCoord * vec2(float(TexWidth), float(TexHeight)) / vec2(16.0, 16.0);
}
)";

const char kFragmentShader[] = R"(uniform sampler2D Pal;
uniform sampler2D Tex;
uniform sampler2D DitherMat;
varying vec2 vTexCoord;
varying vec2 vDitherCoord;

const float InitDistSq = 999.0;
const float MaxDist = 0.25;
const float MaxDistSq = MaxDist * MaxDist;

int NearestColor(vec3 c, out float bestDistSq)
{
    int iNearestColor = 0;
    bestDistSq = InitDistSq;
    for (int i = 0; i < 256; i++)
    {
        vec3 p = texture2D(Pal, vec2(float(i) / 256.0, 0.0)).rgb;
        vec3 d = p - c;
        float distSq = dot(d, d);
        if (distSq < bestDistSq)
        {
            bestDistSq = distSq;
            iNearestColor = i;
        }
    }
    return iNearestColor;
}

void main()
{
    vec3 c = texture2D(Tex, vTexCoord).rgb;
    float bestDistSq;
    NearestColor(c, bestDistSq);
    float m = texture2D(DitherMat, vDitherCoord).b;
    float v = (m * 2.0 - 1.0) * sqrt(bestDistSq) / 1.7320508075688772935274463415059;
    c += vec3(v, v, v);
    int iNearestColor = NearestColor(c, bestDistSq);
    gl_FragColor = vec4(vec3(float(iNearestColor) / 255.0), 1.0);
}
)";

} // namespace

ShaderSources DitherShaderSources() {
    return {kVertexShader, kFragmentShader};
}

} // namespace tw::dither
