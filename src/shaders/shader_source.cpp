// The shader source preprocessor: "#include" and "#replace" line directives, and the
// scrambled ".xxx" copy of every expanded text, written beside its source and read
// back when the source is missing.
#include "platform/console.h"
#include "platform/loading.h"
#include "shaders/shader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <vector>

namespace {

using Table = std::map<std::string, std::string>;

// The sources being expanded, outermost first, by canonical path: an include of one of them is
// a cycle. (Without this check a file that includes itself twice expands 2^depth times.)
using Chain = std::vector<std::string>;

std::unique_ptr<char[]> LoadSource(const Table& table, const std::string& path, Chain& chain, TSourceMap* map);

std::string CanonicalPath(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : canonical.string();
}

// Present means a regular file that opens for reading. (Asking for write access too
// would call a read-only source missing.)
bool IsReadableFile(const std::string& path)
{
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec))
        return false;
    std::ifstream in(path, std::ios::binary);
    return bool(in);
}

// The first two tokens of a line split at single spaces: two spaces in a row give an
// empty token, a trailing space gives none. Returns how many of the two exist.
int FirstTwoTokens(std::string_view line, std::string_view& first, std::string_view& second)
{
    const size_t space = line.find(' ');
    first = line.substr(0, space);
    if (space == std::string_view::npos || space + 1 >= line.size())
        return 1;
    const std::string_view rest = line.substr(space + 1);
    second = rest.substr(0, rest.find(' '));
    return 2;
}

std::string ExpandLine(const Table& table, std::string line, Chain& chain, TSourceMap* map)
{
    // Short lines are copied as they are, directives included.
    if (line.size() < 10)
        return line;
    std::replace(line.begin(), line.end(), '\t', ' ');
    line.erase(0, line.find_first_not_of(' '));

    std::string_view first, second;
    if (FirstTwoTokens(line, first, second) < 2)
        return line;
    if (first == "#include") {
        std::string name(second);
        name.erase(std::remove(name.begin(), name.end(), '"'), name.end());
        if (std::find(chain.begin(), chain.end(), CanonicalPath(name)) != chain.end()) {
            std::cout << BrightRed << "\nERROR INCLUDE CYCLE ! " << name << "\n";
            return {};
        }
        if (chain.size() >= size_t(MaxIncludeDepth)) {
            std::cout << BrightRed << "\nERROR INCLUDE NESTED TOO DEEP (" << MaxIncludeDepth
                      << " levels) ! " << name << "\n";
            return {};
        }
        // A missing include has printed its error and expands to nothing.
        const std::unique_ptr<char[]> text = LoadSource(table, name, chain, map);
        return text ? std::string(text.get()) : std::string();
    }
    if (first == "#replace") {
        const auto found = table.find(std::string(second));
        return found != table.end() ? found->second : std::string(" ");
    }
    return line;
}

// Every line, the last one too, ends in exactly one newline. A carriage return before
// the newline is dropped, as a text-mode read does on the platform the sources come from.
// Maps the lines a source line turned into that are not mapped yet (an include maps its own)
// to that source line.
void MapLines(TSourceMap* map, size_t mappedBefore, const std::string& produced, int file, int line)
{
    if (!map)
        return;
    const size_t lines = size_t(std::count(produced.begin(), produced.end(), '\n')) + 1;
    for (size_t i = map->lines.size() - mappedBefore; i < lines; ++i)
        map->lines.push_back({file, line});
}

std::string Expand(const Table& table, const std::string& path, Chain& chain, TSourceMap* map, int fileIndex)
{
    const std::optional<std::string> read = ReadWholeFile(path);
    if (!read) {
        std::cout << BrightRed << "\nERROR FILE NOT FOUND !\n";
        return {};
    }
    const std::string& file = *read;
    std::string out;
    out.reserve(file.size() + file.size() / 8);
    size_t pos = 0;
    for (int number = 1; pos < file.size(); ++number) {
        const size_t newline = file.find('\n', pos);
        const size_t end = newline == std::string::npos ? file.size() : newline;
        std::string line = file.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t mapped = map ? map->lines.size() : 0;
        const std::string expanded = ExpandLine(table, std::move(line), chain, map);
        MapLines(map, mapped, expanded, fileIndex, number);
        out += expanded;
        out += '\n';
    }
    return out;
}

// Text plus its terminating zero, scrambled. A copy that cannot be written is skipped;
// a partly written one is removed so that it is never read back.
void WriteScrambledCopy(const std::string& copyPath, const std::string& text)
{
    std::string bytes = text;
    bytes.push_back('\0');
    ScrambleBytes(bytes.data(), bytes.size());
    std::FILE* f = std::fopen(copyPath.c_str(), "wb");
    if (!f)
        return;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed)
        std::remove(copyPath.c_str());
}

// The copy's last byte is the writer's terminating zero; one more is added all the same,
// so a truncated or foreign file still gives a terminated text.
std::unique_ptr<char[]> ReadScrambledCopy(const std::string& copyPath)
{
    std::optional<std::string> read = ReadWholeFile(copyPath);
    if (!read)
        return nullptr;
    std::string& bytes = *read;
    ScrambleBytes(bytes.data(), bytes.size());
    auto result = std::make_unique<char[]>(bytes.size() + 1);
    std::memcpy(result.get(), bytes.data(), bytes.size());
    return result;
}

// The file's index in the map, added to its list of files.
int MapFile(TSourceMap* map, const std::string& path)
{
    if (!map)
        return 0;
    map->files.push_back(path);
    return int(map->files.size()) - 1;
}

std::unique_ptr<char[]> LoadSource(const Table& table, const std::string& path, Chain& chain, TSourceMap* map)
{
    std::cout << "Loading... " << path << "\n";
    const int fileIndex = MapFile(map, path);  // listed even when missing: its appearance matters too

    // Without ".cpp" no copy path can be formed: the source is read alone.
    std::string copyPath;
    if (const size_t at = path.find(".cpp"); at != std::string::npos)
        copyPath = std::string(path).replace(at, 4, ".xxx");

    if (IsReadableFile(path)) {
        chain.push_back(CanonicalPath(path));
        const std::string text = Expand(table, path, chain, map, fileIndex);
        chain.pop_back();
        auto result = std::make_unique<char[]>(text.size() + 1);  // zero-filled
        std::memcpy(result.get(), text.data(), text.size());
        if (!copyPath.empty())
            WriteScrambledCopy(copyPath, text);
        return result;
    }
    if (!copyPath.empty() && IsReadableFile(copyPath))
        if (auto result = ReadScrambledCopy(copyPath)) {
            // The copy holds expanded text: its lines are its own.
            const std::string_view text(result.get());
            const int copyIndex = MapFile(map, copyPath);
            for (int line = 1; map && line <= int(std::count(text.begin(), text.end(), '\n')); ++line)
                map->lines.push_back({copyIndex, line});
            return result;
        }

    std::cout << BrightRed << "\nERROR XXX or CPP FILE NOT FOUND !\n";
    return nullptr;
}

}  // namespace

std::unique_ptr<char[]> LoadShaderSource(const std::map<std::string, std::string>& replacements,
                                         std::string path, TSourceMap* map)
{
    Chain chain;
    return LoadSource(replacements, path, chain, map);
}
