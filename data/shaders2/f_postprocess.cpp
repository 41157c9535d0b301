#version 430 compatibility
// Pass 3: glow, grade, vignette and grain. The glow blurs the scene's brightness buffer
// (texture2d2) on a ring of taps turned a little every frame; a share of the previous
// result ("textureFeedback") smooths what the few taps leave. k5 sets the glow.
#include shaders2/tweaks.cpp
#include shaders2/noise.cpp
in vec2 uv;
uniform sampler2D texture2d, texture2d2, texture2d3, texture2dOther, texture2dOtherdepth;
uniform sampler2D textureVideo, textureVideo2, textureFeedback, moon;
uniform mat4 MV, MP;
out vec4 fragColour;

vec3 Glow(vec2 at)
{
    vec2 size = vec2(textureSize(texture2d2, 0));
    float radius = 0.018 * size.y;
    float turn = fract(fullttime * 7.31) * 6.2831853;
    vec3 sum = vec3(0.0);
    float weight = 0.0;
    for (int i = 0; i < 16; ++i) {
        float f = (float(i) + 0.5) / 16.0;
        float a = turn + float(i) * 2.3999632;  // the golden angle: taps spread evenly
        vec2 offset = vec2(cos(a), sin(a)) * radius * sqrt(f) / size;
        float w = 1.0 - f * 0.7;
        sum += texture(texture2d2, at + offset).rgb * w;
        weight += w;
    }
    return sum / weight;
}

void main()
{
    vec3 colour = texture(texture2d, uv).rgb;
    vec3 glow = Glow(uv) * (0.4 + 2.6 * clamp(k5, 0.0, 1.0));
    vec3 c = colour + glow;

    // Grade: a soft shoulder instead of clipping, a little lift of the blues in the dark.
    c = c / (1.0 + 0.35 * c);
    c = pow(c, vec3(0.95, 0.97, 0.92));

    vec2 centred = uv * 2.0 - 1.0;
    float vignette = 1.0 - 0.35 * dot(centred * vec2(0.8, 1.0), centred * vec2(0.8, 1.0));
    c *= vignette;

    vec3 previous = texture(textureFeedback, uv).rgb;
    c = mix(c, previous, 0.18);

    // Grain and dither, a third of a step either way: no bands in the dark gradients.
    float n = Hash12(gl_FragCoord.xy + vec2(fract(fullttime * 13.7) * 1000.0)) - 0.5;
    c += n * (1.5 / 255.0);
    fragColour = vec4(clamp(c, 0.0, 1.0), 1.0);
}
