// Reloading on save: the data folders are watched from the start-up on, and every frame
// the files saved since are handed to the parts before the frame driver runs.
#include "app/demo.h"
#include "platform/platform.h"

#include <cstdio>

void WatchDataFolders(TDemo& demo)
{
    for (const char* folder : {"shaders2", "other"})
        if (!WatchFolder(demo.fileWatch, folder))
            std::printf("WatchDataFolders - %s is not watched: files saved there are not reloaded\n", folder);
}

void ReloadSavedFiles(TDemo& demo)
{
    for (const std::string& path : SavedFiles(demo.fileWatch, SteadyTicks100ns()))
        for (Part* part : demo.parts)
            part->FileSaved(path);
}
