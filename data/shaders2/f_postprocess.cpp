#version 430 compatibility
// Pass 3: glow, grade, vignette and grain. The glow blurs the scene's light buffer
// (texture2d2) on a spiral of taps turned a little every frame; a share of the previous
// result ("textureFeedback") smooths what the few taps leave. k5 sets the glow. The
// titles' coverage (pass 2's alpha) keeps the glow off them, so they stay black.
#include shaders2/tweaks.cpp
#include shaders2/noise.cpp
in vec2 uv;
uniform sampler2D texture2d, texture2d2, texture2d3, texture2dOther, texture2dOtherdepth;
uniform sampler2D textureVideo, textureVideo2, textureFeedback, moon;
uniform mat4 MV, MP;
out vec4 fragColour;

vec3 Glow(vec2 at, float radiusLines)
{
    vec2 size = vec2(textureSize(texture2d2, 0));
    float radius = radiusLines * size.y;
    float turn = Hash12(gl_FragCoord.xy) * 6.2831853;
    vec3 sum = vec3(0.0);
    float weight = 0.0;
    for (int i = 0; i < 16; ++i) {
        float f = (float(i) + 0.5) / 16.0;
        float a = turn + float(i) * 2.3999632;  // the golden angle: taps spread evenly
        vec2 offset = vec2(cos(a), sin(a)) * radius * sqrt(f) / size;
        float w = 1.0 - f * 0.8;
        sum += texture(texture2d2, at + offset).rgb * w;
        weight += w;
    }
    return sum / weight;
}

void main()
{
    vec4 composite = texture(texture2d, uv);
    float title = composite.a;
    float strength = 0.5 + 3.0 * clamp(k5, 0.0, 1.0);
    vec3 glow = (0.6 * Glow(uv, 0.012) + 0.4 * Glow(uv, 0.04)) * strength;
    vec3 c = composite.rgb + glow * (1.0 - title);

    // Grade: an exponential shoulder (light never clips), cooler shadows, warmer highlights.
    c = 1.0 - exp(-1.25 * c);
    float luma = dot(c, vec3(0.2126, 0.7152, 0.0722));
    c = mix(c * vec3(0.92, 0.97, 1.1), c * vec3(1.06, 1.0, 0.93), smoothstep(0.05, 0.6, luma));
    c = mix(vec3(luma), c, 1.12);  // a touch more colour

    vec2 centred = uv * 2.0 - 1.0;
    float vignette = 1.0 - 0.3 * dot(centred * vec2(0.75, 1.0), centred * vec2(0.75, 1.0));
    c = max(c, 0.0) * vignette;

    vec3 previous = texture(textureFeedback, uv).rgb;
    c = mix(c, previous, 0.15 * (1.0 - title));

    // Grain and dither of about one step either way: no bands in the dark gradients.
    float n = Hash12(gl_FragCoord.xy + vec2(fract(fullttime * 13.7) * 1000.0, 0.0)) - 0.5;
    c += n * (2.0 / 255.0) * (1.0 - 0.5 * title);
    fragColour = vec4(clamp(c, 0.0, 1.0), 1.0);
}
