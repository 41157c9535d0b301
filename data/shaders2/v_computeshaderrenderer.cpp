#version 430 compatibility
// One point per particle: the simulated position (the vertex, from the first storage
// buffer) drawn toward its face point by k2, coloured by the simulation or, as it
// gathers, by the face's red channel; sized by distance and by the grid, so a small
// grid covers the screen as the full one does.
#include shaders2/tweaks.cpp
uniform mat4 MV, MP;
uniform sampler2D PositionTexture, ColorTexture, FaceTexture;
uniform float ResolutionMultiplier;

out vec4 pointColour;

const int kFacePoints = 1440000;
const int kFaceSide = 1200;
const float kFullGrid = 3184.0;

void main()
{
    int side = textureSize(PositionTexture, 0).x;
    ivec2 cell = ivec2(gl_VertexID % side, gl_VertexID / side);
    vec4 sim = gl_Vertex;
    vec4 colour = texelFetch(ColorTexture, cell, 0);
    if (sim.w == 0.0) {
        // Never seeded (outside the step's grid): off screen.
        gl_Position = vec4(2.0, 2.0, 2.0, 1.0);
        gl_PointSize = 1.0;
        pointColour = vec4(0.0);
        return;
    }

    int f = gl_VertexID % kFacePoints;
    vec4 face = texelFetch(FaceTexture, ivec2(f % kFaceSide, f / kFaceSide), 0);
    // Each particle joins the face a little earlier or later than its neighbours.
    float jitter = fract(float(gl_VertexID) * 0.6180339887);
    float gather = smoothstep(jitter * 0.4, 0.6 + jitter * 0.4, clamp(k2, 0.0, 1.0));
    vec3 world = mix(sim.xyz, face.xyz, gather);

    vec4 eye = MV * vec4(world, 1.0);
    gl_Position = MP * eye;
    float distance = max(-eye.z, 0.05);
    float gridScale = kFullGrid / float(side);
    gl_PointSize = clamp(1.2 * ResolutionMultiplier * sqrt(gridScale) / distance, 1.0, 12.0);

    vec3 faceColour = vec3(face.w) * vec3(1.0, 0.92, 0.85);
    vec3 rgb = mix(colour.rgb, faceColour * 1.6, gather);
    float brightness = clamp(mix(effect1, k0, 0.5), 0.0, 1.5) * mix(colour.a, 1.0, gather);
    pointColour = vec4(rgb * brightness, 1.0);
}
