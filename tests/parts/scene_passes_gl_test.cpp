// What each pass of a frame sets and binds, read back from GL: every active uniform of the
// real shaders is set by the scene; with probe shaders that use every input of the pass
// tables, each holds the table's value and each sampler its unit and texture. Also the
// barriers after the particle step, small grids and the grid a software renderer gets.
#include "parts/schedule.h"
#include "scene_fixture.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <numbers>

namespace {

struct ActiveUniform {
    std::string name;
    GLenum type = 0;
    GLint location = -1;
};

bool IsSampler(GLenum type)
{
    return type == GL_SAMPLER_2D || type == GL_SAMPLER_3D || type == GL_SAMPLER_2D_SHADOW;
}

bool IsImage(GLenum type)
{
    return type == GL_IMAGE_2D || type == GL_IMAGE_3D;
}

int FloatCount(GLenum type)
{
    switch (type) {
    case GL_FLOAT: return 1;
    case GL_FLOAT_VEC2: return 2;
    case GL_FLOAT_VEC3: return 3;
    case GL_FLOAT_VEC4: return 4;
    case GL_FLOAT_MAT4: return 16;
    default: return 0;
    }
}

// The program's active uniforms (arrays by element), without GL's own state ("gl_...").
std::vector<ActiveUniform> ActiveUniforms(GLuint program)
{
    GLint count = 0;
    glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
    std::vector<ActiveUniform> list;
    for (GLint i = 0; i < count; ++i) {
        char name[256];
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(program, GLuint(i), sizeof name, nullptr, &size, &type, name);
        std::string base = name;
        if (base.rfind("gl_", 0) == 0)
            continue;
        if (base.size() > 3 && base.ends_with("[0]"))
            base.resize(base.size() - 3);
        for (GLint k = 0; k < size; ++k) {
            const std::string element = size > 1 ? base + "[" + std::to_string(k) + "]" : base;
            list.push_back({element, type, glGetUniformLocation(program, element.c_str())});
        }
    }
    return list;
}

GLint PoisonUnit()
{
    GLint units = 0;
    glGetIntegerv(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS, &units);
    return units - 1;
}

// Every active uniform set to a value the scene never sets: NaN, or the last texture unit.
// Images keep the unit their layout gives them (the scene binds its images there). Types
// the audit cannot poison are returned, so the test can name them.
std::vector<std::string> Poison(GLuint program)
{
    std::vector<std::string> unknown;
    const float nan[16] = {NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN};
    for (const ActiveUniform& u : ActiveUniforms(program)) {
        if (IsSampler(u.type))
            glProgramUniform1i(program, u.location, PoisonUnit());
        else if (u.type == GL_FLOAT_MAT4)
            glProgramUniformMatrix4fv(program, u.location, 1, GL_FALSE, nan);
        else if (u.type == GL_FLOAT)
            glProgramUniform1fv(program, u.location, 1, nan);
        else if (u.type == GL_FLOAT_VEC2)
            glProgramUniform2fv(program, u.location, 1, nan);
        else if (u.type == GL_FLOAT_VEC3)
            glProgramUniform3fv(program, u.location, 1, nan);
        else if (u.type == GL_FLOAT_VEC4)
            glProgramUniform4fv(program, u.location, 1, nan);
        else if (!IsImage(u.type))
            unknown.push_back(u.name);
    }
    return unknown;
}

// The active uniforms that still hold the poison, and images on a unit with nothing bound.
std::vector<std::string> StillPoisoned(GLuint program)
{
    std::vector<std::string> unset;
    for (const ActiveUniform& u : ActiveUniforms(program)) {
        if (IsImage(u.type)) {
            GLint unit = 0, texture = 0;
            glGetUniformiv(program, u.location, &unit);
            glGetIntegeri_v(GL_IMAGE_BINDING_NAME, GLuint(unit), &texture);
            if (texture == 0)
                unset.push_back(u.name);
        } else if (IsSampler(u.type)) {
            GLint unit = 0;
            glGetUniformiv(program, u.location, &unit);
            if (unit == PoisonUnit())
                unset.push_back(u.name);
        } else if (const int n = FloatCount(u.type)) {
            float v[16];
            glGetUniformfv(program, u.location, v);
            if (std::any_of(v, v + n, [](float x) { return std::isnan(x); }))
                unset.push_back(u.name);
        }
    }
    return unset;
}

}  // namespace

