#version 430 compatibility
// Pass 2: the scene over its own trails. The previous result fades by a factor that k4
// sets and loses half a step besides, so a trail always dies out (8-bit values would stall)
// and, taken as a maximum rather than a sum, never builds up past the scene's own light.
// The titles' coverage (the scene's alpha) wipes the trails under them; it is passed on
// in this pass's alpha.
#include shaders2/tweaks.cpp
in vec2 uv;
uniform sampler2D texture2d, texture2ddepth, texture2d2, texture2d3;
uniform sampler2D textureVideo, textureVideo2, textureFeedback;
out vec4 fragColour;
void main()
{
    vec4 scene = texture(texture2d, uv);
    float title = sqrt(clamp(scene.a, 0.0, 1.0));  // blended rows leave their alpha squared
    vec3 previous = texture(textureFeedback, uv).rgb;
    float keep = mix(0.5, 0.94, clamp(k4, 0.0, 1.0));
    vec3 trail = max(previous * keep - vec3(0.5 / 255.0), vec3(0.0)) * (1.0 - title);
    fragColour = vec4(max(scene.rgb, trail), title);
}
