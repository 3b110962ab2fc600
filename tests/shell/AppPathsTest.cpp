#include "shell/AppPaths.h"
#include "shell/SingleInstance.h"
#include "support/MemoryFileSystem.h"

#include <gtest/gtest.h>

namespace qv::shell {
namespace {

TEST(AppPathsTest, ApplicationDirectoryIsTheExecutablesUnlessQuorvexHomeNamesAnother) {
    EXPECT_EQ(AppPaths::resolveAppDir(std::nullopt, "/opt/quorvex/quorvex"), "/opt/quorvex/");
    EXPECT_EQ(AppPaths::resolveAppDir(std::string(""), "/opt/quorvex/quorvex"), "/opt/quorvex/");
    EXPECT_EQ(AppPaths::resolveAppDir(std::string("/home/a/demo"), "/opt/quorvex/quorvex"), "/home/a/demo/");
}

TEST(AppPathsTest, PerUserFilesCarryTheLogonNameOrNeznamy) {
    EXPECT_EQ(AppPaths::userNameOrDefault(std::string("alice")), "alice");
    for (const auto& bad : {std::optional<std::string>{}, std::optional<std::string>{""},
                            std::optional<std::string>{"../etc"}, std::optional<std::string>{".."}})
        EXPECT_EQ(AppPaths::userNameOrDefault(bad), "Neznamy");

    const AppPaths paths("/app", "alice");
    EXPECT_EQ(paths.appDir(), "/app/");
    EXPECT_EQ(paths.mailAccountsFile(), "/app/Data/alice_Email.dat");
}

struct FakeLock final : platform::InstanceLock {
    bool free = true;
    bool acquire(const std::string&) override { return free; }
};

TEST(SingleInstanceTest, SecondCopyLeavesAnEmptySignalFileAndEnds) {
    test::MemoryFileSystem fs;
    fs.addDir("/app/Data");
    const AppPaths paths("/app/", "alice");
    FakeLock lock;
    EXPECT_TRUE(claimSingleInstance(lock, fs, paths));
    EXPECT_FALSE(fs.exists("/app/Data/Start"));

    lock.free = false;
    fs.put("/app/Data/Start", "junk from a crash");
    EXPECT_FALSE(claimSingleInstance(lock, fs, paths));
    EXPECT_EQ(fs.readAll("/app/Data/Start"), std::string());
}

TEST(SingleInstanceTest, SecondCopyStillEndsWhenTheSignalCannotBeWritten) {
    test::MemoryFileSystem fs; // no Data directory
    FakeLock lock;
    lock.free = false;
    EXPECT_FALSE(claimSingleInstance(lock, fs, AppPaths("/app/", "alice")));
    EXPECT_TRUE(fs.files().empty());
}

} // namespace
} // namespace qv::shell
