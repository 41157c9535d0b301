#version 430 compatibility
// A soft round point without blending: the shader covers as many of the pixel's samples
// as the point's falloff says (alpha to coverage, done here), so overlapping points stay
// depth-sorted and still look soft once the samples are resolved.
// Buffer 0 takes the colour, buffer 1 the light for the glow, buffer 2 the depth. Every
// alpha is 0: the titles drawn over the points leave theirs in it, and the passes read it
// as the titles' coverage.
#include shaders2/noise.cpp
in vec4 pointColour;
in float pointDiameter;
layout(location = 0) out vec4 sceneColour;
layout(location = 1) out vec4 sceneGlow;
layout(location = 2) out vec4 sceneDepth;

void main()
{
    // A Gaussian as wide as the point, in pixels from its centre; a point narrower than a
    // pixel lights a share of the pixel's samples, so its light stays in proportion.
    float size = pointDiameter + 2.0;
    float r = length(gl_PointCoord - 0.5) * size;
    float cover = exp(-12.0 * r * r / (pointDiameter * pointDiameter));
    if (cover < 1.0 / 512.0)
        discard;
    int samples = max(gl_NumSamples, 1);
    uint h = Hash(uint(gl_FragCoord.x) * 1973u + uint(gl_FragCoord.y) * 9277u + uint(gl_PrimitiveID) * 26699u);
    int n = int(floor(cover * float(samples) + float(h & 1023u) / 1024.0));
    if (n <= 0)
        discard;
    uint mask = n >= 32 ? 0xffffffffu : (1u << uint(n)) - 1u;
    uint turn = (h >> 10) % uint(samples);
    mask = ((mask << turn) | (mask >> (uint(samples) - turn))) & ((samples >= 32) ? 0xffffffffu : (1u << uint(samples)) - 1u);
    gl_SampleMask[0] = int(mask);

    vec3 c = pointColour.rgb;
    sceneColour = vec4(c, 0.0);
    sceneGlow = vec4(c * c * 0.8, 0.0);
    sceneDepth = vec4(vec3(gl_FragCoord.z), 0.0);
}
