#include "file_out.h"
#include "music.h"
#include "music_dsp.h"

#include <lame/lame.h>

#include <algorithm>
#include <vector>

bool EncodeMp3(const StereoTrack& track, const std::filesystem::path& path, int kbps)
{
    lame_t lame = lame_init();
    if (!lame) return false;
    lame_set_in_samplerate(lame, kSampleRate);
    lame_set_out_samplerate(lame, kSampleRate);
    lame_set_num_channels(lame, 2);
    lame_set_mode(lame, JOINT_STEREO);
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, kbps);
    lame_set_quality(lame, 3);
    lame_set_bWriteVbrTag(lame, 1);  // an information frame with the encoder delay and padding
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        return false;
    }

    std::vector<unsigned char> mp3;
    const size_t chunk = 1152 * 16;
    std::vector<unsigned char> buf(chunk * 5 / 4 + 7200);
    bool ok = true;
    for (size_t pos = 0; pos < track.Frames() && ok; pos += chunk) {
        int count = int(std::min(chunk, track.Frames() - pos));
        int bytes = lame_encode_buffer_ieee_float(lame, track.left.data() + pos, track.right.data() + pos, count,
                                                  buf.data(), int(buf.size()));
        ok = bytes >= 0;
        if (ok) mp3.insert(mp3.end(), buf.begin(), buf.begin() + bytes);
    }
    if (ok) {
        int bytes = lame_encode_flush(lame, buf.data(), int(buf.size()));
        ok = bytes >= 0;
        if (ok) mp3.insert(mp3.end(), buf.begin(), buf.begin() + bytes);
    }
    // The first frame was reserved for the information frame; fill it in now.
    if (ok) {
        size_t tagSize = lame_get_lametag_frame(lame, buf.data(), buf.size());
        if (tagSize > 0 && tagSize <= mp3.size()) std::copy(buf.begin(), buf.begin() + long(tagSize), mp3.begin());
    }
    lame_close(lame);
    if (!ok) return false;

    return WriteFileBytes(path, mp3.data(), mp3.size());
}
