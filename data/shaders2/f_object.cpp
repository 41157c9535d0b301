#version 430 compatibility
// Shades an object by its normal and fades it into the feedback of pass 3.
#include shaders2/tweaks.cpp
in vec3 normal;
uniform sampler2D textureFeedback;
uniform float pass;
out vec4 fragColour;
void main()
{
    float light = 0.3 + 0.7 * max(dot(normalize(normal), vec3(0.0, 0.0, 1.0)), 0.0);
    vec3 behind = texelFetch(textureFeedback, ivec2(gl_FragCoord.xy), 0).rgb;
    fragColour = vec4(mix(vec3(light), behind, 0.5) * (1.0 - pass), 1.0);  // pass 0: the whole object
}
