#include "volume.h"

#include "file_out.h"
#include "progress.h"
#include "rng.h"

#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;

// Sine and cosine of every mode number 0..modes at each texel centre of an axis of length `extent`.
struct AxisTable {
    int modes, texels;
    std::vector<double> s, c;  // [texel * (modes + 1) + n]
    AxisTable(int modeCount, int texelCount, double extent) : modes(modeCount), texels(texelCount)
    {
        s.resize(size_t(texels) * (modes + 1));
        c.resize(s.size());
        for (int t = 0; t < texels; ++t) {
            double x = (t + 0.5) / texels * extent;
            for (int n = 0; n <= modes; ++n) {
                double k = n * kPi / extent;
                s[size_t(t) * (modes + 1) + n] = std::sin(k * x);
                c[size_t(t) * (modes + 1) + n] = std::cos(k * x);
            }
        }
    }
    const double* Sin(int t) const { return &s[size_t(t) * (modes + 1)]; }
    const double* Cos(int t) const { return &c[size_t(t) * (modes + 1)]; }
};

}  // namespace

VelocityVolume MakeVelocityVolume(int width, int height, int depth, uint64_t seed)
{
    // The box keeps the texel aspect (1 x 2 x 1 for 128 x 256 x 128); up to seven half waves
    // across its width (fourteen along its height), weighted towards the large swirls.
    const double ex = 1.0, ey = double(height) / width, ez = double(depth) / width;
    const int mx = 7, my = int(std::lround(7 * ey)), mz = int(std::lround(7 * ez));
    const int ny1 = my + 1, nz1 = mz + 1;
    auto idx = [&](int i, int j, int k) { return (size_t(i) * ny1 + j) * nz1 + k; };
    const size_t modeCount = size_t(mx + 1) * ny1 * nz1;

    // Potential A = (ax C S S, ay S C S, az S S C) per mode; its curl is
    //   vx = (az ky - ay kz) S C C,  vy = (ax kz - az kx) C S C,  vz = (ay kx - ax ky) C C S,
    // with S and C the sine and cosine of k times the coordinate along each axis.
    std::vector<double> bx(modeCount), by(modeCount), bz(modeCount);
    Rng rng(seed);
    const double k0 = 4.0 * kPi;
    for (int i = 0; i <= mx; ++i)
        for (int j = 0; j <= my; ++j)
            for (int k = 0; k <= mz; ++k) {
                double kx = i * kPi / ex, ky = j * kPi / ey, kz = k * kPi / ez;
                double kk = std::sqrt(kx * kx + ky * ky + kz * kz);
                double amp = kk > 0 ? std::exp(-(kk / k0) * (kk / k0)) / (kk * kk) : 0.0;
                double ax = amp * rng.Gauss(), ay = amp * rng.Gauss(), az = amp * rng.Gauss();
                bx[idx(i, j, k)] = az * ky - ay * kz;
                by[idx(i, j, k)] = ax * kz - az * kx;
                bz[idx(i, j, k)] = ay * kx - ax * ky;
            }

    AxisTable tx(mx, width, ex), ty(my, height, ey), tz(mz, depth, ez);
    VelocityVolume vol;
    vol.width = width;
    vol.height = height;
    vol.depth = depth;
    vol.data.resize(size_t(width) * height * depth * 3);

    // Separable sums: contract z, then y, then x, one slice at a time.
    std::vector<double> sliceX(size_t(mx + 1) * ny1), sliceY(sliceX.size()), sliceZ(sliceX.size());
    std::vector<double> rowX(mx + 1), rowY(mx + 1), rowZ(mx + 1);
    double sumSq = 0;
    for (int z = 0; z < depth; ++z) {
        const double *sz = tz.Sin(z), *cz = tz.Cos(z);
        for (int i = 0; i <= mx; ++i)
            for (int j = 0; j <= my; ++j) {
                double ax = 0, ay = 0, az = 0;
                for (int k = 0; k <= mz; ++k) {
                    ax += bx[idx(i, j, k)] * cz[k];
                    ay += by[idx(i, j, k)] * cz[k];
                    az += bz[idx(i, j, k)] * sz[k];
                }
                sliceX[size_t(i) * ny1 + j] = ax;
                sliceY[size_t(i) * ny1 + j] = ay;
                sliceZ[size_t(i) * ny1 + j] = az;
            }
        for (int y = 0; y < height; ++y) {
            const double *sy = ty.Sin(y), *cy = ty.Cos(y);
            for (int i = 0; i <= mx; ++i) {
                double ax = 0, ay = 0, az = 0;
                for (int j = 0; j <= my; ++j) {
                    ax += sliceX[size_t(i) * ny1 + j] * cy[j];
                    ay += sliceY[size_t(i) * ny1 + j] * sy[j];
                    az += sliceZ[size_t(i) * ny1 + j] * cy[j];
                }
                rowX[i] = ax;
                rowY[i] = ay;
                rowZ[i] = az;
            }
            float* out = &vol.data[(size_t(z) * height + y) * width * 3];
            for (int x = 0; x < width; ++x) {
                const double *sx = tx.Sin(x), *cx = tx.Cos(x);
                double vx = 0, vy = 0, vz = 0;
                for (int i = 0; i <= mx; ++i) {
                    vx += rowX[i] * sx[i];
                    vy += rowY[i] * cx[i];
                    vz += rowZ[i] * cx[i];
                }
                out[3 * x] = float(vx);
                out[3 * x + 1] = float(vy);
                out[3 * x + 2] = float(vz);
                sumSq += vx * vx + vy * vy + vz * vz;
            }
        }
    }
    double rms = std::sqrt(sumSq / (double(width) * height * depth));
    if (rms > 0)
        for (float& v : vol.data) v = float(v / rms);
    return vol;
}

bool WriteVelocityVolume(const std::filesystem::path& path)
{
    Progress progress("velocity.dat");
    VelocityVolume vol = MakeVelocityVolume(128, 256, 128, 0x5EEDF10Eull);
    progress.Update(0.6);
    std::vector<uint8_t> bytes;
    bytes.reserve(vol.data.size() * 4);
    for (float v : vol.data) AppendFloatLE(bytes, v);
    bool ok = WriteFileBytes(path, bytes.data(), bytes.size());
    progress.Done(std::to_string(bytes.size()) + " bytes");
    return ok;
}
