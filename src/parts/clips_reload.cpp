// The scene's share of reloading on save: the programs that read the saved file are built
// again (a failed build keeps the last good one), and a saved keyframe track is read again.
#include "parts/clips.h"

void Part_Clips::FileSaved(const std::string& path)
{
    for (TShader* p : {&progBlur, &progPost, &progFinal, &progPostFinal, &progObject, &progPoints})
        if (p->UsesFile(path))
            p->Rebuild();
    LoadTracks(&path);
}
