// The keyframe tracks: seven numbers a record, read with the stream's own number rules.
#include "parts/scene_data.h"

#include <fstream>

void ReadTrack(KeyframeTrack& track, std::istream& in)
{
    track.clear();
    for (;;) {
        // A read that fails sets its field to 0; one that finds only the end leaves it.
        Keyframe k = {-1.0f, 0, 0, 0, 0, 0, 0};
        in >> k.key >> k.k0 >> k.k1 >> k.k2 >> k.k3 >> k.k4 >> k.k5;
        track.push_back(k);
        if (in.eof() || in.fail())
            break;
    }
}

void LoadTrack(KeyframeTrack& track, const std::string& path)
{
    std::ifstream in(path);
    ReadTrack(track, in);
}
