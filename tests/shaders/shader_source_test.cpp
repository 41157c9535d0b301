// The shader source preprocessor on real files: line rules, directives, nested
// includes, scrambled copies and the failure cases.
#include "shaders/shader.h"
#include "temp_folder.h"

#include <sys/stat.h>

#include <optional>
#include <random>

namespace {

using Table = std::map<std::string, std::string>;

struct Loaded {
    std::optional<std::string> text;  // empty when the result was null
    std::string output;               // what the call printed
};

Loaded Load(const std::string& path, const Table& table = {})
{
    ::testing::internal::CaptureStdout();
    const std::unique_ptr<char[]> text = LoadShaderSource(table, path);
    Loaded result;
    result.output = ::testing::internal::GetCapturedStdout();
    if (text) result.text = std::string(text.get());
    return result;
}

const std::string NotFound = Red + "\nERROR XXX or CPP FILE NOT FOUND !\n";

using ShaderSource = TempFolderTest;

TEST_F(ShaderSource, LineRulesWithoutIncludes)
{
    const struct {
        const char* what;
        std::string file, expanded;
    } cases[] = {
        {"last line gains a newline", "abc", "abc\n"},
        {"empty file has no lines", "", ""},
        {"empty lines stay", "\n\n", "\n\n"},
        {"short lines are untouched", "\t  x;\t\n  #define", "\t  x;\t\n  #define\n"},
        {"ten characters are processed", "   #define", "#define\n"},
        {"tabs turn into spaces, leading spaces go", "\t  x = 1;\t// long", "x = 1; // long\n"},
        {"directive keyword alone", "#include\n#replace", "#include\n#replace\n"},
        {"nine characters: no directive", " #include\n#include \n\t#replace", " #include\n#include \n\t#replace\n"},
        {"letter case matters", "\t#Include x.cpp", "#Include x.cpp\n"},
        {"keyword must be whole", "  #includes x.cpp", "#includes x.cpp\n"},
        {"replace with an empty table", "#replace KEY", " \n"},
        {"replace after tabs, empty key", "\t\t#replace  ", " \n"},
        {"two spaces after the keyword: empty key", "#replace   ", " \n"},
        {"trailing space gives no token", "  #include ", "#include \n"},
        {"carriage returns of a text-mode file", "first long line\r\nx\r\n", "first long line\nx\n"},
    };
    for (const auto& c : cases) {
        Write("t.cpp", c.file);
        const Loaded got = Load("t.cpp");
        ASSERT_TRUE(got.text) << c.what;
        EXPECT_EQ(*got.text, c.expanded) << c.what;
        EXPECT_EQ(got.output, "Loading... t.cpp\n") << c.what;
    }
}

TEST_F(ShaderSource, ReplaceLooksUpTheSecondTokenExactly)
{
    const Table table = {{"KEY", "float k = 2.0;"}, {"KE", "wrong"}, {"key2", "vec2 q;"}};
    Write("r.cpp", "#replace KEY and more\n  \t#replace key2\n#replace key more\n#replace KEY2 x\n");
    const Loaded got = Load("r.cpp", table);
    ASSERT_TRUE(got.text);
    // The replacement is inserted as it is, not expanded again, and followed by a newline.
    EXPECT_EQ(*got.text, "float k = 2.0;\nvec2 q;\n \n \n");
}

TEST_F(ShaderSource, NestedIncludesPrintTheirOwnLoadingLines)
{
    Write("main.cpp", "void main() {}  // top\n\t \t #include inc.cpp trailing tokens\nend line here");
    Write("inc.cpp", "#include \"sub\"/leaf.cpp\nint inc_line_here;\n");
    Write("sub/leaf.cpp", "float leaf_value;\n");
    const Loaded got = Load("main.cpp");
    ASSERT_TRUE(got.text);
    EXPECT_EQ(*got.text, "void main() {}  // top\n"
                         "float leaf_value;\n\n"
                         "int inc_line_here;\n\n"
                         "end line here\n");
    EXPECT_EQ(got.output, "Loading... main.cpp\nLoading... inc.cpp\nLoading... sub/leaf.cpp\n");
    // Every file that was read keeps its own copy.
    EXPECT_TRUE(fs::exists("main.xxx"));
    EXPECT_TRUE(fs::exists("inc.xxx"));
    EXPECT_TRUE(fs::exists("sub/leaf.xxx"));
}

TEST_F(ShaderSource, IncludeTokenFormsAndTenCharacterBoundary)
{
    Write("x.cpp", "float x_value;\n");
    Write("a", "short\n");  // no ".cpp": read without a copy
    const struct {
        std::string line, loads, expanded;
    } cases[] = {
        {"#include \"x.cpp\"", "x.cpp", "float x_value;\n\n"},
        {"#include x\".cpp\"", "x.cpp", "float x_value;\n\n"},
        {"#include \"\"x.cpp", "x.cpp", "float x_value;\n\n"},
        {"#include " + (dir / "x.cpp").string(), (dir / "x.cpp").string(), "float x_value;\n\n"},
        {"#include a", "a", "short\n\n"},
    };
    for (const auto& c : cases) {
        Write("t.cpp", c.line + "\n");
        const Loaded got = Load("t.cpp");
        ASSERT_TRUE(got.text) << c.line;
        EXPECT_EQ(*got.text, c.expanded) << c.line;
        EXPECT_EQ(got.output, "Loading... t.cpp\nLoading... " + c.loads + "\n") << c.line;
    }
    EXPECT_FALSE(fs::exists("a.xxx"));
}

TEST_F(ShaderSource, MissingIncludesExpandToNothing)
{
    const struct {
        std::string line, loads;
    } cases[] = {
        {"#include none.cpp", "none.cpp"},
        {"#include  none.cpp", ""},  // two spaces: an empty file name
        {"#include none", "none"},
    };
    for (const auto& c : cases) {
        Write("t.cpp", "first line of t\n" + c.line + "\nlast line of t\n");
        const Loaded got = Load("t.cpp");
        ASSERT_TRUE(got.text) << c.line;
        EXPECT_EQ(*got.text, "first line of t\n\nlast line of t\n") << c.line;
        EXPECT_EQ(got.output, "Loading... t.cpp\nLoading... " + c.loads + "\n" + NotFound) << c.line;
    }
}

TEST_F(ShaderSource, IncludeCyclesStopWithAMessage)
{
    Write("a.cpp", "#include b.cpp\nline of a.cpp\n");
    Write("b.cpp", "#include a.cpp\nline of b.cpp\n");
    Write("self.cpp", "line of self\n#include self.cpp\n");
    for (const char* top : {"a.cpp", "self.cpp"}) {
        const Loaded got = Load(top);
        ASSERT_TRUE(got.text) << top;
        EXPECT_EQ(Occurrences(got.output, "Loading... "), size_t(MaxIncludeDepth) + 1) << top;
        EXPECT_EQ(Occurrences(got.output, Red + "\nERROR INCLUDE NESTED TOO DEEP"), 1u) << top;
    }
    const Loaded cycle = Load("a.cpp");
    // Each level contributes its own line, then the empty line where its directive stood.
    EXPECT_EQ(Occurrences(*cycle.text, "line of a.cpp\n"), size_t(MaxIncludeDepth) / 2 + 1);
    EXPECT_EQ(Occurrences(*cycle.text, "line of b.cpp\n"), size_t(MaxIncludeDepth) / 2);
}

TEST_F(ShaderSource, ScrambledCopiesGiveByteIdenticalText)
{
    const Table table = {{"LIGHT", "uniform vec3 light;"}};
    Write("main.cpp", "#version 430\n\t#include inc.cpp\n#replace LIGHT\nvoid main() { }\n");
    Write("inc.cpp", "  uniform float _k0;\n#include deeper.cpp\n");
    Write("deeper.cpp", "uniform float _k1;\n");
    const Loaded fromSources = Load("main.cpp", table);
    ASSERT_TRUE(fromSources.text);

    // The copy is the text and its terminating zero, scrambled.
    std::string copy = Read("main.xxx");
    ASSERT_EQ(copy.size(), fromSources.text->size() + 1);
    EXPECT_NE(copy.substr(0, copy.size() - 1), *fromSources.text);
    ScrambleBytes(copy.data(), copy.size());
    EXPECT_EQ(copy, *fromSources.text + '\0');

    // Without the included sources, the included copies serve.
    fs::remove("deeper.cpp");
    const Loaded includeCopies = Load("main.cpp", table);
    EXPECT_EQ(includeCopies.text, fromSources.text);

    // Only the top-level copy: it already holds the included texts.
    for (const char* name : {"main.cpp", "inc.cpp", "inc.xxx", "deeper.xxx"}) fs::remove(name);
    const Loaded fromCopy = Load("main.cpp", table);
    EXPECT_EQ(fromCopy.text, fromSources.text);
    EXPECT_EQ(fromCopy.output, "Loading... main.cpp\n");
}

TEST_F(ShaderSource, NeitherSourceNorCopyGivesNullInRed)
{
    const Loaded got = Load("gone.cpp");
    EXPECT_FALSE(got.text);
    EXPECT_EQ(got.output, "Loading... gone.cpp\n" + NotFound);
}

TEST_F(ShaderSource, UnwritableCopyStillGivesTheText)
{
    Write("w.cpp", "uniform float written;\n");
    fs::create_directory("w.xxx");  // the copy cannot be created where a folder stands
    const Loaded got = Load("w.cpp");
    ASSERT_TRUE(got.text);
    EXPECT_EQ(*got.text, "uniform float written;\n");
    EXPECT_TRUE(fs::is_directory("w.xxx"));
}

TEST_F(ShaderSource, DamagedCopiesStillGiveATerminatedText)
{
    Write("empty.xxx", "");
    std::string unterminated = "hello";  // scrambled without its zero byte
    ScrambleBytes(unterminated.data(), unterminated.size());
    Write("short.xxx", unterminated);
    const struct {
        const char* path;
        const char* text;
    } cases[] = {{"empty.cpp", ""}, {"short.cpp", "hello"}};
    for (const auto& c : cases) {
        const Loaded got = Load(c.path);
        ASSERT_TRUE(got.text) << c.path;
        EXPECT_EQ(*got.text, c.text) << c.path;
    }
}

TEST_F(ShaderSource, ReadOnlySourceIsPresent)
{
    if (geteuid() == 0) GTEST_SKIP() << "root opens read-only files for writing too";
    Write("ro.cpp", "uniform float readOnly;\n");
    fs::permissions("ro.cpp", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const Loaded got = Load("ro.cpp");
    ASSERT_TRUE(got.text);
    EXPECT_EQ(*got.text, "uniform float readOnly;\n");
}

TEST(ScrambleBytes, IsItsOwnInverseWithMasksBelow255)
{
    std::mt19937 random(12345);
    for (const size_t length : {size_t(0), size_t(1), size_t(254), size_t(255), size_t(256), size_t(5000)}) {
        std::string original(length, '\0');
        for (char& c : original) c = char(random());
        std::string bytes = original;
        ScrambleBytes(bytes.data(), bytes.size());
        if (length > 16) {
            EXPECT_NE(bytes, original);
        }
        ScrambleBytes(bytes.data(), bytes.size());
        EXPECT_EQ(bytes, original) << length;
    }
    // Scrambling zeros shows the mask itself: a value modulo 255, never 255.
    std::string mask(20000, '\0');
    ScrambleBytes(mask.data(), mask.size());
    for (const char m : mask) ASSERT_NE(static_cast<unsigned char>(m), 255);
}

TEST(LogLineNumber, ParsesBothDriverFormsAndNeverFails)
{
    const struct {
        const char* line;
        int number;
    } cases[] = {
        {"0(12) : error C0000: syntax error", 12},
        {"0:7(3): error: undeclared identifier", 7},
        {"0(1) : warning", 1},
        {"0(", 0},
        {"0(abc) : error", 0},
        {"0(99999999999999999999) : error", 0},
        {"0(-3) : error", 0},
        {"0(0) : error", 0},
        {"0(5", 0},
        {"0(5 : error", 0},
        {"0:5:3 error", 0},
        {"1(5) : error", 0},
        {"ERROR: 0:12: x", 0},
        {"", 0},
        {"0", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(LogLineNumber(c.line), c.number) << c.line;
}

}  // namespace
