#include "platform/linux/LinuxDesktopShell.h"

#include "LinuxTempDir.h"

#include <chrono>
#include <cstdlib>
#include <thread>

namespace qv::platform {
namespace {

/// PATH put back afterwards (each test runs in a process of its own).
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

private:
    std::string saved_;
};

// The editors are tried in their order of preference (NetworkManager's first), each at the first place of PATH
// where it is installed; a desktop's panel gets its argument. A file that is not executable is not installed, and an
// editor found only through a relative PATH entry does not count: it depends on the working directory.
TEST_F(LinuxModemSettingsTest, ThePreferredInstalledEditorOnThePathStarts) {
    const struct {
        std::vector<std::string> editors; ///< installed, relative to the case's directory
        const char* path;                 ///< "@" stands for the case's directory; nullptr: unset
        const char* started;              ///< what started; "" when nothing did and the call is false
    } cases[] = {
        {{"b/modem-manager-gui", "c/kcmshell5"}, "relative:@/a:@/b:@/c", "modem-manager-gui \n"},
        {{"c/kcmshell5"}, "@/c", "kcmshell5 kcm_networkmanagement\n"},
        {{"c/kcmshell5", "a/nm-connection-editor"}, "@/c:@/a", "nm-connection-editor \n"},
        {{"nm-connection-editor"}, "@/empty:.:", ""},
        {{"a/nm-connection-editor"}, nullptr, ""},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const std::string rel = "case" + std::to_string(i);
        const std::string base = (dir / rel).string();
        SCOPED_TRACE(c.path ? c.path : "(unset)");
        std::filesystem::create_directories(dir / rel / "empty");
        write(rel + "/a/nm-connection-editor", "not executable, not installed");
        for (const auto& e : c.editors)
            script(rel + "/" + e, "echo \"${0##*/} $*\" >> \"" + base + "/started\"\n");
        ASSERT_EQ(::chdir(base.c_str()), 0);
        if (c.path) {
            std::string path = c.path;
            for (std::size_t at; (at = path.find('@')) != std::string::npos;)
                path.replace(at, 1, base);
            ::setenv("PATH", path.c_str(), 1);
        } else {
            ::unsetenv("PATH");
        }
        EXPECT_EQ(LinuxDesktopShell().openModemSettings(), *c.started != '\0');
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(*c.started ? 5 : 0);
        while (read(rel + "/started").empty() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(read(rel + "/started"), c.started);
    }
}

} // namespace
} // namespace qv::platform
