#version 430 compatibility
// A round point, brightest in its middle. Buffer 0 takes the colour, buffer 1 the
// brightness alone (the glow's source), buffer 2 the depth of the point for the passes.
in vec4 pointColour;
layout(location = 0) out vec4 sceneColour;
layout(location = 1) out vec4 sceneGlow;
layout(location = 2) out vec4 sceneDepth;
void main()
{
    vec2 d = gl_PointCoord * 2.0 - 1.0;
    float r2 = dot(d, d);
    if (r2 > 1.0)
        discard;
    float falloff = exp(-2.5 * r2);
    vec3 c = pointColour.rgb * falloff;
    sceneColour = vec4(c, 1.0);
    sceneGlow = vec4(c * c, 1.0);
    sceneDepth = vec4(vec3(gl_FragCoord.z), 1.0);
}
