// The glyph table of the stroke font.
//
// Each glyph is written as text: hex vertex bytes ("x" high nibble, "y" low nibble, y up, 0..14 used),
// strokes separated by '/'. The text is turned into the byte string at compile time: every stroke gets
// its closing 0xFF and the glyph its extra 0xFF. A stroke is one triangle strip, so its vertices come in
// pairs across the pen: the first of each pair lies to the left of the direction the pen travels, which
// keeps every triangle of the strip facing the same way. A vertex repeated where a pen turns about a
// point makes one empty triangle and keeps the pairs in step.
//
// Design rules: pen about 2 units thick; letters sit on y = 0; capitals and digits reach y = 14,
// lower case x-height is 10; letters with descenders keep them inside the cell (bowl raised to 4..10).
// Round letters are octagons (outer corners cut by 3 or 4 units). The thin letters and marks that the
// drawers space more tightly (i l t f 1 . , :) stay within x = 3..11 so that they never touch their
// neighbours.
#include "app/font.h"

#include <array>
#include <cstddef>

namespace {

template <size_t N>
struct GlyphText {
    char text[N];
    consteval GlyphText(const char (&s)[N])
    {
        for (size_t i = 0; i < N; ++i) text[i] = s[i];
    }
};

constexpr int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    throw "glyph text: vertex bytes are two upper-case hex digits";
}

// Walks the text and either counts the encoded bytes (out == nullptr) or writes them.
template <size_t N>
constexpr size_t EncodeGlyph(const GlyphText<N>& g, unsigned char* out)
{
    size_t n = 0, inStroke = 0;
    auto put = [&](unsigned char b) {
        if (out) out[n] = b;
        ++n;
    };
    size_t i = 0;
    while (i + 1 < N) {  // the last char is the terminating zero
        char c = g.text[i];
        if (c == ' ') {
            ++i;
        } else if (c == '/') {
            if (inStroke == 0) throw "glyph text: empty stroke";
            put(0xFF);
            inStroke = 0;
            ++i;
        } else {
            if (i + 2 >= N) throw "glyph text: half a vertex byte";
            int v = HexValue(c) * 16 + HexValue(g.text[i + 1]);
            if (v == 0xFF) throw "glyph text: 0xFF cannot be a vertex";
            put(static_cast<unsigned char>(v));
            ++inStroke;
            i += 2;
        }
    }
    if (inStroke > 0) put(0xFF);
    else if (n > 0) throw "glyph text: trailing '/'";
    put(0xFF);
    return n;
}

template <GlyphText G>
consteval auto Encode()
{
    std::array<unsigned char, EncodeGlyph(G, nullptr)> bytes{};
    EncodeGlyph(G, bytes.data());
    return bytes;
}

template <GlyphText G>
constexpr auto kEncoded = Encode<G>();

// The byte string of a glyph written as text.
template <GlyphText G>
constexpr const unsigned char* Glyph = kEncoded<G>.data();

// Square outline for the control codes, 127 and bytes above.
constexpr const unsigned char* kBox = Glyph<"44 22 A4 C2 AA CC 4A 2C 44 22">;

}  // namespace

