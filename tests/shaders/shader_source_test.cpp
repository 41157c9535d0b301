// The shader source preprocessor on real files: line rules, directives, nested
// includes, scrambled copies and the failure cases.
#include "platform/loading.h"
#include "shaders/shader.h"
#include "temp_folder.h"

#include <optional>

using Table = std::map<std::string, std::string>;
const std::string NotFound = Red + "\nERROR XXX or CPP FILE NOT FOUND !\n";

class ShaderSource : public TempFolderTest {
protected:
    std::string output;  // what the last Load printed
    std::optional<std::string> Load(const std::string& path, const Table& table = {})
    {
        std::optional<std::string> text;  // empty when the result was null
        output = Printed([&] { if (auto got = LoadShaderSource(table, path)) text = got.get(); });
        return text;
    }
};

TEST_F(ShaderSource, LineRulesAndDirectives)
{
    Write("x.cpp", "float x_value;\n");
    Write("a", "short\n");  // no ".cpp": read without a copy
    const std::string x = "Loading... x.cpp\n", xText = "float x_value;\n\n";
    const struct { std::string file, expanded, printed = {}; } cases[] = {  // printed: after t.cpp's line
        {"abc", "abc\n"}, {"", ""}, {"\n\n", "\n\n"}, {"first long line\r\nx\r\n", "first long line\nx\n"},
        {"\t  x;\t\n #include\n#include \n\t#replace", "\t  x;\t\n #include\n#include \n\t#replace\n"},  // up to nine: as is
        {"   #define", "#define\n"}, {"\t  x = 1;\t// long", "x = 1; // long\n"},  // from ten: tabs and leading spaces go
        {"\t#Include x.cpp", "#Include x.cpp\n"}, {"  #includes x.cpp", "#includes x.cpp\n"},  // case-sensitive, whole
        {"  #include ", "#include \n"},  // a trailing space gives no second token
        // Exact keys; the replacement goes in as it is; two spaces give an empty key.
        {"#replace KEY and more\n \t#replace KEY\n#replace key more\n#replace KEYS\n#replace   ",
         "float k = 2.0;\nfloat k = 2.0;\n \n \n \n"},
        {"\t \t #include x.cpp trailing tokens", xText, x}, {"#include \"x.cpp\"", xText, x}, {"#include x\".cpp\"", xText, x},
        {"#include a", "short\n\n", "Loading... a\n"},
        {"#include none.cpp", "\n", "Loading... none.cpp\n" + NotFound},  // a missing include expands to nothing
        {"#include  none.cpp", "\n", "Loading... \n" + NotFound}, {"#include none", "\n", "Loading... none\n" + NotFound},
    };
    for (const auto& c : cases) {
        Write("t.cpp", c.file);
        EXPECT_EQ(Load("t.cpp", {{"KEY", "float k = 2.0;"}, {"KE", "wrong"}}), c.expanded) << c.file;
        EXPECT_EQ(output, "Loading... t.cpp\n" + c.printed) << c.file;
    }
    EXPECT_FALSE(fs::exists("a.xxx"));
}

