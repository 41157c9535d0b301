// Fast, locale-free number formatting for the large text files (point cloud, meshes).
#pragma once
#include <string>

// Appends value rounded to `decimals` places, as "-0.12345"; "-0" never appears.
void AppendFixed(std::string& out, double value, int decimals);
void AppendInt(std::string& out, long long value);
