// Fast, locale-free number formatting for the large text files (point cloud, meshes).
#pragma once
#include <initializer_list>
#include <string>

// Appends value rounded to `decimals` places, as "-0.12345"; "-0" never appears.
void AppendFixed(std::string& out, double value, int decimals);
void AppendInt(std::string& out, long long value);

// Appends the values separated by single spaces ("x y z", "a b c").
void AppendFixedRow(std::string& out, std::initializer_list<double> values, int decimals);
void AppendIntRow(std::string& out, std::initializer_list<long long> values);
