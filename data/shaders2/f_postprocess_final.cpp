#version 430 compatibility
// Pass 4: the graded picture to the window (added onto black).
#include shaders2/tweaks.cpp
in vec2 uv;
uniform sampler2D texture2d, textureprev;
out vec4 fragColour;
void main()
{
    fragColour = vec4(texture(texture2d, uv).rgb, 1.0);
}
