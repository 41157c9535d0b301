#version 430 compatibility
// A nine-tap box blur of "texture2d"; built with the scene's programs, not drawn.
in vec2 uv;
uniform sampler2D texture2d;
out vec4 fragColour;
void main()
{
    vec2 texel = 1.0 / vec2(textureSize(texture2d, 0));
    vec4 sum = vec4(0.0);
    for (int y = -1; y <= 1; ++y)
        for (int x = -1; x <= 1; ++x)
            sum += texture(texture2d, uv + vec2(x, y) * texel);
    fragColour = sum / 9.0;
}