// Every input a program of the frame reads is one the scene sets: a uniform it never sets
// holds GL's default (0), which the shader's author did not mean.
TEST_F(SceneGL, EveryActiveUniformOfTheFrameIsSetByTheScene)
{
    ASSERT_NO_FATAL_FAILURE(Load(HOLLOWMERE_RUN_DIR));
    clips->time = 150.0f;
    Frame();
    const std::pair<const char*, GLuint> programs[] = {
        {"particle step", clips->particles.program}, {"points", clips->progPoints.program},
        {"object", clips->progObject.program},       {"pass 2", clips->progFinal.program},
        {"pass 3", clips->progPost.program},         {"pass 4", clips->progPostFinal.program},
    };
    for (const auto& [label, program] : programs) {
        EXPECT_FALSE(ActiveUniforms(program).empty()) << label;
        EXPECT_EQ(Poison(program), std::vector<std::string>{}) << label << ": uniforms of a type the audit misses";
    }
    Frame();
    for (const auto& [label, program] : programs)
        EXPECT_EQ(StillPoisoned(program), std::vector<std::string>{}) << label << ": active, never set by the scene";
}

namespace {

// Probe shaders: every input of every pass table declared and read, so that each is active.
const char* const kProbeFragment = R"(#version 430 compatibility
uniform sampler2D texture2d, texture2ddepth, texture2d2, texture2d3, textureVideo, textureVideo2, textureFeedback,
    texture2dOther, texture2dOtherdepth, moon, textureprev, PositionTexture, ColorTexture, FaceTexture;
uniform float k0, k1, k2, k3, k4, k5, effect1, effect2, effect3, effect4, effect5, effect6;
uniform float ttime, cttime, fttime, fullttime, TheType, pass, ResolutionMultiplier, PictureHeight;
uniform mat4 MV, MP;
layout(location = 0) out vec4 colour;
void main()
{
    vec2 c = vec2(0.5);
    vec4 t = texture(texture2d, c) + texture(texture2ddepth, c) + texture(texture2d2, c) + texture(texture2d3, c) +
             texture(textureVideo, c) + texture(textureVideo2, c) + texture(textureFeedback, c) +
             texture(texture2dOther, c) + texture(texture2dOtherdepth, c) + texture(moon, c) + texture(textureprev, c) +
             texture(PositionTexture, c) + texture(ColorTexture, c) + texture(FaceTexture, c);
    float f = k0 + k1 + k2 + k3 + k4 + k5 + effect1 + effect2 + effect3 + effect4 + effect5 + effect6 + ttime +
              cttime + fttime + fullttime + TheType + pass + ResolutionMultiplier + PictureHeight;
    colour = 1.0e-20 * (t + vec4(f) + MV[3] + MP[2]);
}
)";
const char* const kProbePointVertex = R"(#version 430 compatibility
uniform mat4 MV, MP;
out vec4 pointColour;
out float pointDiameter;
void main()
{
    gl_Position = MP * MV * gl_Vertex;
    gl_PointSize = 1.0;
    pointColour = vec4(1.0);
    pointDiameter = 1.0;
}
)";

// What a program holds when a stage ends: every active uniform's value, every sampler's
// unit with the texture bound there, and the fixed-function projection and viewport.
struct Snapshot {
    std::map<std::string, std::vector<float>> floats;
    std::map<std::string, std::pair<GLint, GLuint>> samplers;  // unit, texture
    float projection[16] = {};
    GLint viewport[4] = {};
};

Snapshot Take(GLuint program)
{
    Snapshot s;
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    for (const ActiveUniform& u : ActiveUniforms(program)) {
        if (IsSampler(u.type)) {
            GLint unit = 0, texture = 0;
            glGetUniformiv(program, u.location, &unit);
            glActiveTexture(GLenum(GL_TEXTURE0 + unit));
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
            s.samplers[u.name] = {unit, GLuint(texture)};
        } else if (const int n = FloatCount(u.type)) {
            std::vector<float> v(16);
            glGetUniformfv(program, u.location, v.data());
            v.resize(size_t(n));
            s.floats[u.name] = v;
        }
    }
    glActiveTexture(GLenum(active));
    glGetFloatv(GL_PROJECTION_MATRIX, s.projection);
    glGetIntegerv(GL_VIEWPORT, s.viewport);
    return s;
}

struct PassRecorder : SceneStageObserver {
    std::map<SceneStage, std::vector<std::pair<GLuint, Snapshot*>>> wanted;
    void Begin(SceneStage) override {}
    void End(SceneStage stage) override
    {
        for (auto& [program, into] : wanted[stage]) *into = Take(program);
    }
};

