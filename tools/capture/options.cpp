// The command line: GNU-style options (--name VALUE, --name=VALUE, -o PATH, -oPATH), each
// value checked here so that a bad one is reported in one line before anything renders.
#include "capture.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

bool EndsWith(const std::string& s, const char* suffix)
{
    const size_t n = std::strlen(suffix);
    if (s.size() < n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - n + i])) != suffix[i])
            return false;
    return true;
}

bool ParseNumber(const std::string& text, double& value)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])))
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return *end == '\0' && std::isfinite(value);
}

bool ParseWhole(const std::string& text, int low, int high, int& value)
{
    double v = 0;
    if (!ParseNumber(text, v) || v != std::floor(v) || v < low || v > high)
        return false;
    value = int(v);
    return true;
}

// A scene time in [0, 201.5), rounded to the millisecond like the scene's time tables.
bool ParseSceneTime(const std::string& text, double& value)
{
    if (!ParseNumber(text, value) || value < 0.0 || value >= kSceneEnd)
        return false;
    value = std::round(value * 1000.0) / 1000.0;
    return value < kSceneEnd;
}

struct Parser {
    TCaptureOptions& o;
    std::string& error;
    bool sawAt = false, sawRange = false;

    bool Fail(std::string message)
    {
        error = std::move(message);
        return false;
    }
    bool Bad(const std::string& option, const std::string& value, const char* expected)
    {
        return Fail(option + ": '" + value + "' is not " + expected);
    }

    bool Size(const std::string& v)
    {
        const size_t x = v.find('x');
        if (x == std::string::npos || !ParseWhole(v.substr(0, x), 16, 8192, o.width) ||
            !ParseWhole(v.substr(x + 1), 16, 8192, o.height))
            return Bad("--size", v, "WxH with both sides from 16 to 8192 pixels (e.g. 1280x720)");
        return true;
    }

    bool At(const std::string& v)
    {
        o.at.clear();
        size_t start = 0;
        for (;;) {
            const size_t comma = v.find(',', start);
            const std::string item = v.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            double t = 0;
            if (!ParseSceneTime(item, t))
                return Bad("--at", item, "a scene time in seconds from 0 up to (not including) 201.5");
            o.at.push_back(t);
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
        std::sort(o.at.begin(), o.at.end());
        o.at.erase(std::unique(o.at.begin(), o.at.end()), o.at.end());
        sawAt = true;
        return true;
    }

    // One option with its value (or none for --help).
    bool Option(const std::string& name, const std::string& v)
    {
        double t = 0;
        if (name == "-o" || name == "--output") {
            if (v.empty())
                return Fail(name + ": the path is empty");
            o.output = v;
        } else if (name == "--sheet") {
            if (v.empty())
                return Fail("--sheet: the path is empty");
            o.sheet = v;
        } else if (name == "--run-dir") {
            o.runDir = v;
        } else if (name == "--at") {
            return At(v);
        } else if (name == "--from" || name == "--to") {
            if (!ParseNumber(v, t) || t < 0.0 || t > kSceneEnd)
                return Bad(name, v, "a scene time in seconds from 0 to 201.5");
            (name == "--from" ? o.from : o.to) = t;
            sawRange = true;
        } else if (name == "--fps") {
            if (!ParseWhole(v, 1, 240, o.fps))
                return Bad("--fps", v, "a whole number of frames per second from 1 to 240");
        } else if (name == "--size") {
            return Size(v);
        } else if (name == "--grid") {
            if (!ParseWhole(v, 1, kDemoParticleGrid, o.grid))
                return Bad("--grid", v, "a particle grid side from 1 to 3184");
        } else if (name == "--timing") {
            if (!ParseWhole(v, 1, 100000, o.timing))
                return Bad("--timing", v, "a number of frames from 1 to 100000");
        } else if (name == "--warmup") {
            if (!ParseNumber(v, o.warmup) || o.warmup < 0.0 || o.warmup > kSceneEnd)
                return Bad("--warmup", v, "a number of seconds from 0 to 201.5");
        }
        return true;
    }

    // What the options mean together.
    bool Finish()
    {
        const bool video = EndsWith(o.output, ".mp4") || EndsWith(o.output, ".mkv");
        if (o.timing > 0) {
            if (sawAt || !o.output.empty() || !o.sheet.empty())
                return Fail("--timing writes no files: it takes --from, not --at, -o or --sheet");
            o.kind = CaptureKind::Timing;
            return true;
        }
        if (sawAt && sawRange)
            return Fail("--at takes stills; --from and --to take a video or a sequence: give one or the other");
        if (!sawAt && !o.sheet.empty())
            return Fail("--sheet needs the stills of --at");
        if (sawAt && video)
            return Fail("--at writes PNG stills: -o must name a folder, not a video file");
        if (o.output.empty() && o.sheet.empty())
            return Fail("no output: give -o PATH (a folder, or a file ending in .mp4 or .mkv)");
        if (!(o.from < o.to))
            return Fail("--from must be earlier than --to");
        if (video && (o.width % 2 || o.height % 2))
            return Fail("--size: a video needs an even width and height");
        o.kind = sawAt ? CaptureKind::Stills : video ? CaptureKind::Video : CaptureKind::Sequence;
        return true;
    }
};

const char* const kWithValue[] = {"-o",     "--output", "--sheet", "--run-dir", "--at",    "--from",
                                  "--to",   "--fps",    "--size",  "--grid",    "--warmup", "--timing"};

bool TakesValue(const std::string& name)
{
    return std::any_of(std::begin(kWithValue), std::end(kWithValue), [&](const char* n) { return name == n; });
}

}  // namespace

