// Saved files in watched folders: written in place, saved through a temporary file and a
// rename, several writes in a row, files elsewhere. The settling runs on a clock the test
// gives, so no case waits on time; the system's events arrive as soon as the writes return.
#include "platform/file_watch.h"
#include "platform/test_support.h"

#include <algorithm>
#include <filesystem>

constexpr int64_t kMs = 10000;

TEST(FileWatch, EachSaveInAWatchedFolderIsReportedOnceItSettles)
{
    const std::string dir = ScratchDir("file_watch_test");
    for (const char* sub : {"shaders", "other", "elsewhere"}) std::filesystem::create_directories(dir + "/" + sub);
    TFileWatch watch;
    EXPECT_FALSE(WatchFolder(watch, dir + "/missing"));
    ASSERT_TRUE(WatchFolder(watch, dir + "/shaders") && WatchFolder(watch, dir + "/other"));
    EXPECT_TRUE(SavedFiles(watch, 0).empty());

    int64_t t = 1000 * kMs;
    Write(dir + "/shaders/a.cpp", "one");  // three saves in a row: one report
    Write(dir + "/shaders/a.cpp", "two");
    Write(dir + "/shaders/a.cpp", "three");
    Write(dir + "/elsewhere/c.cpp", "not watched");
    EXPECT_TRUE(SavedFiles(watch, t).empty()) << "not settled yet";
    Write(dir + "/other/track.txt.tmp", "0 1 2 3 4 5 6\n");  // saved through a temporary file
    std::filesystem::rename(dir + "/other/track.txt.tmp", dir + "/other/track.txt");
    EXPECT_TRUE(SavedFiles(watch, t + 60 * kMs).empty());
    EXPECT_EQ(SavedFiles(watch, t + 100 * kMs), std::vector<std::string>{dir + "/shaders/a.cpp"});
    std::vector<std::string> later = SavedFiles(watch, t + 160 * kMs);
    std::sort(later.begin(), later.end());
    EXPECT_EQ(later, (std::vector<std::string>{dir + "/other/track.txt", dir + "/other/track.txt.tmp"}));
    EXPECT_TRUE(SavedFiles(watch, t + 1000 * kMs).empty()) << "each save once";

    // Reading a file is no save; a closed watch reports nothing, and watches again when asked.
    { std::ifstream(dir + "/shaders/a.cpp").get(); }
    EXPECT_TRUE(SavedFiles(watch, t + 2000 * kMs).empty());
    CloseFileWatch(watch);
    Write(dir + "/shaders/a.cpp", "four");
    EXPECT_TRUE(SavedFiles(watch, t + 3000 * kMs).empty());
    ASSERT_TRUE(WatchFolder(watch, dir + "/shaders"));
    Write(dir + "/shaders/b.cpp", "five");
    SavedFiles(watch, t + 4000 * kMs);
    EXPECT_EQ(SavedFiles(watch, t + 4100 * kMs), std::vector<std::string>{dir + "/shaders/b.cpp"});
}
