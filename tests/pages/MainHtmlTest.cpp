#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "pages/MainHtml.h"

namespace {

namespace fs = std::filesystem;

// Paths cross into pages/ as UTF-8.
std::string utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

#ifdef _WIN32
fs::path fromUtf8(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}
#endif

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class MainHtml : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        for (int attempt = 0; attempt < 100 && dir_.empty(); ++attempt) {
            const fs::path dir =
                fs::temp_directory_path() / ("zantrel-mainhtml-" + std::to_string(random()));
            if (fs::create_directory(dir))
                dir_ = dir;
        }
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_))
            names.push_back(e.path().filename().string());
        return names;
    }

    fs::path dir_;
};

TEST_F(MainHtml, WritesExactlyTheBytesAndNothingElse) {
    EXPECT_STREQ(kMainHtmlName, "main.html"); // the one name of the player page
    std::string bytes = "<div>\xCF\xD0\xC8\r\n\x98\xFF</div>";
    bytes += std::string(100000, 'x'); // more than one write's worth is fine too
    writeMainHtml(dir_.string(), bytes);
    EXPECT_EQ(readFile(dir_ / kMainHtmlName), bytes);
    EXPECT_EQ(entries(), std::vector<std::string>{kMainHtmlName});
}

TEST_F(MainHtml, ReplacesALongerEarlierPage) {
    writeMainHtml(dir_.string(), std::string(5000, 'a'));
    writeMainHtml(dir_.string() + "/", "short");
    EXPECT_EQ(readFile(dir_ / kMainHtmlName), "short");
    writeMainHtml(dir_.string(), "");
    EXPECT_EQ(readFile(dir_ / kMainHtmlName), "");
    EXPECT_EQ(entries(), std::vector<std::string>{kMainHtmlName});
}

TEST_F(MainHtml, MissingDirectoryIsAFailureOfItsOwnKind) {
    const std::string missing = (dir_ / "gone").string();
    try {
        writeMainHtml(missing, "x");
        FAIL() << "no failure";
    } catch (const EMainHtmlWriteError& e) {
        EXPECT_NE(e.message().find(kMainHtmlName), std::string::npos) << e.message();
        const Exception& base = e;
        EXPECT_STREQ(base.className(), "EMainHtmlWriteError");
    }
    EXPECT_FALSE(fs::exists(missing));
}

// A folder named in a script the system's ANSI code page may not hold (on Windows: Cyrillic under
// code page 1252, as under Wine in English).
TEST_F(MainHtml, WritesIntoAFolderInAnyLanguage) {
    const fs::path folder = dir_ / u8"Иван";
    ASSERT_TRUE(fs::create_directory(folder));
    EXPECT_EQ(mainHtmlDirectory(utf8(folder), true), utf8(folder));
    writeMainHtml(utf8(folder), "<div>page</div>");
    EXPECT_EQ(readFile(folder / kMainHtmlName), "<div>page</div>");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    try {
        writeMainHtml(utf8(folder / u8"нет"), "x");
        FAIL() << "no failure";
    } catch (const EMainHtmlWriteError& e) {
        EXPECT_NE(e.message().find(utf8(folder / u8"нет")), std::string::npos) << e.message();
    }
}

#ifndef _WIN32
// A write that breaks off half way (here: the file size limit) leaves the earlier page
// whole and no unfinished file behind. Left out on Windows by name (tests/pages).
TEST_F(MainHtml, FailedWriteLeavesTheEarlierPage) {
    const std::string earlier = "<div>earlier page</div>";
    writeMainHtml(dir_.string(), earlier);

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool failed = false;
    try {
        writeMainHtml(dir_.string(), std::string(4096, 'n'));
    } catch (const EMainHtmlWriteError&) {
        failed = true;
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(failed);
    EXPECT_EQ(readFile(dir_ / kMainHtmlName), earlier);
    EXPECT_EQ(entries(), std::vector<std::string>{kMainHtmlName});
}
#endif

// Sets an environment variable (nullptr: unsets it) for the life of the object; values are UTF-8.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
#ifdef _WIN32
        if (const wchar_t* old = ::_wgetenv(fs::path(name).c_str()))
            old_ = utf8(fs::path(old));
#else
        if (const char* old = std::getenv(name))
            old_ = old;
#endif
        set(name, value);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv() {
        set(name_, old_ ? old_->c_str() : nullptr);
    }

private:
    static void set(const char* name, const char* value) {
#ifdef _WIN32
        // An empty value unsets it.
        ::_wputenv_s(fs::path(name).c_str(), value ? fromUtf8(value).c_str() : L"");
#else
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
#endif
    }
    const char* name_;
    std::optional<std::string> old_;
};

TEST_F(MainHtml, GoesNextToTheProgramWhenItsFolderCanBeWritten) {
    const ScopedEnv runtime("XDG_RUNTIME_DIR", dir_.string().c_str());
    EXPECT_EQ(mainHtmlDirectory(dir_.string(), true), dir_.string());
    EXPECT_TRUE(entries().empty()); // the trial leaves nothing behind
}