// gluPerspective's matrix, column-major.
std::vector<float> Perspective(double fovDegrees, double aspect, double nearZ, double farZ)
{
    const double f = 1.0 / std::tan(fovDegrees * std::numbers::pi / 360.0);
    std::vector<float> m(16, 0.0f);
    m[0] = float(f / aspect);
    m[5] = float(f);
    m[10] = float((farZ + nearZ) / (nearZ - farZ));
    m[11] = -1.0f;
    m[14] = float(2.0 * farZ * nearZ / (nearZ - farZ));
    return m;
}

void ExpectNear(const float* got, const std::vector<float>& want, const char* what)
{
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_NEAR(got[i], want[i], 1e-5 * std::max(1.0f, std::fabs(want[i]))) << what << " [" << i << "]";
}

struct Table {
    std::vector<std::pair<std::string, std::vector<float>>> floats;
    std::vector<std::tuple<std::string, GLint, GLuint>> samplers;
};

void ExpectTable(const Snapshot& got, const Table& want, const char* pass)
{
    for (const auto& [name, value] : want.floats) {
        const auto it = got.floats.find(name);
        ASSERT_NE(it, got.floats.end()) << pass << ": " << name << " is not active in the probe";
        EXPECT_EQ(it->second, value) << pass << ": " << name;
    }
    for (const auto& [name, unit, texture] : want.samplers) {
        const auto it = got.samplers.find(name);
        ASSERT_NE(it, got.samplers.end()) << pass << ": " << name << " is not active in the probe";
        EXPECT_EQ(it->second.first, unit) << pass << ": unit of " << name;
        EXPECT_EQ(it->second.second, texture) << pass << ": texture on the unit of " << name;
    }
}

}  // namespace

