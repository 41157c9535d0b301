// The command line: a command, its files and its options; every failure is one line on stderr.
#include "crtool.h"
#include "platform/loading.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace crtool {

bool Options::has(const std::string& name) const
{
    for (const auto& [n, v] : values)
        if (n == name)
            return true;
    return false;
}

std::string Options::get(const std::string& name, const std::string& fallback) const
{
    for (const auto& [n, v] : values)
        if (n == name)
            return v;
    return fallback;
}

double Options::number(const std::string& name, double fallback, double lo, double hi) const
{
    if (!has(name))
        return fallback;
    const std::string text = get(name, "");
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end || !(v >= lo && v <= hi))
        Fail(kUsage, "--" + name + " takes a number from " + std::to_string(lo) + " to " + std::to_string(hi) +
                         ", not \"" + text + "\"");
    return v;
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        Fail(kBadInput, path + ": is a folder");
    if (!std::filesystem::exists(path, ec))
        Fail(kBadInput, path + ": cannot open");
    const std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes)
        Fail(kBadInput, path + ": cannot read");
    return {bytes->begin(), bytes->end()};
}

void WriteBytes(const std::string& path, const void* data, size_t size)
{
    const std::string temporary = path + ".part";
    bool ok;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        ok = bool(out);
        if (ok) {
            out.write(static_cast<const char*>(data), std::streamsize(size));
            out.close();
            ok = !out.fail();
        }
    }
    std::error_code ec;
    if (ok)
        std::filesystem::rename(temporary, path, ec);
    if (!ok || ec) {
        std::filesystem::remove(temporary, ec);
        Fail(kBadInput, path + ": cannot write");
    }
}

} // namespace crtool

namespace {

const char* const kUsageText =
    "usage: crtool encode IN OUT.crt [--bits B | --step S] [--normals none|estimated|stored] [--normal-bits B]\n"
    "                                [--colors keep|drop] [--color-step S] [--uvs keep|drop] [--uv-step S]\n"
    "       crtool decode IN.crt OUT.obj|OUT.off|OUT.ply [--ascii]\n"
    "       crtool info IN.crt\n"
    "       crtool bench IN.crt [--runs N]\n"
    "IN is an OBJ, OFF or PLY (ASCII or binary) mesh. Positions default to 14 bits over the largest\n"
    "extent; normals are stored when the file has them; decoded floats are written exactly.\n";

struct Command {
    int (*run)(const crtool::Options&);
    size_t files;
    std::set<std::string> options; // names; the flags among them take no value
    std::set<std::string> flags;
};

} // namespace

int main(int argc, char** argv)
{
    using namespace crtool;
    const std::map<std::string, Command> commands = {
        {"encode", {Encode, 2, {"bits", "step", "normals", "normal-bits", "colors", "color-step", "uvs", "uv-step"}, {}}},
        {"decode", {Decode, 2, {"ascii"}, {"ascii"}}},
        {"info", {Info, 1, {}, {}}},
        {"bench", {Bench, 1, {"runs"}, {}}},
    };
    try {
        if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
            std::fputs(kUsageText, argc < 2 ? stderr : stdout);
            return argc < 2 ? kUsage : 0;
        }
        const auto it = commands.find(argv[1]);
        if (it == commands.end())
            Fail(kUsage, std::string("unknown command \"") + argv[1] + "\" (crtool --help lists them)");
        const Command& c = it->second;
        Options o;
        for (int i = 2; i < argc; ++i) {
            const std::string a = argv[i];
            if (a.rfind("--", 0) != 0 || a == "--") {
                o.files.push_back(a);
                continue;
            }
            const std::string name = a.substr(2);
            if (!c.options.count(name))
                Fail(kUsage, "unknown option " + a + " for " + it->first + " (crtool --help lists them)");
            if (c.flags.count(name)) {
                o.values.emplace_back(name, "");
            } else {
                if (i + 1 >= argc)
                    Fail(kUsage, "option " + a + " needs a value");
                o.values.emplace_back(name, argv[++i]);
            }
        }
        if (o.files.size() != c.files)
            Fail(kUsage, it->first + " takes " + std::to_string(c.files) + (c.files == 1 ? " file" : " files") +
                             " (crtool --help shows how)");
        return c.run(o);
    } catch (const Failure& f) {
        std::fprintf(stderr, "crtool: %s\n", f.message.c_str());
        return f.status;
    }
}