#ifdef _WIN32
// An installed copy: the page goes to the user's local application data folder, which may be
// named in any language.
TEST_F(MainHtml, GoesToTheLocalAppDataFolderWhenTheProgramsCannotBeWritten) {
    const std::string program = (dir_ / "missing").string(); // no file can be made there
    const std::string local = utf8(dir_ / u8"Иван" / "local");
    const std::string profile = utf8(dir_ / u8"Иван");
    const struct {
        const char* localAppData;
        std::string expected;
    } cases[] = {
        {local.c_str(), local + "\\zantrel"},
        {nullptr, profile + "\\AppData\\Local\\zantrel"},
        {"relative", profile + "\\AppData\\Local\\zantrel"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        const ScopedEnv localAppData("LOCALAPPDATA", c.localAppData);
        const ScopedEnv userProfile("USERPROFILE", profile.c_str());
        EXPECT_EQ(mainHtmlDirectory(program, false), c.expected);
        EXPECT_FALSE(fs::exists(fromUtf8(c.expected))); // only asked, nothing made

        const std::string folder = mainHtmlDirectory(program, true);
        ASSERT_EQ(folder, c.expected);
        ASSERT_TRUE(fs::is_directory(fromUtf8(folder)));
        writeMainHtml(folder, "<div>page</div>");
        EXPECT_EQ(readFile(fromUtf8(folder) / kMainHtmlName), "<div>page</div>");
        fs::remove_all(fromUtf8(folder));
    }
}
#else
// An installed copy: the page goes to the user's runtime folder, else the cache folder.
// Left out on Windows by name (tests/pages), which has its own folders.
TEST_F(MainHtml, GoesToTheUsersFolderWhenTheProgramsCannotBeWritten) {
    // Permission bits do not stop the superuser; no one makes a file in /proc.
    fs::path program = dir_ / "program";
    fs::create_directory(program);
    fs::permissions(program, fs::perms::owner_read | fs::perms::owner_exec);
    if (::access(program.c_str(), W_OK) == 0)
        program = "/proc";
    const std::string home = (dir_ / "home").string();
    const std::string run = (dir_ / "run").string();
    fs::create_directory(run);
    const std::string cache = (dir_ / "cache").string();
    const std::string gone = (dir_ / "gone").string();
    struct Case {
        const char* runtime;
        const char* cacheHome;
        const char* home;
        std::string expected;
    } cases[] = {
        {run.c_str(), cache.c_str(), home.c_str(), run + "/zantrel"},
        {nullptr, cache.c_str(), home.c_str(), cache + "/zantrel"},
        {gone.c_str(), nullptr, home.c_str(), home + "/.cache/zantrel"},
        // Relative paths are ignored.
        {"run", "cache", home.c_str(), home + "/.cache/zantrel"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        const ScopedEnv runtime("XDG_RUNTIME_DIR", c.runtime);
        const ScopedEnv cacheHome("XDG_CACHE_HOME", c.cacheHome);
        const ScopedEnv homeDir("HOME", c.home);
        EXPECT_EQ(mainHtmlDirectory(program.string(), false), c.expected);
        EXPECT_FALSE(fs::exists(c.expected)); // only asked, nothing made

        const std::string folder = mainHtmlDirectory(program.string(), true);
        ASSERT_EQ(folder, c.expected);
        struct stat st {};
        ASSERT_EQ(::stat(folder.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        writeMainHtml(folder, "<div>page</div>");
        EXPECT_EQ(readFile(fs::path(folder) / kMainHtmlName), "<div>page</div>");
        EXPECT_FALSE(fs::exists(program / kMainHtmlName));
        fs::remove_all(folder);
    }
    fs::permissions(dir_ / "program", fs::perms::owner_all);
}

// A folder planted by someone else (a link, or one that others may enter) is passed over;
// with none left, no page is written.
TEST_F(MainHtml, PassesOverAFolderThatIsALinkOrOpenToOthers) {
    fs::path program = dir_ / "program";
    fs::create_directory(program);
    fs::permissions(program, fs::perms::owner_read | fs::perms::owner_exec);
    if (::access(program.c_str(), W_OK) == 0)
        program = "/proc";
    const fs::path run = dir_ / "run", cache = dir_ / "cache", elsewhere = dir_ / "elsewhere";
    fs::create_directories(run);
    fs::create_directories(cache);
    fs::create_directory(elsewhere);
    fs::permissions(elsewhere, fs::perms::owner_all);
    const ScopedEnv runtime("XDG_RUNTIME_DIR", run.c_str());
    const ScopedEnv cacheHome("XDG_CACHE_HOME", cache.c_str());

    fs::create_directory_symlink(elsewhere, run / "zantrel");
    EXPECT_EQ(mainHtmlDirectory(program.string(), true), (cache / "zantrel").string());
    fs::remove_all(cache / "zantrel");
    fs::remove(run / "zantrel");
    fs::create_directory(run / "zantrel");
    fs::permissions(run / "zantrel", fs::perms::all);
    EXPECT_EQ(mainHtmlDirectory(program.string(), true), (cache / "zantrel").string());

    fs::permissions(cache / "zantrel", fs::perms::all);
    EXPECT_THROW(mainHtmlDirectory(program.string(), true), EMainHtmlWriteError);
    EXPECT_EQ(mainHtmlDirectory(program.string(), false), program.string());
    EXPECT_TRUE(fs::is_empty(elsewhere));
    fs::permissions(dir_ / "program", fs::perms::owner_all);
}
#endif

} // namespace
