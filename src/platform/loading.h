// The few file and memory calls the loaders of large files need beyond the standard library.
// Windows uses its own API; elsewhere POSIX.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

// The size of an open regular file in bytes, or -1 (a pipe, a folder, an error).
int64_t FileSize(std::FILE* file);

// Reads up to n bytes at offset without moving the stream's position (nor using its
// buffer: call it before the stream is read); returns how many were read.
size_t ReadFileAt(std::FILE* file, uint64_t offset, char* to, size_t n);

// Asks for the pages of freshly allocated memory to be made present now, in one call,
// rather than one fault at a time as they are first written: where faults are dear (in a
// virtual machine, say) that is most of what filling new arrays costs. Contents do not
// change; where the system cannot, nothing happens.
void PrefaultForWriting(void* begin, size_t bytes);

// The whole of a file's bytes; nothing when it cannot be opened or read (a folder, say).
std::optional<std::string> ReadWholeFile(const std::string& path);
// The rest of an open stream, as far as it reads; `ferror` tells whether it stopped early.
std::string ReadStream(std::FILE* file);
