#include "platform/names.h"

#include <cctype>
#include <filesystem>

std::string AsciiLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string NormalPath(const std::string& path)
{
    return std::filesystem::path(path).lexically_normal().generic_string();
}
