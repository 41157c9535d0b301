// PNG stills through libpng. Every setting that changes the bytes is fixed here (compression
// level, filters, no time chunk), so the same image always gives the same file.
#include "capture.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

// libpng reports errors through longjmp; the message is kept for the caller.
void OnPngError(png_structp png, png_const_charp message)
{
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    *error = message;
    longjmp(png_jmpbuf(png), 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

bool Encode(FILE* file, const TImage& image, std::string& error)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
    if (!png) {
        error = "libpng could not start";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows(size_t(image.height));
    for (int y = 0; y < image.height; ++y)
        rows[size_t(y)] = const_cast<png_bytep>(image.rgb.data() + size_t(y) * image.width * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    // Level 3 is several times faster than the default for about a tenth more bytes.
    png_set_compression_level(png, 3);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool WritePng(const std::string& path, const TImage& image, std::string& error)
{
    // A still that is there is complete: it is written under another name, then renamed.
    const std::string partial = path + ".partial";
    GuardTemporary(partial);
    FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file) {
        error = path + ": " + std::strerror(errno);
        ReleaseTemporary(partial);
        return false;
    }
    std::string why;
    const bool encoded = Encode(file, image, why);
    const bool closed = std::fclose(file) == 0;
    std::error_code ec;
    if (!encoded || !closed) {
        error = path + ": " + (encoded ? std::string(std::strerror(errno)) : why);
        std::filesystem::remove(partial, ec);
        ReleaseTemporary(partial);
        return false;
    }
    std::filesystem::rename(partial, path, ec);
    ReleaseTemporary(partial);
    if (ec) {
        error = path + ": " + ec.message();
        std::filesystem::remove(partial, ec);
        return false;
    }
    return true;
}
