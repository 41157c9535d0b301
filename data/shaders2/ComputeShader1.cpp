#version 430
// The particle step. Read as it is (no #include here): one invocation per particle, on a
// grid as wide as the position image. The storage buffers start zeroed; a cell whose
// state is still zero is seeded, as is every cell after the clock jumps backwards.
//   buffer 4: position xyz, w = 1 once seeded (drawn as the vertex)
//   buffer 5: velocity xyz, w = generation (how many times the particle was reborn)
//   buffer 6: x = scene time of the last step, y = age, z = lifetime, w = 1 once seeded
// Tweak values read (tweaks.cpp says what each means): k1 flow and k3 palette.
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

// The same hash as noise.cpp's (this file is read as it is, so it cannot include it).
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
// Every face of the mirrored volume is a plane the flow runs along, where particles would
// gather into sheets; a second, turned and finer sample (its velocity turned back, so the
// sum stays free of divergence) carries them across.
const mat3 kTurn = mat3(0.7071068, 0.0, -0.7071068, 0.4082483, 0.8164966, 0.4082483, 0.5773503, -0.5773503, 0.5773503);

vec3 Flow(vec3 p, float t)
{
    vec3 a = texture(CurlTexture, p * vec3(0.34, 0.17, 0.34) + vec3(0.5) + vec3(0.013, 0.007, -0.011) * t).xyz;
    vec3 q = kTurn * p;
    vec3 b = texture(CurlTexture, q * vec3(0.55, 0.275, 0.55) + vec3(0.31, 0.62, 0.17) - vec3(0.009, 0.011, 0.006) * t).xyz;
    return a + 0.8 * (transpose(kTurn) * b);
}

// Emission colours along the palette value: ice blue, violet, rose, amber; fast particles
// run hotter (toward white).
vec3 Palette(float hue, float speed, float tint)
{
    vec3 ice = vec3(0.28, 0.58, 1.00), violet = vec3(0.58, 0.38, 1.00);
    vec3 rose = vec3(1.00, 0.40, 0.60), amber = vec3(0.95, 0.58, 0.25);
    float h = clamp(hue + 0.12 * (tint - 0.5), 0.0, 1.0) * 3.0;
    vec3 base = h < 1.0 ? mix(ice, violet, h) : h < 2.0 ? mix(violet, rose, h - 1.0) : mix(rose, amber, h - 2.0);
    return mix(base, vec3(1.0, 0.97, 0.92), clamp(speed * 0.5 - 0.1, 0.0, 0.65));
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
    float tint = fract(float(i) * 0.7548777);  // neighbours differ a little in hue
    imageStore(ColorImage, cell, vec4(Palette(clamp(k3, 0.0, 1.0), speed, tint), life));
}
