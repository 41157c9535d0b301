// libFuzzer target: the shader preprocessor over a folder of sources made from the input. The
// input is cut at zero bytes into up to four files, "a.cpp", "b.cpp", "c.cpp" and "d.cpp", which
// may include one another (cycles included) or files that do not exist, and "#replace" keys of a
// small table. "a.cpp" is loaded with its sources, then again from its scrambled copy alone:
// both give the same text, whose long lines carry no tabs, leading spaces or live directives,
// and whose every line the source map places in a file that was read.
#include "fuzz/fuzz_scratch.h"
#include "shaders/shader.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

namespace fs = std::filesystem;

namespace {

// The input size is capped: nested includes multiply, so a few hundred bytes of include lines
// already expand to thousands of file loads.
constexpr size_t MaxInput = 512;

// Paths stay inside the fuzzer's folder: a loaded source gets its scrambled copy written beside
// it, so an include reaching an existing ".cpp" elsewhere would write there.
bool LeavesFolder(std::string_view input) { return input.find_first_of("/\\") != std::string_view::npos; }

// A line of the result that is 10 characters or longer went through the conversion, or came from
// the table or an included result (made the same way).
void CheckLines(std::string_view text)
{
    Check(text.empty() || text.back() == '\n');
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (line.size() < 10)
            continue;
        Check(line.find('\t') == std::string_view::npos && line.front() != ' ');
        const size_t space = line.find(' ');
        const bool twoTokens = space != std::string_view::npos && space + 1 < line.size();
        Check(!twoTokens || (line.substr(0, space) != "#include" && line.substr(0, space) != "#replace"));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (size > MaxInput || LeavesFolder(input))
        return 0;
    static const std::map<std::string, std::string> table = {
        {"K", "const float k = 1.0;"}, {"EMPTY", ""}, {"LINES", "first line of two\nsecond line"}};
    const fs::path previous = fs::current_path();
    const fs::path& dir = ScratchFolder("shader_source_fuzz");
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::current_path(dir);

    const char* const names[] = {"a.cpp", "b.cpp", "c.cpp", "d.cpp"};
    size_t from = 0;
    for (const char* name : names) {
        if (from > input.size())
            break;
        const size_t cut = std::min(input.find('\0', from), input.size());
        std::ofstream(name, std::ios::binary) << input.substr(from, cut - from);
        from = cut + 1;
    }

    std::streambuf* const out = std::cout.rdbuf(nullptr);  // "Loading... " and error lines
    TSourceMap map;
    const std::unique_ptr<char[]> expanded = LoadShaderSource(table, "a.cpp", &map);
    for (const char* name : names)
        fs::remove(name);
    const std::unique_ptr<char[]> fromCopy = LoadShaderSource(table, "a.cpp");
    std::cout.rdbuf(out);
    std::cout.clear();
    fs::current_path(previous);

    Check(expanded && fromCopy && std::strcmp(expanded.get(), fromCopy.get()) == 0);
    CheckLines(expanded.get());
    // Every line of the text has a place: a file that was read, and a line of it.
    const std::string_view text = expanded.get();
    Check(map.lines.size() == size_t(std::count(text.begin(), text.end(), '\n')));
    for (const TSourceMap::Origin& o : map.lines)
        Check(o.file >= 0 && size_t(o.file) < map.files.size() && o.line >= 1);
    return 0;
}