TEST_F(SceneGL, EachPassSetsAndBindsWhatItsTableSays)
{
    const std::string dir = RunFolder("scene_pass_tables");
    for (const char* f : {"f_final_clips.cpp", "f_postprocess.cpp", "f_postprocess_final.cpp", "f_object.cpp",
                          "f_computeshaderrenderer.cpp"})
        std::ofstream(dir + "/shaders2/" + f) << kProbeFragment;
    std::ofstream(dir + "/shaders2/v_computeshaderrenderer.cpp") << kProbePointVertex;
    ASSERT_NO_FATAL_FAILURE(Load(dir));
    ASSERT_EQ(loadLog.find("error"), std::string::npos) << loadLog;

    Snapshot points, object, pass2, pass3, pass4;
    PassRecorder recorder;
    recorder.wanted[SceneStage::ParticleDraw] = {{clips->progPoints.program, &points},
                                                  {clips->progObject.program, &object}};
    recorder.wanted[SceneStage::Composite] = {{clips->progFinal.program, &pass2}};
    recorder.wanted[SceneStage::Post] = {{clips->progPost.program, &pass3}};
    recorder.wanted[SceneStage::Output] = {{clips->progPostFinal.program, &pass4}};
    clips->stageObserver = &recorder;
    // Near 107.5 s the camera is on the z axis at 3.7 and the tracks give four different
    // tweak values; the two they leave alone from 30 s on, and the previous frame's k0
    // (effect1), are made to differ from the rest. The shader times lag the clock by a frame.
    clips->time = 107.5f - 1.0f / 30;
    demo.state._k0 = 0.125f, demo.state._k4 = 0.375f, demo.state._k5 = 0.625f;
    Frame();

    const TDemoState& s = demo.state;
    const std::vector<float> k[6] = {{s._k0}, {s._k1}, {s._k2}, {s._k3}, {s._k4}, {s._k5}};
    const float distinct[] = {s._k0, s._k1, s._k2, s._k3, s._k4, s._k5, clips->effect1, clips->time, clips->ttime,
                              clips->cttime};
    for (size_t i = 0; i < std::size(distinct); ++i)
        for (size_t j = 0; j < i; ++j) ASSERT_NE(distinct[i], distinct[j]) << "inputs " << i << " and " << j << " alike";
    ASSERT_EQ(clips->effect1, 0.125f);
    using Floats = std::vector<std::pair<std::string, std::vector<float>>>;
    Floats tweaks, effects;
    for (int i = 0; i < 6; ++i) tweaks.push_back({"k" + std::to_string(i), k[i]});
    const float e[6] = {clips->effect1, clips->effect2, clips->effect3, clips->effect4, clips->effect5, clips->effect6};
    for (int i = 0; i < 6; ++i) effects.push_back({"effect" + std::to_string(i + 1), {e[i]}});
    const auto with = [&](Floats own) {
        own.insert(own.end(), tweaks.begin(), tweaks.end());
        own.insert(own.end(), effects.begin(), effects.end());
        return own;
    };
    const std::vector<float> view(clips->viewMatrix, clips->viewMatrix + 16), proj(clips->projMatrix, clips->projMatrix + 16);
    const float type = float(clips->theType), time = clips->time, ttime = clips->ttime, cttime = clips->cttime;
    RenderTarget &scene = demo.rtScene(), &other = demo.rtOther(), &final = demo.rtFinal(), &post = demo.rtPost();

    ExpectTable(pass2,
                {with({{"TheType", {type}}, {"ttime", {ttime}}, {"cttime", {cttime}}, {"fttime", {clips->fttime}},
                       {"fullttime", {time}}}),
                 {{"texture2d", 0, scene.colorTextures[0]}, {"texture2ddepth", 1, scene.depthTexture},
                  {"texture2d2", 2, scene.colorTextures[1]}, {"textureVideo", 3, 0}, {"textureVideo2", 4, 0},
                  {"textureFeedback", 5, final.colorTextures[0]}, {"texture2d3", 13, scene.colorTextures[2]}}},
                "pass 2");
    const Floats postTimes = {{"ttime", {ttime}}, {"fttime", {cttime}}, {"cttime", {cttime}}, {"fullttime", {time}},
                              {"TheType", {type}}};
    Floats pass3Floats = with(postTimes);
    pass3Floats.push_back({"MV", view});
    pass3Floats.push_back({"MP", proj});
    ExpectTable(pass3,
                {pass3Floats,
                 {{"texture2d", 0, final.colorTextures[0]}, {"texture2dOther", 6, other.colorTextures[0]},
                  {"texture2dOtherdepth", 7, other.depthTexture}, {"texture2d2", 1, scene.colorTextures[1]},
                  {"texture2d3", 3, scene.colorTextures[2]}, {"textureVideo", 2, 0},
                  {"textureFeedback", 13, post.colorTextures[0]}, {"textureVideo2", 12, 0}, {"moon", 5, 0}}},
                "pass 3");
    ExpectTable(pass4,
                {with(postTimes), {{"texture2d", 0, post.colorTextures[0]}, {"textureprev", 1, post.colorTextures[0]}}},
                "pass 4");
    ExpectTable(object,
                {with({{"ttime", {ttime}}, {"cttime", {cttime}}, {"fttime", {time}}, {"pass", {0.0f}}}),
                 {{"textureFeedback", 13, post.colorTextures[0]}}},
                "object");
    ExpectTable(points,
                {with({{"MV", view}, {"MP", proj}, {"ttime", {time}}, {"ResolutionMultiplier", {1.0f}},
                       {"PictureHeight", {float(scene.height)}}}),
                 {{"PositionTexture", 0, clips->particles.positionImage},
                  {"ColorTexture", 1, clips->particles.colorImage}, {"FaceTexture", 12, clips->faceTexture}}},
                "points");

    // "MV" and "MP" are the camera at (0, 0, 3.7) with the far-64 projection; the points are
    // drawn while the fixed-function projection is the far-4 one.
    const double aspect = double(kWidth) / kHeight;
    ExpectNear(clips->projMatrix, Perspective(45.0, aspect, 0.01, 64.0), "MP");
    ExpectNear(points.projection, Perspective(45.0, aspect, 0.001, 4.0), "drawn projection");
    const float z = float(3.0 + 0.2 * (double(clips->time) - 104.0));
    ASSERT_NEAR(z, 3.7f, 1e-4f);
    ExpectNear(clips->viewMatrix, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -z, 1}, "MV");
    const std::vector<GLint> window = {0, 0, kWidth, kHeight};
    for (const Snapshot* p : {&points, &pass2, &pass3, &pass4})
        EXPECT_EQ(std::vector<GLint>(p->viewport, p->viewport + 4), window);
}

