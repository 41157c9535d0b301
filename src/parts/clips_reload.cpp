// The scene's share of reloading on save: the programs that read the saved file are built
// again (a failed build keeps the last good one), and a saved keyframe track is read again.
#include "parts/clips.h"

#include <filesystem>

namespace {

bool SamePath(const std::string& a, const std::string& b)
{
    return std::filesystem::path(a).lexically_normal() == std::filesystem::path(b).lexically_normal();
}

}  // namespace

void Part_Clips::FileSaved(const std::string& path)
{
    for (TShader* p : {&progBlur, &progPost, &progFinal, &progPostFinal, &progObject, &progPoints})
        if (p->UsesFile(path))
            p->Rebuild();
    if (SamePath(path, "other//my0.txt"))
        LoadTrack(track0, "other//my0.txt");
    if (SamePath(path, "other//my1.txt"))
        LoadTrack(track1, "other//my1.txt");
}
