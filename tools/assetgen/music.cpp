#include "music.h"

#include "progress.h"

bool WriteSoundtrack(const std::filesystem::path& path)
{
    StereoTrack track = RenderSoundtrack(ComposeSoundtrack(), kTrackSeconds);
    Progress progress("tk22.mp3: master and encode");
    MasterSoundtrack(track, kTargetLufs, kCeilingDb);
    progress.Update(0.3);
    bool ok = EncodeMp3(track, path, 192);
    progress.Done();
    return ok;
}