TEST_F(ShaderSource, NestedIncludesAndScrambledCopiesGiveByteIdenticalText)
{
    const Table table = {{"LIGHT", "uniform vec3 light;"}};
    Write("main.cpp", "#version 430\n\t#include inc.cpp\n#replace LIGHT\nvoid main() { }");
    Write("inc.cpp", "  uniform float _k0;\n#include \"sub\"/deeper.cpp\n");
    Write("sub/deeper.cpp", "uniform float _k1;\n");
    const std::string text = Load("main.cpp", table).value_or("null");
    EXPECT_EQ(text, "#version 430\nuniform float _k0;\nuniform float _k1;\n\n\nuniform vec3 light;\nvoid main() { }\n");
    EXPECT_EQ(output, "Loading... main.cpp\nLoading... inc.cpp\nLoading... sub/deeper.cpp\n");
    // The copy is the expanded text and its terminating zero, scrambled: the exact bytes for a known
    // text, worked out apart from the code: the C runtime's generator (state * 214013 + 2531011,
    // draws of bits 16 to 30) seeded with 7351, each byte XOR (draw mod 255).
    Write("known.cpp", "void main() {}");
    Load("known.cpp");
    EXPECT_EQ(ReadWholeFile("known.xxx"), std::string("\x3F\x5C\x9A\x93\x33\xC8\x17\x6F\xA8\x09\x6A\xCD\x62\xC7\xB5\xC4", 16));
    fs::remove("sub/deeper.cpp");  // the included copy serves
    EXPECT_EQ(Load("main.cpp", table), text);
    for (const char* name : {"main.cpp", "inc.cpp", "inc.xxx", "sub/deeper.xxx"}) fs::remove(name);
    EXPECT_EQ(Load("main.cpp", table), text);  // the top-level copy holds the included texts
    EXPECT_EQ(output, "Loading... main.cpp\n");
    fs::remove("main.xxx");  // neither: null, in red
    EXPECT_FALSE(Load("main.cpp", table));
    EXPECT_EQ(output, "Loading... main.cpp\n" + NotFound);
}

TEST_F(ShaderSource, FaultsGiveTextOrAMessage)
{
    // An include of a file being expanded is a cycle: reported, and it expands to nothing.
    Write("a.cpp", "#include b.cpp\nline of a.cpp\n");
    Write("b.cpp", "#include ./a.cpp\nline of b.cpp\n");
    EXPECT_EQ(Load("a.cpp"), "\nline of b.cpp\n\nline of a.cpp\n");
    EXPECT_EQ(output, "Loading... a.cpp\nLoading... b.cpp\n" + Red + "\nERROR INCLUDE CYCLE ! ./a.cpp\n");
    // The fuzzer's file including itself twice, which expanded 2^32 times before cycles were caught.
    Write("a.cpp", "cpp\n#include e.cpp\n#include a.cpp\n#re#inextpp\n#replaceI MSSI\nGNlast lie#include e.cpp\n"
                   "#include e.cpp\n#include a.cpp\n#re#inextpp\n#replaceI MSSI\nGNlast lie#i");
    EXPECT_EQ(Load("a.cpp"), "cpp\n\n\n#re#inextpp\n#replaceI MSSI\nGNlast lie#include e.cpp\n\n\n#re#inextpp\n"
                             "#replaceI MSSI\nGNlast lie#i\n");
    EXPECT_EQ(Occurrences(output, "ERROR INCLUDE CYCLE ! a.cpp"), 2u);
    // A chain of distinct files deeper than the limit stops there, with one message.
    for (int k = 0; k <= MaxIncludeDepth + 2; ++k)
        Write("c" + std::to_string(k) + ".cpp", "#include c" + std::to_string(k + 1) + ".cpp\nline of c\n");
    EXPECT_EQ(Occurrences(Load("c0.cpp").value_or(""), "line of c"), size_t(MaxIncludeDepth));
    EXPECT_EQ(Occurrences(output, "Loading... "), size_t(MaxIncludeDepth));
    EXPECT_EQ(Occurrences(output, Red + "\nERROR INCLUDE NESTED TOO DEEP"), 1u);
    // A read-only source (root reads past that), a copy that cannot be written, damaged copies.
    Write("w.cpp", "uniform float written;\n");
    fs::permissions("w.cpp", fs::perms::owner_read);
    fs::create_directory("w.xxx");  // the copy cannot be created where a folder stands
    Write("empty.xxx", "");
    std::string unterminated = "hello";  // scrambled without its zero byte
    ScrambleBytes(unterminated.data(), unterminated.size());
    Write("short.xxx", unterminated);
    const struct { const char *path, *text; } cases[] = {{"w.cpp", "uniform float written;\n"}, {"empty.cpp", ""},
                                                           {"short.cpp", "hello"}};
    for (const auto& c : cases) EXPECT_EQ(Load(c.path), c.text) << c.path;
    EXPECT_TRUE(fs::is_directory("w.xxx"));
}

