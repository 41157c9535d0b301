// What each pass of a frame sets and binds, read back from GL: every active uniform of the
// real shaders is set by the scene; with probe shaders that use every input of the pass
// tables, each holds the table's value and each sampler its unit and texture.
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

// The scene sets floats, 4 x 4 matrices, samplers and images: a uniform of any other type is
// one it cannot set.
int FloatCount(GLenum type)
{
    return type == GL_FLOAT ? 1 : type == GL_FLOAT_MAT4 ? 16 : 0;
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

// What a program holds: every active uniform's value, every sampler's unit with the 2D
// texture bound there, every image's unit with the texture bound to that image unit, the
// names of uniforms of any other type, and the fixed-function projection and viewport.
struct Snapshot {
    std::map<std::string, std::vector<float>> floats;
    std::map<std::string, std::pair<GLint, GLuint>> samplers, images;  // unit, texture
    std::vector<std::string> others;
    float projection[16] = {};
    GLint viewport[4] = {};
};

Snapshot Take(GLuint program)
{
    Snapshot s;
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    for (const ActiveUniform& u : ActiveUniforms(program)) {
        GLint unit = 0, texture = 0;
        if (IsSampler(u.type) || IsImage(u.type))
            glGetUniformiv(program, u.location, &unit);
        if (IsSampler(u.type)) {
            glActiveTexture(GLenum(GL_TEXTURE0 + unit));
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
            s.samplers[u.name] = {unit, GLuint(texture)};
        } else if (IsImage(u.type)) {
            glGetIntegeri_v(GL_IMAGE_BINDING_NAME, GLuint(unit), &texture);
            s.images[u.name] = {unit, GLuint(texture)};
        } else if (const int n = FloatCount(u.type)) {
            std::vector<float> v(16);
            glGetUniformfv(program, u.location, v.data());
            v.resize(size_t(n));
            s.floats[u.name] = v;
        } else {
            s.others.push_back(u.name);
        }
    }
    glActiveTexture(GLenum(active));
    glGetFloatv(GL_PROJECTION_MATRIX, s.projection);
    glGetIntegerv(GL_VIEWPORT, s.viewport);
    return s;
}

// Every active uniform set to a value the scene never sets: NaN, or the last texture unit.
// Images keep the unit their layout gives them (the scene binds its images there).
void Poison(GLuint program)
{
    const float nan[16] = {NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN};
    for (const ActiveUniform& u : ActiveUniforms(program)) {
        if (IsSampler(u.type))
            glProgramUniform1i(program, u.location, PoisonUnit());
        else if (u.type == GL_FLOAT_MAT4)
            glProgramUniformMatrix4fv(program, u.location, 1, GL_FALSE, nan);
        else if (u.type == GL_FLOAT)
            glProgramUniform1fv(program, u.location, 1, nan);
    }
}

// The active uniforms that still hold the poison, and images on a unit with nothing bound.
std::vector<std::string> StillPoisoned(GLuint program)
{
    const Snapshot s = Take(program);
    std::vector<std::string> unset;
    for (const auto& [name, v] : s.floats)
        if (std::any_of(v.begin(), v.end(), [](float x) { return std::isnan(x); })) unset.push_back(name);
    for (const auto& [name, bound] : s.samplers)
        if (bound.first == PoisonUnit()) unset.push_back(name);
    for (const auto& [name, bound] : s.images)
        if (bound.second == 0) unset.push_back(name);
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
        EXPECT_EQ(Take(program).others, std::vector<std::string>{}) << label << ": uniforms of a type the audit misses";
        Poison(program);
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

using Floats = std::vector<std::pair<std::string, std::vector<float>>>;
using Samplers = std::vector<std::tuple<std::string, GLint, GLuint>>;

// One row of the pass tables: the inputs every program gets (`common`), its own, and each
// sampler's unit with the texture bound there.
void ExpectTable(const Snapshot& got, const Floats& common, const Floats& own, const Samplers& samplers, const char* pass)
{
    for (const Floats* floats : {&common, &own})
        for (const auto& [name, value] : *floats) {
            const auto it = got.floats.find(name);
            ASSERT_NE(it, got.floats.end()) << pass << ": " << name << " is not active in the probe";
            EXPECT_EQ(it->second, value) << pass << ": " << name;
        }
    for (const auto& [name, unit, texture] : samplers) {
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
    const float k[6] = {s._k0, s._k1, s._k2, s._k3, s._k4, s._k5};
    const float distinct[] = {k[0], k[1], k[2], k[3], k[4], k[5], clips->effect1, clips->time, clips->ttime,
                              clips->cttime};
    for (size_t i = 0; i < std::size(distinct); ++i)
        for (size_t j = 0; j < i; ++j) ASSERT_NE(distinct[i], distinct[j]) << "inputs " << i << " and " << j << " alike";
    ASSERT_EQ(clips->effect1, 0.125f);
    const float e[6] = {clips->effect1, clips->effect2, clips->effect3, clips->effect4, clips->effect5, clips->effect6};
    Floats common;  // the tweak values and the effects
    for (int i = 0; i < 6; ++i) {
        common.push_back({"k" + std::to_string(i), {k[i]}});
        common.push_back({"effect" + std::to_string(i + 1), {e[i]}});
    }
    const std::vector<float> view(clips->viewMatrix, clips->viewMatrix + 16), proj(clips->projMatrix, clips->projMatrix + 16);
    const float type = float(clips->theType), time = clips->time, ttime = clips->ttime, cttime = clips->cttime;
    RenderTarget &scene = demo.rtScene(), &other = demo.rtOther(), &final = demo.rtFinal(), &post = demo.rtPost();

    ExpectTable(pass2, common,
                {{"TheType", {type}}, {"ttime", {ttime}}, {"cttime", {cttime}}, {"fttime", {clips->fttime}},
                 {"fullttime", {time}}},
                {{"texture2d", 0, scene.colorTextures[0]}, {"texture2ddepth", 1, scene.depthTexture},
                 {"texture2d2", 2, scene.colorTextures[1]}, {"textureVideo", 3, 0}, {"textureVideo2", 4, 0},
                 {"textureFeedback", 5, final.colorTextures[0]}, {"texture2d3", 13, scene.colorTextures[2]}},
                "pass 2");
    const Floats postTimes = {{"ttime", {ttime}}, {"fttime", {cttime}}, {"cttime", {cttime}}, {"fullttime", {time}},
                              {"TheType", {type}}};
    Floats pass3Own = postTimes;
    pass3Own.insert(pass3Own.end(), {{"MV", view}, {"MP", proj}});
    ExpectTable(pass3, common, pass3Own,
                {{"texture2d", 0, final.colorTextures[0]}, {"texture2dOther", 6, other.colorTextures[0]},
                 {"texture2dOtherdepth", 7, other.depthTexture}, {"texture2d2", 1, scene.colorTextures[1]},
                 {"texture2d3", 3, scene.colorTextures[2]}, {"textureVideo", 2, 0},
                 {"textureFeedback", 13, post.colorTextures[0]}, {"textureVideo2", 12, 0}, {"moon", 5, 0}},
                "pass 3");
    ExpectTable(pass4, common, postTimes,
                {{"texture2d", 0, post.colorTextures[0]}, {"textureprev", 1, post.colorTextures[0]}}, "pass 4");
    ExpectTable(object, common, {{"ttime", {ttime}}, {"cttime", {cttime}}, {"fttime", {time}}, {"pass", {0.0f}}},
                {{"textureFeedback", 13, post.colorTextures[0]}}, "object");
    ExpectTable(points, common,
                {{"MV", view}, {"MP", proj}, {"ttime", {time}}, {"ResolutionMultiplier", {1.0f}},
                 {"PictureHeight", {float(scene.height)}}},
                {{"PositionTexture", 0, clips->particles.positionImage},
                 {"ColorTexture", 1, clips->particles.colorImage}, {"FaceTexture", 12, clips->faceTexture}},
                "points");

    // "MV" and "MP" are the camera at (0, 0, 3.7) with the far-64 projection; the points are
    // drawn while the fixed-function projection is the far-4 one.
    const double aspect = double(kWidth) / kHeight;
    ExpectNear(clips->projMatrix, Perspective(45.0, aspect, 0.01, 64.0), "MP");
    ExpectNear(points.projection, Perspective(45.0, aspect, 0.001, 4.0), "drawn projection");
    ExpectNear(clips->viewMatrix, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -3.7f, 1}, "MV");
    const std::vector<GLint> window = {0, 0, kWidth, kHeight};
    for (const Snapshot* p : {&points, &pass2, &pass3, &pass4})
        EXPECT_EQ(std::vector<GLint>(p->viewport, p->viewport + 4), window);
}
