#include "platform/linux/LinuxAutostart.h"

#include "LinuxTempDir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <optional>

namespace qv::platform {
namespace {

namespace fs = std::filesystem;

class Env final : public ProcessEnvironment {
public:
    std::map<std::string, std::string> vars;
    std::string exe = "/usr/local/bin/quorvex";
    std::string executablePath() const override { return exe; }
    std::optional<std::string> variable(const std::string& name) const override {
        const auto it = vars.find(name);
        return it == vars.end() ? std::nullopt : std::optional(it->second);
    }
};

class LinuxAutostartTest : public LinuxTempDir {
protected:
    /// Names in `d` other than the entry: temporary files that should have gone.
    static std::vector<std::string> strays(const fs::path& d) {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(d))
            if (e.path().filename() != LinuxAutostart::kEntryName)
                names.push_back(e.path().filename().string());
        return names;
    }
};

TEST_F(LinuxAutostartTest, EnableWritesTheWholeEntryReplacingAnOldOneAndDisableRemovesIt) {
    Env env;
    env.vars = {{"XDG_CONFIG_HOME", (dir / "config").string()}, {"HOME", (dir / "home").string()}};
    env.exe = "/opt/quorvex/quorvex";
    LinuxAutostart autostart(env);
    EXPECT_EQ(autostart.directory(), (dir / "config/autostart").string());
    EXPECT_TRUE(autostart.disable()) << "no entry yet: nothing left to remove";

    ASSERT_TRUE(autostart.enable()) << "the directories are made";
    EXPECT_EQ(read("config/autostart/Quorvex.desktop"), "[Desktop Entry]\n"
                                                        "Type=Application\n"
                                                        "Name=Quorvex\n"
                                                        "Exec=/opt/quorvex/quorvex\n"
                                                        "X-GNOME-Autostart-enabled=true\n");
    struct stat st {};
    ASSERT_EQ(::stat((dir / "config/autostart/Quorvex.desktop").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_EQ(strays(dir / "config/autostart"), std::vector<std::string>{});

    write("config/autostart/Quorvex.desktop", "[Desktop Entry]\nHidden=true\nExec=/old/path --with --more --lines\n");
    ASSERT_TRUE(autostart.enable());
    EXPECT_EQ(read("config/autostart/Quorvex.desktop"), LinuxAutostart::entryText("/opt/quorvex/quorvex"));

    write("config/autostart/other.desktop", "[Desktop Entry]\n");
    EXPECT_TRUE(autostart.disable());
    EXPECT_FALSE(fs::exists(dir / "config/autostart/Quorvex.desktop"));
    EXPECT_TRUE(fs::exists(dir / "config/autostart/other.desktop")) << "only our own entry goes";
    EXPECT_TRUE(autostart.disable());
}

TEST_F(LinuxAutostartTest, TheDirectoryFollowsTheBaseDirectoryRules) {
    Env env;
    env.vars = {{"HOME", "/home/jana"}};
    EXPECT_EQ(LinuxAutostart(env).directory(), "/home/jana/.config/autostart");
    env.vars["XDG_CONFIG_HOME"] = "relative/config"; // not absolute: ignored
    EXPECT_EQ(LinuxAutostart(env).directory(), "/home/jana/.config/autostart");
    env.vars["XDG_CONFIG_HOME"] = "/srv/cfg";
    EXPECT_EQ(LinuxAutostart(env).directory(), "/srv/cfg/autostart");

    env.vars.clear(); // nowhere to write: nothing is written anywhere
    EXPECT_FALSE(LinuxAutostart(env).enable());
    EXPECT_FALSE(LinuxAutostart((dir / "a").string(), "relative/quorvex").enable());
    EXPECT_FALSE(LinuxAutostart((dir / "a").string(), "").enable());
    EXPECT_FALSE(fs::exists(dir / "a"));
}

TEST_F(LinuxAutostartTest, AnEntryThatCannotBeWrittenFailsAndLeavesNothingBehind) {
    // A regular file where a directory should be (root ignores permissions, not this).
    write("file", "x");
    LinuxAutostart underFile((dir / "file/autostart").string(), "/usr/bin/quorvex");
    EXPECT_FALSE(underFile.enable());
    EXPECT_TRUE(underFile.disable()) << "no entry can exist there";
    EXPECT_EQ(read("file"), "x");

    // A directory in the entry's place: the rename cannot replace it, and the temporary file goes.
    fs::create_directories(dir / "auto/Quorvex.desktop");
    LinuxAutostart blocked((dir / "auto").string(), "/usr/bin/quorvex");
    EXPECT_FALSE(blocked.enable());
    EXPECT_FALSE(blocked.disable()) << "something of the entry's name is still there";
    EXPECT_TRUE(fs::is_directory(dir / "auto/Quorvex.desktop"));
    EXPECT_EQ(strays(dir / "auto"), std::vector<std::string>{});

    if (::geteuid() != 0) {
        fs::create_directories(dir / "ro");
        fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(LinuxAutostart((dir / "ro").string(), "/usr/bin/quorvex").enable());
        EXPECT_EQ(strays(dir / "ro"), std::vector<std::string>{});
    }
}

TEST(LinuxAutostartExec, ThePathIsQuotedAndEscapedAsTheDesktopEntryRulesWant) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/usr/bin/quorvex", "/usr/bin/quorvex"},
        {"/opt/Moje aplikace/quorvex", "\"/opt/Moje aplikace/quorvex\""},
        {"/opt/a$b`c\"d/q", "\"/opt/a\\\\$b\\\\`c\\\\\"d/q\""},
        // A backslash: escaped by the quoting rule, then both by the string rule.
        {"/opt/a\\b/q", "\"/opt/a\\\\\\\\b/q\""},
        {"/opt/100%/q", "/opt/100%%/q"},
        {"/opt/x;y (2)/q", "\"/opt/x;y (2)/q\""},
        {"/opt/tab\there/q", "\"/opt/tab\\there/q\""},
        {"/opt/řídicí/q=1", "/opt/řídicí/q=1"},
    };
    for (const auto& [path, value] : cases)
        EXPECT_EQ(LinuxAutostart::execValue(path), value) << path;
}

} // namespace
} // namespace qv::platform
