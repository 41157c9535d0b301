// MP3 decoding for the music channel: libmpg123 decodes to float stereo at the file's
// own rate; libsyn123's resampler (a proper low-pass, unlike libmpg123's drop-sample
// rate forcing) brings other rates to 48 kHz; then the samples are rounded to 16 bits.
#include "platform/audio.h"

#include <mpg123.h>
#include <syn123.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

struct Mpg123Deleter {
    void operator()(mpg123_handle* mh) const
    {
        mpg123_close(mh);
        mpg123_delete(mh);
    }
};
struct Syn123Deleter {
    void operator()(syn123_handle* sh) const { syn123_del(sh); }
};

// Decodes the whole file as interleaved float stereo; `rate` receives its sample rate.
bool DecodeFloatStereo(const char* path, std::vector<float>& out, long& rate, std::string& error)
{
    mpg123_init();  // a no-op on current libraries, required by old ones
    int err = MPG123_OK;
    std::unique_ptr<mpg123_handle, Mpg123Deleter> mh(mpg123_new(nullptr, &err));
    if (!mh) {
        error = mpg123_plain_strerror(err);
        return false;
    }
    mpg123_param(mh.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    // Stereo float at any rate the decoder knows; mono is duplicated by the decoder.
    mpg123_format_none(mh.get());
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(mh.get(), rates[i], MPG123_STEREO, MPG123_ENC_FLOAT_32);

    if (mpg123_open(mh.get(), path) != MPG123_OK) {
        error = mpg123_strerror(mh.get());
        return false;
    }
    rate = 0;
    std::vector<unsigned char> buffer(64 * 1024);
    for (;;) {
        size_t done = 0;
        const int rc = mpg123_read(mh.get(), buffer.data(), buffer.size(), &done);
        if (rc == MPG123_NEW_FORMAT) {
            long r = 0;
            int channels = 0, encoding = 0;
            mpg123_getformat(mh.get(), &r, &channels, &encoding);
            if (rate != 0 && r != rate) {
                error = "the sample rate changes inside the file";
                return false;
            }
            rate = r;
        }
        const float* f = reinterpret_cast<const float*>(buffer.data());
        out.insert(out.end(), f, f + done / sizeof(float));
        if (rc == MPG123_DONE)
            break;
        if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT) {
            error = mpg123_strerror(mh.get());
            return false;
        }
    }
    if (out.empty() || rate <= 0) {
        error = "no MPEG audio frames in the file";
        return false;
    }
    return true;
}

bool Resample(std::vector<float>& stereo, long fromRate, long toRate, std::string& error)
{
    int err = SYN123_OK;
    std::unique_ptr<syn123_handle, Syn123Deleter> sh(syn123_new(toRate, 2, MPG123_ENC_FLOAT_32, 0, &err));
    if (!sh || (err = syn123_setup_resample(sh.get(), fromRate, toRate, 2, 0, 0)) != SYN123_OK) {
        error = std::string("resampler: ") + syn123_strerror(err);
        return false;
    }
    const size_t frames = stereo.size() / 2;
    const size_t chunk = std::min<size_t>(4096, syn123_resample_maxincount(fromRate, toRate));
    std::vector<float> out;
    out.reserve(size_t(double(frames) * toRate / fromRate + 16) * 2);
    std::vector<float> block(syn123_resample_count(fromRate, toRate, chunk) * 2);
    for (size_t at = 0; at < frames; at += chunk) {
        const size_t n = std::min(chunk, frames - at);
        const size_t produced = syn123_resample(sh.get(), block.data(), stereo.data() + at * 2, n);
        out.insert(out.end(), block.begin(), block.begin() + ptrdiff_t(produced * 2));
    }
    stereo.swap(out);
    return true;
}

}  // namespace

bool DecodeMp3(const char* path, std::vector<int16_t>& pcm, std::string& error)
{
    std::vector<float> stereo;
    long rate = 0;
    if (!DecodeFloatStereo(path, stereo, rate, error))
        return false;
    if (rate != kMusicRate && !Resample(stereo, rate, kMusicRate, error))
        return false;
    pcm.resize(stereo.size());
    for (size_t i = 0; i < stereo.size(); ++i)
        pcm[i] = int16_t(std::clamp(std::lrint(double(stereo[i]) * 32768.0), -32768L, 32767L));
    return true;
}
