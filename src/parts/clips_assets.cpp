// The scene's construction and loading: the face scan and its texture, the title meshes,
// the programs, the particles and the keyframe tracks.
#include "parts/clips.h"
#include "platform/names.h"

#include "app/demo.h"

#include <GL/glew.h>

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

bool IsSoftwareRenderer(std::string_view renderer)
{
    const std::string lower = AsciiLower(renderer);
    for (const char* name : {"llvmpipe", "softpipe", "swiftshader"})
        if (lower.find(name) != std::string::npos)
            return true;
    return false;
}

int32_t ParticleGridSetting(std::string_view renderer)
{
    const char* text = std::getenv("HOLLOWMERE_PARTICLE_GRID");
    if (text && *text) {
        int32_t grid = 0;
        const char* end = text + std::strlen(text);
        const auto [last, error] = std::from_chars(text, end, grid);
        if (error == std::errc() && last == end && grid > 0 && grid <= kParticleGrid)
            return grid;
        std::printf("Part_Clips - HOLLOWMERE_PARTICLE_GRID=%s is not a grid side from 1 to %d; it is ignored\n", text,
                    kParticleGrid);
    }
    if (!IsSoftwareRenderer(renderer))
        return kParticleGrid;
    std::printf("Part_Clips - %.*s is a software renderer: %d x %d particles instead of %d x %d "
                "(HOLLOWMERE_PARTICLE_GRID=%d sets the full grid)\n",
                int(renderer.size()), renderer.data(), kSoftwareParticleGrid, kSoftwareParticleGrid, kParticleGrid,
                kParticleGrid, kParticleGrid);
    return kSoftwareParticleGrid;
}

Part_Clips::Part_Clips()
{
    for (TShader* p : {&progPoints, &progBlur, &progPost, &progFinal, &progPostFinal, &progObject})
        p->verbose = true;
}

namespace {

void UploadFaceTexture(uint32_t& texture, const std::vector<FacePoint>& points)
{
    const std::vector<float> texels = FaceTexels(points);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, kFaceTextureSide, kFaceTextureSide, 0, GL_RGBA, GL_FLOAT, texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
}

}  // namespace

void Part_Clips::Init()
{
    facePoints.clear();
    LoadFacePoints("other//face.ply", facePoints);
    UploadFaceTexture(faceTexture, facePoints);

    textMesh.Import("other//text.obj");
    logoMesh.Import("other//zev2.obj");

    BuildPrograms();
    SetUpParticles();

    LoadTracks();
}

void Part_Clips::LoadTracks(const std::string* saved)
{
    const std::pair<KeyframeTrack*, const char*> tracks[] = {{&track0, "other//my0.txt"}, {&track1, "other//my1.txt"}};
    for (const auto& [track, file] : tracks)
        if (!saved || NormalPath(*saved) == NormalPath(file))
            LoadTrack(*track, file);
}

void Part_Clips::BuildPrograms()
{
    progBlur.Load(DataPath + "shaders2/v_fixed.cpp", DataPath + "shaders2/f_simpleblur.cpp");
    progPost.Load(DataPath + "shaders2/v_fixed.cpp", DataPath + "shaders2/f_postprocess.cpp");
    progFinal.Load(DataPath + "shaders2/v_trace.cpp", DataPath + "shaders2/f_final_clips.cpp");
    progPostFinal.Load(DataPath + "shaders2/v_trace.cpp", DataPath + "shaders2/f_postprocess_final.cpp");
    progObject.Load(DataPath + "shaders2//v_object.cpp", DataPath + "shaders2//f_object.cpp");
    progPoints.Load("shaders2//v_computeshaderrenderer.cpp", "shaders2//f_computeshaderrenderer.cpp");
}