const unsigned char* const FontTable[128] = {
    kBox, kBox, kBox, kBox, kBox, kBox, kBox, kBox,  // 0..7
    kBox, kBox, kBox, kBox, kBox, kBox, kBox, kBox,  // 8..15
    kBox, kBox, kBox, kBox, kBox, kBox, kBox, kBox,  // 16..23
    kBox, kBox, kBox, kBox, kBox, kBox, kBox, kBox,  // 24..31

    Glyph<"">,                                                        // ' '
    Glyph<"65 85 6E 8E / 60 80 62 82">,                               // !
    Glyph<"39 59 3E 5E / 99 B9 9E BE">,                               // "
    Glyph<"31 51 3D 5D / 91 B1 9D BD / 06 04 E6 E4 / 0A 08 EA E8">,   // #
    Glyph<"EB ED 4B 3D 29 0A 29 08 38 26 C8 B6 E6 C5 E4 C5 B1 A3 01 03 / 60 80 6E 8E">,  // $
    Glyph<"2B 09 3B 59 3C 5E 2C 0E 2B 09 / B2 90 C2 E0 C3 E5 B3 95 B2 90 / 00 30 BE EE">,  // %
    Glyph<"49 37 89 97 9A B9 9B BC 8C 9E 4C 3E 3B 1C 3A 19 49 37 / 68 38 E0 B0"
          " / 29 09 24 03 42 30 82 90 D7 E5">,                  // &
    Glyph<"6A 8A 6E 8E">,                                             // '
    Glyph<"AC AE 8C 7E 6A 4B 64 43 82 70 A2 A0">,                     // (
    Glyph<"4E 4C 7E 6C AB 8A A3 84 70 62 40 42">,                     // )
    Glyph<"65 85 6D 8D / 27 35 BD CB / 3D 2B C7 B5">,                 // *
    Glyph<"62 82 6C 8C / 28 26 C8 C6">,                               // +
    Glyph<"84 64 82 62 60 40">,                                       // ,
    Glyph<"28 26 C8 C6">,                                             // -
    Glyph<"60 80 62 82">,                                             // .
    Glyph<"20 50 9E CE">,                                             // /

    Glyph<"62 50 82 90 B5 D4 B9 DA 8C 9E 6C 5E 39 1A 35 14 62 50">,   // 0
    Glyph<"3C 39 5E 6C 8E 6C 80 60">,                                 // 1
    Glyph<"08 28 0A 29 4E 5C AE 9C EA C9 E8 02 42 00 E2 E0">,         // 2
    Glyph<"1E 1C BE AC EB CA E9 CA B6 A8 46 48 / 88 86 B8 A6 E5 C4 E3 C4 B0 A2 10 12">,  // 3
    Glyph<"AB AE 36 06 36 04 E6 E4 / A0 C0 AE CE">,                   // 4
    Glyph<"EC EE 2C 0E 28 06 B8 A6 E5 C4 E3 C4 B0 A2 00 02">,         // 5
    Glyph<"DC DE 5C 4E 29 0A 24 03 42 30 A2 B0 C4 E3 C4 E5 A6 B8 26 28">,  // 6
    Glyph<"0E 0C EE BC EC 40 70">,                                    // 7
    Glyph<"58 46 98 A6 BA D9 BA DB 9C AE 5C 4E 3A 1B 3A 19 58 46"
          " / 42 30 A2 B0 C4 E3 C4 E5 A6 B8 46 38 24 05 24 03 42 30">,  // 8
    Glyph<"12 10 92 A0 C5 E4 CA EB AC BE 4C 3E 2A 0B 2A 09 48 36 C8 C6">,  // 9

    Glyph<"60 80 62 82 / 66 86 68 88">,                               // :
    Glyph<"67 87 69 89 / 84 64 82 62 60 40">,                         // ;
    Glyph<"82 B2 37 67 8C BC">,                                       // <
    Glyph<"26 24 C6 C4 / 2A 28 CA C8">,                               // =
    Glyph<"32 62 87 B7 3C 6C">,                                       // >
    Glyph<"0A 2A 3E 4C BE AC EB CA E9 CA B6 A8 86 68 84 64 / 60 80 62 82">,  // ?
    Glyph<"C4 E4 C9 EA 9C AE 5C 4E 29 0A 25 04 52 40 D2 D0 / 76 54 A6 C4 A8 CA 78 5A 76 54">,  // @

    Glyph<"00 20 08 27 6E 7C 8E 7C E8 C7 E0 C0 / 26 24 C6 C4">,       // A
    Glyph<"2C 0E 28 06 98 A6 BA D9 BA DB 9C AE 2C 0E"
          " / 26 08 22 00 A2 B0 C4 E3 C4 E5 A6 B8 26 08">,            // B
    Glyph<"EC EE 5C 4E 29 0A 25 04 52 40 E2 E0">,                     // C
    Glyph<"2C 0E 22 00 92 A0 C5 E4 C9 EA 9C AE 2C 0E">,               // D
    Glyph<"EC EE 2C 0E 22 00 E2 E0 / 28 26 B8 B6">,                   // E
    Glyph<"EC EE 2C 0E 20 00 / 28 26 B8 B6">,                         // F
    Glyph<"EC EE 5C 4E 29 0A 25 04 52 40 92 A0 C5 E4 C6 E8 86 88">,   // G
    Glyph<"2E 0E 28 07 26 00 20 / C0 E0 C6 E7 C8 EE CE / 28 26 C8 C6">,  // H
    Glyph<"3E 3C BE BC / 62 82 6C 8C / 32 30 B2 B0">,                 // I
    Glyph<"EE CE E4 C5 A0 92 40 52 04 25 06 26 / 6E 6C EE EC">,       // J
    Glyph<"00 20 0E 2E / EE BE 57 27 E0 B0">,                         // K
    Glyph<"2E 0E 22 00 E2 E0">,                                       // L
    Glyph<"00 20 0E 2E / C0 E0 CE EE / 5E 2E 7B 77 9E CE">,           // M
    Glyph<"00 20 0E 2E / C0 E0 CE EE / 2E 2B C3 C0">,                 // N
    Glyph<"52 40 92 A0 C5 E4 C9 EA 9C AE 5C 4E 29 0A 25 04 52 40">,   // O
    Glyph<"2E 0E 20 00 / 2E 2C BE AC EB CA E9 CA B6 A8 26 28">,       // P
    Glyph<"52 40 92 A0 C5 E4 C9 EA 9C AE 5C 4E 29 0A 25 04 52 40 / 96 66 E0 B0">,  // Q
    Glyph<"2E 0E 20 00 / 2E 2C BE AC EB CA E9 CA B6 A8 26 28 / 87 57 E0 B0">,  // R
    Glyph<"EC EE 4C 3E 2A 0B 29 08 38 26 C8 B6 E6 C5 E3 C4 B0 A2 00 02">,  // S
    Glyph<"0E 0C EE EC / 8C 6C 80 60">,                               // T
    Glyph<"2E 0E 25 04 52 40 92 A0 C5 E4 CE EE">,                     // U
    Glyph<"2E 0E 73 60 73 80 CE EE">,                                 // V
    Glyph<"00 20 0E 2E / C0 E0 CE EE / 20 50 77 73 C0 90">,           // W
    Glyph<"3E 0E E0 B0 / 00 30 BE EE">,                               // X
    Glyph<"3E 0E 79 66 79 86 BE EE / 60 80 67 87">,                   // Y
    Glyph<"0E 0C EE BC EC 02 32 00 E2 E0">,                           // Z

    Glyph<"AC AE 6C 4E 62 40 A2 A0">,                                 // [
    Glyph<"90 C0 2E 5E">,                                             // backslash
    Glyph<"4E 4C AE 8C A0 82 40 42">,                                 // ]
    Glyph<"27 57 7E 7B C7 97">,                                       // ^
    Glyph<"02 00 E2 E0">,                                             // _
    Glyph<"6E 3E 9A 6A">,                                             // `

    Glyph<"1A 18 BA A8 E7 C6 E0 C0 / C4 C6 34 26 23 04 23 02 32 20 C2 C0">,  // a
    Glyph<"00 20 0E 2E / 2A 28 BA A8 E7 C6 E3 C4 B0 A2 20 22">,       // b
    Glyph<"E8 EA 48 3A 26 07 24 03 42 30 E2 E0">,                     // c
    Glyph<"C0 E0 CE EE / C8 CA 48 3A 26 07 24 03 42 30 C2 C0">,       // d
    Glyph<"26 24 C6 E4 C6 E7 A8 BA 48 3A 26 07 24 03 42 30 D2 D0">,   // e
    Glyph<"50 70 5B 7A 8E 9C BE BC / 3A 38 AA A8">,                   // f
    Glyph<"C8 CA 38 2A 27 08 27 06 36 24 C6 C4 / EA CA E3 C4 B0 A2 10 12">,  // g
    Glyph<"00 20 0E 2E / 2A 28 BA A8 E7 C6 E0 C0">,                   // h
    Glyph<"60 80 6A 8A / 6C 8C 6E 8E">,                               // i
    Glyph<"AA 8A A3 84 70 62 20 22 / 8C AC 8E AE">,                   // j
    Glyph<"00 20 0E 2E / EA AA 65 25 E0 A0">,                         // k
    Glyph<"8E 6E 83 62 92 80 A2 A0">,                                 // l
    Glyph<"00 20 0A 2A / 2A 28 5A 48 87 66 80 60 / 8A 88 BA A8 E7 C6 E0 C0">,  // m
    Glyph<"00 20 0A 2A / 2A 28 BA A8 E7 C6 E0 C0">,                   // n
    Glyph<"42 30 A2 B0 C4 E3 C6 E7 A8 BA 48 3A 26 07 24 03 42 30">,   // o
    Glyph<"00 20 0A 2A / 2A 28 CA B8 E8 C7 E6 C7 C4 B6 24 26">,       // p
    Glyph<"C0 E0 CA EA / C8 CA 38 2A 27 08 27 06 36 24 C6 C4">,       // q
    Glyph<"00 20 0A 2A / 2A 28 BA A8 E7 C6 E5 C5">,                   // r
    Glyph<"E8 EA 38 2A 27 08 27 06 36 24 C6 B4 E4 C3 E2 C3 C0 B2 00 02">,  // s
    Glyph<"8C 6C 83 62 92 80 A2 A0 / 4A 48 AA A8">,                   // t
    Glyph<"2A 0A 24 03 42 30 C2 C0 / C0 E0 CA EA">,                   // u
    Glyph<"3A 0A 73 60 73 80 BA EA">,                                 // v
    Glyph<"00 20 0A 2A / C0 E0 CA EA / 20 50 76 73 C0 90">,           // w
    Glyph<"00 20 02 74 45 76 08 2A 0A / EA CA E8 76 A5 74 E2 C0 E0">, // x
    Glyph<"2A 0A 27 06 36 24 C6 C4 / EA CA E3 C4 B0 A2 10 12">,       // y
    Glyph<"0A 08 EA A8 E8 02 42 00 E2 E0">,                           // z

    Glyph<"BC BE 9C 8E 8B 6C 89 69 87 47 85 65 83 62 92 80 B2 B0">,   // {
    Glyph<"60 80 6E 8E">,                                             // |
    Glyph<"3E 3C 6E 5C 8C 6B 89 69 A7 67 85 65 82 63 60 52 30 32">,   // }
    Glyph<"08 05 4B 48 A7 A4 EA E7">,                                 // ~

    kBox,  // 127
};

const unsigned char* GlyphOf(unsigned char c)
{
    return c < 128 ? FontTable[c] : FontTable[0];
}