namespace {

std::vector<std::pair<char, GLbitfield>> events;  // 'D': a dispatch of (x) groups, 'B': a barrier
PFNGLMEMORYBARRIERPROC realBarrier = nullptr;
PFNGLDISPATCHCOMPUTEPROC realDispatch = nullptr;
void GLAPIENTRY RecordBarrier(GLbitfield bits)
{
    events.push_back({'B', bits});
    realBarrier(bits);
}
void GLAPIENTRY RecordDispatch(GLuint x, GLuint y, GLuint z)
{
    events.push_back({'D', x});
    EXPECT_TRUE(x == y && z == 1) << x << " x " << y << " x " << z;
    realDispatch(x, y, z);
}

}  // namespace

// The draw reads what the step wrote as vertices (buffer 0), through texelFetch (the
// colour and position images) and as storage: the barrier after the step covers all of it.
TEST_F(SceneGL, TheStepEndsWithTheBarriersItsReadersNeed)
{
    ASSERT_NO_FATAL_FAILURE(Load(HOLLOWMERE_RUN_DIR, 100));
    realBarrier = glMemoryBarrier, realDispatch = glDispatchCompute;
    __glewMemoryBarrier = RecordBarrier, __glewDispatchCompute = RecordDispatch;
    events.clear();
    clips->time = 45.0f;
    clips->StepParticles();
    __glewMemoryBarrier = realBarrier, __glewDispatchCompute = realDispatch;

    const auto dispatch = std::find_if(events.begin(), events.end(), [](const auto& e) { return e.first == 'D'; });
    ASSERT_NE(dispatch, events.end());
    EXPECT_EQ(dispatch->second, 7u) << "16 x 16 groups over a side of 100";
    ASSERT_NE(dispatch + 1, events.end());
    EXPECT_EQ((dispatch + 1)->first, 'B');
    const GLbitfield needed = GL_SHADER_STORAGE_BARRIER_BIT | GL_VERTEX_ATTRIB_ARRAY_BARRIER_BIT |
                              GL_TEXTURE_FETCH_BARRIER_BIT | GL_SHADER_IMAGE_ACCESS_BARRIER_BIT;
    EXPECT_EQ((dispatch + 1)->second & needed, needed) << std::hex << (dispatch + 1)->second;
}

// Every grid side from 1 up is stepped whole, and a few particles still light the picture.
TEST_F(SceneGL, SmallGridsAndGridsOffTheWorkGroupAreSteppedWhole)
{
    for (int grid : {1, 8, 100}) {
        SCOPED_TRACE("grid " + std::to_string(grid));
        demo.parts.clear();
        ASSERT_NO_FATAL_FAILURE(Load(HOLLOWMERE_RUN_DIR, grid));
        ASSERT_EQ(clips->particleGrid, grid);
        clips->time = 45.0f;
        clips->StepParticles();
        const size_t n = size_t(grid) * grid;
        const auto cells = BufferContents<float>(clips->particles.buffers[0], n * 4);
        std::vector<float> colour(n * 4);
        glBindTexture(GL_TEXTURE_2D, clips->particles.colorImage);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, colour.data());
        size_t seeded = 0, coloured = 0;
        for (size_t i = 0; i < n; ++i) {
            seeded += cells[i * 4 + 3] == 1.0f;
            coloured += colour[i * 4] + colour[i * 4 + 1] + colour[i * 4 + 2] > 0.0f;
        }
        EXPECT_EQ(seeded, n);
        EXPECT_EQ(coloured, n);
        if (grid < 8)
            continue;
        std::vector<unsigned char> px;
        for (int i = 0; i < 10; ++i) px = Frame();
        size_t lit = 0;
        for (size_t i = 0; i < px.size(); i += 4) lit += px[i] + px[i + 1] + px[i + 2] > 60;
        EXPECT_GT(lit, 10u) << "a lit field";
    }
}

// Without HOLLOWMERE_PARTICLE_GRID a software renderer gets the small grid and one line
// that names the variable; a GPU the full grid and no line.
TEST_F(SceneGL, TheGridSuitsTheRendererUnlessTheVariableIsSet)
{
    ASSERT_TRUE(window.ok);
    const std::string renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    ASSERT_NO_FATAL_FAILURE(Load(HOLLOWMERE_RUN_DIR, 0));
    const bool software = IsSoftwareRenderer(renderer);
    EXPECT_EQ(clips->particleGrid, software ? kSoftwareParticleGrid : kParticleGrid) << renderer;
    EXPECT_EQ(loadLog.find("HOLLOWMERE_PARTICLE_GRID") != std::string::npos, software) << loadLog;
    EXPECT_EQ(clips->particles.width, clips->particleGrid);
}
