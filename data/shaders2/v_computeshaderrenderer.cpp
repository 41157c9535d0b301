#version 430 compatibility
// One point per particle: the simulated position (the vertex, from the first storage
// buffer) drawn toward its face point by k2, coloured by the simulation or, as it
// gathers, by the face's red channel. Points have a size in the world, not in pixels:
// their diameter follows the distance, the picture's height and the grid, so that the
// cloud covers the picture alike at any resolution and any grid side.
// The drawing sets "ttime" to the scene clock itself (the post passes' "fullttime").
#include shaders2/tweaks.cpp
uniform mat4 MV, MP;
uniform sampler2D PositionTexture, ColorTexture, FaceTexture;
uniform float ResolutionMultiplier;
uniform float PictureHeight;  // lines of the picture the points are drawn into

out vec4 pointColour;
out float pointDiameter;

const int kFacePoints = 1440000;
const int kFaceSide = 1200;
const float kFullGrid = 3184.0;
const float kDiameter = 0.0011;    // world units, at the full grid
const float kFocal = 1.2071068;    // 1 / (2 tan 22.5 degrees): pixels per unit at distance 1, per picture line

void main()
{
    int side = textureSize(PositionTexture, 0).x;
    ivec2 cell = ivec2(gl_VertexID % side, gl_VertexID / side);
    vec4 sim = gl_Vertex;
    vec4 colour = texelFetch(ColorTexture, cell, 0);
    if (sim.w == 0.0) {
        // Never stepped (outside the step's grid): off screen.
        gl_Position = vec4(2.0, 2.0, 2.0, 1.0);
        gl_PointSize = 1.0;
        pointColour = vec4(0.0);
        pointDiameter = 1.0;
        return;
    }

    int f = gl_VertexID % kFacePoints;
    vec4 face = texelFetch(FaceTexture, ivec2(f % kFaceSide, f / kFaceSide), 0);
    // Each particle joins the face a little earlier or later than its neighbours.
    float jitter = fract(float(gl_VertexID) * 0.6180339887);
    // One in eight stays free, a faint haze around the face.
    float free = step(0.875, fract(float(gl_VertexID) * 0.7548777));
    float gather = smoothstep(jitter * 0.45, 0.55 + jitter * 0.45, clamp(k2, 0.0, 1.0)) * (1.0 - free);
    // A formed face still breathes: a slow shimmer along the surface.
    vec3 shimmer = 0.004 * gather * sin(vec3(1.7, 2.3, 1.9) * ttime + jitter * 40.0);
    vec3 world = mix(sim.xyz, face.xyz, gather) + shimmer;

    vec4 eye = MV * vec4(world, 1.0);
    gl_Position = MP * eye;
    float distance = max(-eye.z, 0.02);

    float lines = max(PictureHeight, 1.0);
    float gridScale = kFullGrid / float(side);
    // Farther points shrink a little slower than perspective would have them: seen from
    // outside, the cloud stays a cloud instead of thinning to dust.
    float diameter = kDiameter * gridScale * mix(1.0, 0.55, gather) * kFocal * lines / pow(distance, 0.75);
    // The sprite is two pixels wider than the point, so the point's light falls off inside
    // it whatever its size: a point's light is the same share of its area at any grid.
    pointDiameter = clamp(diameter * ResolutionMultiplier, 0.05, 0.035 * lines);
    gl_PointSize = pointDiameter + 2.0;
    float near = smoothstep(0.12, 0.6, distance);  // no blots across the lens
    float faceLight = 0.28 + 0.72 * face.w;
    vec3 faceColour = faceLight * vec3(1.0, 0.9, 0.82) * (1.15 + 0.25 * sin(ttime * 3.0 + jitter * 25.0));
    vec3 rgb = mix(colour.rgb, faceColour, gather);
    float exposure = clamp(mix(effect1, k0, 0.5), 0.0, 2.0);
    float haze = mix(1.0, 0.45, free * smoothstep(0.0, 0.5, k2));
    pointColour = vec4(rgb * exposure * mix(colour.a, 1.0, gather) * near * haze, 1.0);
}
