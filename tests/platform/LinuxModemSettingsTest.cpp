#include "platform/linux/LinuxDesktopShell.h"

#include "LinuxTempDir.h"

#include <chrono>
#include <cstdlib>
#include <thread>

namespace qv::platform {
namespace {

/// PATH set for one test, put back afterwards (each test runs in a process of its own).
class LinuxModemSettingsTest : public LinuxTempDir {
protected:
    void SetUp() override {
        LinuxTempDir::SetUp();
        if (const char* p = std::getenv("PATH"))
            saved_ = p;
    }
    void TearDown() override {
        ::setenv("PATH", saved_.c_str(), 1);
        LinuxTempDir::TearDown();
    }
    void usePath(const std::string& path) { ::setenv("PATH", path.c_str(), 1); }
    /// An editor stand-in that writes its name and arguments to DIR/started.
    std::string editor(const std::string& rel) {
        return script(rel, "echo \"${0##*/} $*\" >> \"" + (dir / "started").string() + "\"\n");
    }
    /// What was started, once something was (for up to 5 s).
    std::string started() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (read("started").empty() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return read("started");
    }

private:
    std::string saved_;
};

TEST_F(LinuxModemSettingsTest, TheFirstInstalledEditorOnThePathStarts) {
    editor("b/modem-manager-gui");
    editor("c/kcmshell5");
    write("a/nm-connection-editor", "not executable, not installed");
    usePath("relative:" + (dir / "a").string() + ":" + (dir / "b").string() + ":" + (dir / "c").string());
    LinuxDesktopShell shell;
    ASSERT_TRUE(shell.openModemSettings());
    EXPECT_EQ(started(), "modem-manager-gui \n");
}

TEST_F(LinuxModemSettingsTest, NetworkManagersEditorComesFirstAndADesktopsPanelGetsItsArgument) {
    editor("c/kcmshell5");
    usePath((dir / "c").string());
    ASSERT_TRUE(LinuxDesktopShell().openModemSettings());
    EXPECT_EQ(started(), "kcmshell5 kcm_networkmanagement\n");

    std::filesystem::remove(dir / "started");
    editor("a/nm-connection-editor");
    usePath((dir / "c").string() + ":" + (dir / "a").string());
    ASSERT_TRUE(LinuxDesktopShell().openModemSettings());
    EXPECT_EQ(started(), "nm-connection-editor \n");
}

TEST_F(LinuxModemSettingsTest, NoEditorInstalledIsFalse) {
    std::filesystem::create_directories(dir / "empty");
    // An editor's name in a relative PATH entry does not count: it depends on the working directory.
    editor("nm-connection-editor");
    usePath((dir / "empty").string() + ":.:");
    ASSERT_EQ(::chdir(dir.c_str()), 0);
    EXPECT_FALSE(LinuxDesktopShell().openModemSettings());
    ::unsetenv("PATH");
    EXPECT_FALSE(LinuxDesktopShell().openModemSettings());
}

} // namespace
} // namespace qv::platform