bool ParseCaptureArgs(int argc, const char* const* argv, TCaptureOptions& options, std::string& error)
{
    options = TCaptureOptions{};
    Parser p{options, error};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            options.help = true;
            return true;
        }
        std::string name = arg, value;
        bool inlineValue = false;
        if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
            name = arg.substr(0, arg.find('='));
            value = arg.substr(arg.find('=') + 1);
            inlineValue = true;
        } else if (arg.size() > 2 && arg.rfind("-o", 0) == 0) {
            name = "-o";
            value = arg.substr(2);
            inlineValue = true;
        }
        if (arg.empty() || arg[0] != '-' || arg == "-")
            return p.Fail("unexpected argument '" + arg + "' (options only; see --help)");
        if (!TakesValue(name))
            return p.Fail("unknown option '" + name + "' (see --help)");
        if (!inlineValue) {
            if (i + 1 >= argc)
                return p.Fail("option '" + name + "' needs a value (see --help)");
            value = argv[++i];
        }
        if (!p.Option(name, value))
            return false;
    }
    return p.Finish();
}

std::string CaptureUsage()
{
    return "Usage: hollowmere-capture -o PATH [OPTION]...\n"
           "   or: hollowmere-capture --timing N [--from T] [--size WxH] [--grid N]\n"
           "Renders Hollowmere's frames on a fixed clock, off screen, into PNG stills, a numbered PNG\n"
           "sequence or a video with its soundtrack. Times are scene seconds (0 to 201.5), to the\n"
           "millisecond.\n"
           "\n"
           "  -o, --output PATH  a folder for PNG files, or a file ending in .mp4 or .mkv for a video\n"
           "                     (H.264 and AAC through ffmpeg, which must be on PATH)\n"
           "      --at T1,T2,... stills at these times, written as frame_0045.000.png\n"
           "      --sheet FILE   with --at: also one PNG of all the stills, each with its time under it\n"
           "                     (-o may then be left out)\n"
           "      --from T       first frame of a video or sequence (default 0)\n"
           "      --to T         end of a video or sequence, not included (default 201.5)\n"
           "      --fps N        frames per second of scene time (default 30); every frame advances\n"
           "                     the scene by exactly 1/N s\n"
           "      --size WxH     frame size in pixels (default 1280x720; even for a video)\n"
           "      --grid N       particle grid side, 1 to 3184 (default 3184, the demo's; small\n"
           "                     values make previews on a software renderer possible)\n"
           "      --warmup S     seconds of fully drawn frames before each still and before --from\n"
           "                     (default 1.0); before that the scene only steps its clock and\n"
           "                     particles, from scene time 0\n"
           "      --timing N     writes nothing: times N frames from --from stage by stage (GL timer\n"
           "                     queries and the wall clock) and prints the median milliseconds of\n"
           "                     the particle step, particle draw, titles, passes 2 to 4 and the\n"
           "                     read-back; the particles start at --from less the warm-up, with\n"
           "                     no run-up from 0\n"
           "      --run-dir DIR  the folder with shaders2/ and other/ (default: this build's run\n"
           "                     folder); output paths are taken from where the tool was started\n"
           "  -h, --help         this text\n"
           "\n"
           "A sequence is written as frame_000000.png, frame_000001.png, ... A video is written under a\n"
           "temporary name and renamed when complete. Bad options give one line and status 2.\n";
}
