// Names compared as the program compares them: text without regard to ASCII case (port and
// renderer names, file extensions, the compiler's words), and paths in one spelling.
#pragma once
#include <string>
#include <string_view>

std::string AsciiLower(std::string_view text);

// A path lexically normal with '/' separators: the file watch's names and the names a shader
// build read compare equal however either was written ("shaders2//x.cpp", "shaders2/x.cpp").
std::string NormalPath(const std::string& path);
