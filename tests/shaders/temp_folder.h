// Scratch files for tests: each test runs inside a fresh folder (shader and mesh paths are
// relative to the working directory), with colour cues on so that captured output shows them.
#pragma once
#include "platform/console.h"
#include "support/scratch.h"

#include <unistd.h>

#include <iostream>

namespace fs = std::filesystem;

// ANSI foreground codes the colour manipulators write.
inline const std::string Red = "\033[91m", Cyan = "\033[96m", Grey = "\033[37m", BrightWhiteCode = "\033[97m";

inline size_t Occurrences(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

class TempFolderTest : public ::testing::Test {
protected:
    const fs::path previous = fs::current_path();
    fs::path dir;
    void SetUp() override
    {
        dir = ScratchDir("temp_folder_" + std::to_string(getpid()));
        fs::current_path(dir);
        std::cout.iword(ConsoleColourSlot()) = 1;
    }
    void TearDown() override
    {
        std::cout.iword(ConsoleColourSlot()) = 0;
        fs::current_path(previous);
        fs::remove_all(dir);
    }
};
