// The shader source preprocessor on real files: line rules, directives, nested
// includes, scrambled copies and the failure cases.
#include "shaders/shader.h"
#include "temp_folder.h"

#include <iterator>
#include <optional>

namespace {

using Table = std::map<std::string, std::string>;
const std::string NotFound = Red + "\nERROR XXX or CPP FILE NOT FOUND !\n";

struct Loaded {
    std::optional<std::string> text;  // empty when the result was null
    std::string output;
};

Loaded Load(const std::string& path, const Table& table = {})
{
    Loaded got;
    got.output = Printed([&] { if (auto text = LoadShaderSource(table, path)) got.text = text.get(); });
    return got;
}

using ShaderSource = TempFolderTest;

TEST_F(ShaderSource, LineRulesAndDirectives)
{
    Write("x.cpp", "float x_value;\n");
    Write("a", "short\n");  // no ".cpp": read without a copy
    const std::string x = "Loading... x.cpp\n", xText = "float x_value;\n\n";
    const struct { std::string file, expanded, printed = {}; } cases[] = {  // printed: after t.cpp's line
        {"abc", "abc\n"}, {"", ""}, {"\n\n", "\n\n"},
        {"\t  x;\t\n  #define", "\t  x;\t\n  #define\n"},  // nine characters or fewer: untouched
        {"   #define", "#define\n"},                      // ten: tabs and leading spaces go
        {"\t  x = 1;\t// long", "x = 1; // long\n"},
        {" #include\n#include \n\t#replace", " #include\n#include \n\t#replace\n"},
        {"\t#Include x.cpp", "#Include x.cpp\n"}, {"  #includes x.cpp", "#includes x.cpp\n"},  // case-sensitive, whole
        {"  #include ", "#include \n"},  // a trailing space gives no second token
        {"first long line\r\nx\r\n", "first long line\nx\n"},
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
        const Loaded got = Load("t.cpp", {{"KEY", "float k = 2.0;"}, {"KE", "wrong"}});
        EXPECT_EQ(got.text, c.expanded) << c.file;
        EXPECT_EQ(got.output, "Loading... t.cpp\n" + c.printed) << c.file;
    }
    EXPECT_FALSE(fs::exists("a.xxx"));
}

TEST_F(ShaderSource, NestedIncludesAndScrambledCopiesGiveByteIdenticalText)
{
    const Table table = {{"LIGHT", "uniform vec3 light;"}};
    Write("main.cpp", "#version 430\n\t#include inc.cpp\n#replace LIGHT\nvoid main() { }");
    Write("inc.cpp", "  uniform float _k0;\n#include \"sub\"/deeper.cpp\n");
    Write("sub/deeper.cpp", "uniform float _k1;\n");
    const Loaded sources = Load("main.cpp", table);
    ASSERT_EQ(sources.text, "#version 430\nuniform float _k0;\nuniform float _k1;\n\n\nuniform vec3 light;\nvoid main() { }\n");
    EXPECT_EQ(sources.output, "Loading... main.cpp\nLoading... inc.cpp\nLoading... sub/deeper.cpp\n");
    EXPECT_TRUE(fs::exists("inc.xxx") && fs::exists("sub/deeper.xxx"));
    // The copy is the text and its terminating zero, scrambled with masks below 255.
    std::ifstream in("main.xxx", std::ios::binary);
    std::string copy{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}, masks(20000, '\0');
    ScrambleBytes(masks.data(), masks.size());
    for (const char m : masks) ASSERT_NE(static_cast<unsigned char>(m), 255);
    ASSERT_EQ(copy.size(), sources.text->size() + 1);
    EXPECT_NE(copy.substr(0, copy.size() - 1), *sources.text);
    ScrambleBytes(copy.data(), copy.size());
    EXPECT_EQ(copy, *sources.text + '\0');

    fs::remove("sub/deeper.cpp");  // the included copy serves
    EXPECT_EQ(Load("main.cpp", table).text, sources.text);
    for (const char* name : {"main.cpp", "inc.cpp", "inc.xxx", "sub/deeper.xxx"}) fs::remove(name);
    const Loaded copyOnly = Load("main.cpp", table);  // the top-level copy holds the included texts
    EXPECT_EQ(copyOnly.text, sources.text);
    EXPECT_EQ(copyOnly.output, "Loading... main.cpp\n");
    fs::remove("main.xxx");  // neither: null, in red
    EXPECT_FALSE(Load("main.cpp", table).text);
    EXPECT_EQ(Load("main.cpp", table).output, "Loading... main.cpp\n" + NotFound);
}

TEST_F(ShaderSource, IncludeCyclesStopWithAMessage)
{
    Write("a.cpp", "#include b.cpp\nline of a.cpp\n");
    Write("b.cpp", "#include a.cpp\nline of b.cpp\n");
    Write("self.cpp", "line of self\n#include self.cpp\n");
    for (const char* top : {"a.cpp", "self.cpp"}) {
        const Loaded got = Load(top);
        EXPECT_EQ(Occurrences(got.output, "Loading... "), size_t(MaxIncludeDepth) + 1) << top;
        EXPECT_EQ(Occurrences(got.output, Red + "\nERROR INCLUDE NESTED TOO DEEP"), 1u) << top;
        ASSERT_TRUE(got.text) << top;
        EXPECT_EQ(Occurrences(*got.text, "line of "), size_t(MaxIncludeDepth) + 1) << top;  // each level keeps its own line
    }
}

TEST_F(ShaderSource, ReadOnlySourcesAndUnwritableOrDamagedCopies)
{
    Write("w.cpp", "uniform float written;\n");
    fs::permissions("w.cpp", fs::perms::owner_read);  // present though read-only (root reads past it)
    fs::create_directory("w.xxx");                     // the copy cannot be created where a folder stands
    Write("empty.xxx", "");
    std::string unterminated = "hello";  // scrambled without its zero byte
    ScrambleBytes(unterminated.data(), unterminated.size());
    Write("short.xxx", unterminated);
    const struct { const char *path, *text; } cases[] = {{"w.cpp", "uniform float written;\n"}, {"empty.cpp", ""},
                                                           {"short.cpp", "hello"}};
    for (const auto& c : cases) EXPECT_EQ(Load(c.path).text, c.text) << c.path;
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

}  // namespace
