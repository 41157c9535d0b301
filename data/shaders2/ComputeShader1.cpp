#version 430
// The particle step. Read as it is (no #include here): one invocation per particle, on a
// grid as wide as the position image. The storage buffers start zeroed; a cell whose
// state is still zero is seeded, as is every cell after the clock jumps backwards.
//   buffer 4: position xyz, w = 1 once seeded (drawn as the vertex)
//   buffer 5: velocity xyz, w = generation (how many times the particle was reborn)
//   buffer 6: x = scene time of the last step, y = age, z = lifetime, w = 1 once seeded
// Tweak values read (see tweaks.cpp for the whole list): k0 brightness, k1 flow speed,
// k3 palette.
layout(local_size_x = 16, local_size_y = 16) in;

layout(std430, binding = 4) buffer Positions { vec4 position[]; };
layout(std430, binding = 5) buffer Velocities { vec4 velocity[]; };
layout(std430, binding = 6) buffer States { vec4 particleState[]; };
layout(rgba32f, binding = 0) uniform writeonly image2D PositionImage;
layout(rgba32f, binding = 1) uniform writeonly image2D AuxImage;
layout(rgba32f, binding = 2) uniform writeonly image2D ColorImage;

uniform sampler3D CurlTexture;
uniform float ttime, DeltaT, PosY, type;
uniform float k0, k1, k2, k3, k4, k5;
uniform float effect1, effect2, effect3, effect4, effect5, effect6;

const float kMaxStep = 1.0 / 15.0;  // a longer frame is simulated as this long
const float kCloudRadius = 2.2;     // particles leaving this ball are reborn

uint Hash(uint x)
{
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

float Random(inout uint s)
{
    s = Hash(s);
    return float(s >> 8) * (1.0 / 16777216.0);
}

// A point of the birth shell: uniform in direction, denser toward the middle.
vec3 BirthPlace(inout uint s)
{
    float z = Random(s) * 2.0 - 1.0;
    float a = Random(s) * 6.2831853;
    float r = kCloudRadius * pow(Random(s), 0.6);
    return r * vec3(sqrt(1.0 - z * z) * cos(a), z, sqrt(1.0 - z * z) * sin(a));
}

// The curl volume, stretched over the cloud and drifting slowly so the flow keeps changing.
vec3 Flow(vec3 p, float t)
{
    vec3 uvw = p * vec3(0.22, 0.11, 0.22) + vec3(0.5) + vec3(0.013, 0.007, -0.011) * t;
    return texture(CurlTexture, uvw).xyz;
}

vec3 Palette(float hue, float speed)
{
    vec3 cold = vec3(0.35, 0.55, 1.0), violet = vec3(0.75, 0.45, 1.0), warm = vec3(1.0, 0.7, 0.35);
    vec3 base = hue < 0.5 ? mix(cold, violet, hue * 2.0) : mix(violet, warm, hue * 2.0 - 1.0);
    return mix(base, vec3(1.0), clamp(speed * 0.35, 0.0, 0.6));
}

void main()
{
    ivec2 cell = ivec2(gl_GlobalInvocationID.xy);
    int side = imageSize(PositionImage).x;
    if (cell.x >= side || cell.y >= side)
        return;
    uint i = uint(cell.y * side + cell.x);

    vec4 p = position[i];
    vec4 v = velocity[i];
    vec4 s = particleState[i];
    if (s.w == 0.0 || ttime < s.x - 1.0e-4) {
        uint seed = Hash(i * 2654435761u + 977u);
        p = vec4(BirthPlace(seed), 1.0);
        v = vec4(0.0);
        float life = 3.0 + 6.0 * Random(seed);
        s = vec4(ttime, life * Random(seed), life, 1.0);  // staggered ages: no wave of rebirths
    } else {
        float dt = clamp(ttime - s.x, 0.0, kMaxStep);
        s.x = ttime;
        vec3 flow = Flow(p.xyz, ttime);
        float speed = 0.05 + 0.6 * clamp(k1, 0.0, 2.0);
        v.xyz = mix(v.xyz, flow * speed, clamp(dt * 4.0, 0.0, 1.0));
        p.xyz += v.xyz * dt;
        s.y += dt;
        if (s.y > s.z || dot(p.xyz, p.xyz) > kCloudRadius * kCloudRadius) {
            v.w += 1.0;
            uint seed = Hash(i * 2654435761u + uint(v.w) * 40503u + 977u);
            p = vec4(BirthPlace(seed), 1.0);
            v.xyz = vec3(0.0);
            s.y = 0.0;
            s.z = 3.0 + 6.0 * Random(seed);
        }
    }
    position[i] = p;
    velocity[i] = v;
    particleState[i] = s;

    // Fade in after birth and out before rebirth, so no particle pops.
    float life = smoothstep(0.0, 0.6, s.y) * (1.0 - smoothstep(s.z - 0.8, s.z, s.y));
    float speed = length(v.xyz);
    imageStore(PositionImage, cell, p);
    imageStore(AuxImage, cell, vec4(v.xyz, s.y));
    imageStore(ColorImage, cell, vec4(Palette(clamp(k3, 0.0, 1.0), speed), life));
}