TEST(LogLineNumber, ParsesBothDriverFormsAndNeverFails)
{
    const struct { const char* line; int number; } cases[] = {
        {"0(12) : error C0000: syntax error", 12}, {"0:7(3): error: undeclared identifier", 7}, {"0(1) : warning", 1},
        {"0(", 0}, {"0(abc) : error", 0}, {"0(99999999999999999999) : error", 0}, {"0(-3) : error", 0}, {"0(0) : error", 0},
        {"0(5", 0}, {"0(5 : error", 0}, {"0:5:3 error", 0}, {"1(5) : error", 0}, {"ERROR: 0:12: x", 0}, {"", 0}, {"0", 0}};
    for (const auto& c : cases) EXPECT_EQ(LogLineNumber(c.line), c.number) << c.line;
}

// Every line of an expanded text knows its file and line: through nested includes, the empty
// line after an included text, a "#replace" of several lines, a missing include, a copy.
TEST_F(ShaderSource, TheMapGivesEachExpandedLineItsFileAndLine)
{
    Write("main.cpp", "#version 430\n  #include lib/inc.cpp\n#replace TWO\n#include missing.cpp\nvoid main() { }\n");
    Write("lib/inc.cpp", "uniform float a;\n#include lib/deep.cpp\nuniform float b;\n");
    Write("lib/deep.cpp", "uniform float c;\n");
    TSourceMap map;
    std::string text;
    Printed([&] { text = LoadShaderSource({{"TWO", "float x;\nfloat y;"}}, "main.cpp", &map).get(); });
    EXPECT_EQ(map.files, (std::vector<std::string>{"main.cpp", "lib/inc.cpp", "lib/deep.cpp", "missing.cpp"}));
    const std::vector<std::pair<int, int>> expected = {
        {0, 1},                          // #version
        {1, 1}, {2, 1}, {1, 2}, {1, 3},  // a; c; the line after deep's text; b
        {0, 2},                          // the line after inc's text
        {0, 3}, {0, 3},                  // the replacement's two lines
        {0, 4},                          // the missing include: one empty line
        {0, 5}};
    ASSERT_EQ(map.lines.size(), size_t(std::count(text.begin(), text.end(), '\n'))) << text;
    std::vector<std::pair<int, int>> got;
    for (const TSourceMap::Origin& o : map.lines) got.emplace_back(o.file, o.line);
    EXPECT_EQ(got, expected) << text;

    fs::remove("main.cpp");  // the scrambled copy: its own lines
    TSourceMap copyMap;
    Printed([&] { LoadShaderSource({}, "main.cpp", &copyMap); });
    EXPECT_EQ(copyMap.files, (std::vector<std::string>{"main.cpp", "main.xxx"}));
    ASSERT_EQ(copyMap.lines.size(), expected.size());
    EXPECT_TRUE(copyMap.lines.back().file == 1 && copyMap.lines.back().line == int(expected.size()));

    // The drivers' log forms, mapped; lines without a place, or with one past the text, as they are.
    const struct { const char *log, *mapped; } cases[] = {
        {"0:5(12): error: syntax error, unexpected NEW_IDENTIFIER", "lib/inc.cpp:3: error: syntax error, unexpected NEW_IDENTIFIER"},
        {"0(3) : error C1008: undefined variable \"c\"", "lib/deep.cpp:1: error C1008: undefined variable \"c\""},
        {"ERROR: 0:8: 'y' : redefinition", "main.cpp:3: error: 'y' : redefinition"},
        {"ERROR: 0:1: '' : syntax error", "main.cpp:1: '' : syntax error"},
        {"0:11(1): error: past the end", "0:11(1): error: past the end"},
        {"error: linking with uncompiled shader", "error: linking with uncompiled shader"},
        {"0:0(1): error: line zero", "0:0(1): error: line zero"}, {"", ""}, {"0:", "0:"}};
    for (const auto& c : cases) EXPECT_EQ(MapLogLine(c.log, map), c.mapped) << c.log;
}
