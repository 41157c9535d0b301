#include "audio_checks.h"

#include <mpg123.h>

#include <algorithm>
#include <cmath>

bool DecodeMp3(const std::string& path, DecodedAudio& out, std::string& error)
{
    out = {};
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    if (!h) {
        error = "mpg123_new failed";
        return false;
    }
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    if (mpg123_open(h, path.c_str()) != MPG123_OK) {
        error = std::string("cannot open: ") + mpg123_strerror(h);
        mpg123_delete(h);
        return false;
    }
    int encoding = 0;
    mpg123_getformat(h, &out.rate, &out.channels, &encoding);
    mpg123_format_none(h);
    mpg123_format(h, out.rate, out.channels, MPG123_ENC_SIGNED_16);
    std::vector<unsigned char> buf(1 << 16);
    int rc = MPG123_OK;
    while (rc == MPG123_OK || rc == MPG123_NEW_FORMAT) {
        size_t done = 0;
        rc = mpg123_read(h, buf.data(), buf.size(), &done);
        out.pcmBytes += done;
        const int16_t* s = reinterpret_cast<const int16_t*>(buf.data());
        size_t frames = done / (2 * size_t(std::max(out.channels, 1)));
        for (size_t i = 0; i < frames; ++i) {
            out.l.push_back(float(s[i * size_t(out.channels)] / 32768.0));
            out.r.push_back(float(s[i * size_t(out.channels) + (out.channels > 1 ? 1 : 0)] / 32768.0));
        }
    }
    if (rc != MPG123_DONE) error = std::string("decoding stopped: ") + mpg123_plain_strerror(rc);
    mpg123_close(h);
    mpg123_delete(h);
    return rc == MPG123_DONE;
}

double WindowDb(const std::vector<float>& l, const std::vector<float>& r, long rate, double t0, double t1)
{
    size_t a = size_t(std::max(0.0, t0) * double(rate)), b = std::min(l.size(), size_t(std::max(0.0, t1) * double(rate)));
    if (b <= a) return -200.0;
    double sum = 0;
    for (size_t i = a; i < b; ++i) sum += double(l[i]) * l[i] + double(r[i]) * r[i];
    double ms = sum / (2.0 * double(b - a));
    return ms > 0 ? 10.0 * std::log10(ms) : -200.0;
}

namespace {

// Fourth-order Butterworth high-pass (two biquads) over both channels, summed as energy.
std::vector<float> HighBandEnergy(const std::vector<float>& l, const std::vector<float>& r, long rate, size_t from,
                                  size_t to, double cutoff)
{
    struct Biquad {
        double b0, b1, b2, a1, a2, z1 = 0, z2 = 0;
        double Run(double x)
        {
            double y = b0 * x + z1;
            z1 = b1 * x - a1 * y + z2;
            z2 = b2 * x - a2 * y;
            return y;
        }
    };
    auto highPass = [&](double q) {
        double w = 6.283185307179586 * cutoff / double(rate), alpha = std::sin(w) / (2 * q), c = std::cos(w);
        double a0 = 1 + alpha;
        return Biquad{(1 + c) / 2 / a0, -(1 + c) / a0, (1 + c) / 2 / a0, -2 * c / a0, (1 - alpha) / a0};
    };
    std::vector<float> e(to - from, 0.0f);
    const size_t warmUp = std::min(from, size_t(rate / 20));  // lets the filters settle first
    for (const std::vector<float>* ch : {&l, &r}) {
        Biquad s1 = highPass(0.5411961), s2 = highPass(1.3065630);
        for (size_t i = from - warmUp; i < to; ++i) {
            double y = s2.Run(s1.Run((*ch)[i]));
            if (i >= from) e[i - from] += float(y * y);
        }
    }
    return e;
}

}  // namespace

double ClickRatio(const std::vector<float>& l, const std::vector<float>& r, long rate, double t)
{
    // Energy above 10 kHz in 2 ms frames: the loudest frame within 15 ms of t against the loudest
    // in the second before and after (a click is a broadband step; drums, noise and tones of the
    // music around the join set the reference).
    const long frame = rate / 500, guard = rate * 15 / 1000, span = rate;
    const long centre = long(t * double(rate));
    const size_t from = size_t(std::max(0L, centre - span - frame)), to = std::min(l.size(), size_t(centre + span + frame));
    if (to <= from) return 0.0;
    std::vector<float> e = HighBandEnergy(l, r, rate, from, to, 10000.0);
    auto frameEnergy = [&](long start) {
        double sum = 0;
        for (long i = start; i < start + frame; ++i)
            if (i >= long(from) && i < long(to)) sum += e[size_t(i) - from];
        return sum;
    };
    double join = 0, around = 0;
    for (long s = centre - span; s < centre + span; s += frame / 2) {
        bool near = s + frame > centre - guard && s < centre + guard;
        (near ? join : around) = std::max(near ? join : around, frameEnergy(s));
    }
    const double floor = 1e-8 * frame;  // -80 dBFS above 10 kHz: inaudible under any music
    return join / std::max(around, floor);
}
