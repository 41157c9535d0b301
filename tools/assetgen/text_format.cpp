#include "text_format.h"

#include <cmath>

void AppendInt(std::string& out, long long value)
{
    char buf[24];
    int n = 0;
    unsigned long long v = value < 0 ? 0ull - (unsigned long long)value : (unsigned long long)value;
    do {
        buf[n++] = char('0' + v % 10);
        v /= 10;
    } while (v);
    if (value < 0) out.push_back('-');
    while (n) out.push_back(buf[--n]);
}

void AppendFixed(std::string& out, double value, int decimals)
{
    static const double powers[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
    if (decimals < 0) decimals = 0;
    if (decimals > 8) decimals = 8;
    long long scaled = std::llround(value * powers[decimals]);
    if (scaled < 0) out.push_back('-');
    unsigned long long mag = scaled < 0 ? 0ull - (unsigned long long)scaled : (unsigned long long)scaled;
    unsigned long long unit = (unsigned long long)powers[decimals];
    AppendInt(out, (long long)(mag / unit));
    if (decimals == 0) return;
    out.push_back('.');
    unsigned long long frac = mag % unit;
    char digits[8];
    for (int i = decimals - 1; i >= 0; --i) {
        digits[i] = char('0' + frac % 10);
        frac /= 10;
    }
    out.append(digits, size_t(decimals));
}

void AppendFixedRow(std::string& out, std::initializer_list<double> values, int decimals)
{
    for (const double* v = values.begin(); v != values.end(); ++v) {
        if (v != values.begin()) out.push_back(' ');
        AppendFixed(out, *v, decimals);
    }
}

void AppendIntRow(std::string& out, std::initializer_list<long long> values)
{
    for (const long long* v = values.begin(); v != values.end(); ++v) {
        if (v != values.begin()) out.push_back(' ');
        AppendInt(out, *v);
    }
}
