#include "platform/linux/LinuxFileSystem.h"
#include "LinuxTempDir.h"
#include "platform/linux/LinuxSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qv::platform {
namespace {

namespace fsys = std::filesystem;

struct TempDir : LinuxTempDir {
    std::string p(const std::string& name) const { return (dir / name).string(); }
};

using LinuxFileSystemTest = TempDir;

TEST_F(LinuxFileSystemTest, AtomicWriteReplacesTheWholeFileKeepsItsModeAndLeavesNoTemporaryBehind) {
    LinuxFileSystem fs;
    ASSERT_TRUE(fs.writeAtomic(p("a.sts"), std::string(100000, 'x')));
    ::chmod(p("a.sts").c_str(), 0600);
    ASSERT_TRUE(fs.writeAtomic(p("a.sts"), "short"));
    EXPECT_EQ(fs.readAll(p("a.sts")), "short");
    EXPECT_EQ(fs.size(p("a.sts")), 5u);
    EXPECT_EQ(std::distance(fsys::directory_iterator(dir), fsys::directory_iterator{}), 1);
    struct stat st {};
    ASSERT_EQ(::stat(p("a.sts").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(LinuxFileSystemTest, APrivateWriteLeavesAFileOnlyItsOwnerCanReadWhateverTheUmaskOrTheOldMode) {
    LinuxFileSystem fs;
    const auto modeOf = [&](const std::string& name) {
        struct stat st {};
        return ::stat(p(name).c_str(), &st) == 0 ? st.st_mode & 07777 : 07777u;
    };
    const mode_t old = ::umask(0);
    ASSERT_TRUE(fs.writeAtomicPrivate(p("new_Email.dat"), "secret"));
    ASSERT_TRUE(fs.writeAtomic(p("old_Email.dat"), "shared"));
    ::umask(old);
    EXPECT_EQ(modeOf("new_Email.dat"), 0600u);
    EXPECT_EQ(modeOf("old_Email.dat"), 0644u);
    ASSERT_TRUE(fs.writeAtomicPrivate(p("old_Email.dat"), "secret"));
    EXPECT_EQ(modeOf("old_Email.dat"), 0600u);
    EXPECT_EQ(fs.readAll(p("old_Email.dat")), "secret");
    EXPECT_EQ(std::distance(fsys::directory_iterator(dir), fsys::directory_iterator{}), 2);
}

TEST_F(LinuxFileSystemTest, FailedWritesLeaveTheOldContentWhole) {
    LinuxFileSystem fs;
    fsys::create_directory(dir / "ro");
    ASSERT_TRUE(fs.writeAtomic(p("ro/keep"), "old"));
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores directory permissions";
    fsys::permissions(dir / "ro", fsys::perms::owner_read | fsys::perms::owner_exec);
    EXPECT_FALSE(fs.writeAtomic(p("ro/keep"), "new"));
    EXPECT_FALSE(fs.append(p("ro/log"), "line"));
    EXPECT_EQ(fs.readAll(p("ro/keep")), "old");
}

TEST_F(LinuxFileSystemTest, MissingDirectoriesAreNeverCreated) {
    LinuxFileSystem fs;
    EXPECT_FALSE(fs.writeAtomic(p("Statistiky/Pripojeni.sts"), "x"));
    EXPECT_FALSE(fs.append(p("Data/x.log"), "x"));
    EXPECT_FALSE(fs.createEmpty(p("Data/Start")));
    EXPECT_FALSE(fsys::exists(dir / "Statistiky"));
    EXPECT_FALSE(fsys::exists(dir / "Data"));
}

TEST_F(LinuxFileSystemTest, AppendCreateEmptyRemoveAndMissingFiles) {
    LinuxFileSystem fs;
    EXPECT_EQ(fs.readAll(p("none")), std::nullopt);
    EXPECT_FALSE(fs.exists(p("none")));
    EXPECT_FALSE(fs.remove(p("none")));
    ASSERT_TRUE(fs.append(p("PO.log"), "a\r\n"));
    ASSERT_TRUE(fs.append(p("PO.log"), "b\r\n"));
    EXPECT_EQ(fs.readAll(p("PO.log")), "a\r\nb\r\n");
    ASSERT_TRUE(fs.createEmpty(p("PO.log")));
    EXPECT_EQ(fs.readAll(p("PO.log")), "");
    EXPECT_TRUE(fs.remove(p("PO.log")));
    EXPECT_FALSE(fs.exists(p("PO.log")));
    EXPECT_FALSE(fs.exists(dir.string())); // a directory is not a file
}

using LinuxInstanceLockTest = TempDir;

TEST_F(LinuxInstanceLockTest, OneCopyPerApplicationDirectoryUntilTheHolderGoes) {
    fsys::create_directory(dir / "one");
    fsys::create_directory(dir / "two");
    auto first = std::make_unique<LinuxInstanceLock>();
    LinuxInstanceLock second, other, next;
    EXPECT_TRUE(first->acquire(p("one")));
    EXPECT_FALSE(second.acquire(p("one") + "/")); // the same directory, spelled differently
    EXPECT_FALSE(second.acquire(p("two") + "/../one"));
    EXPECT_TRUE(other.acquire(p("two")));
    first.reset();
    EXPECT_TRUE(next.acquire(p("one")));
}

TEST_F(LinuxInstanceLockTest, HeldByAnotherProcessUntilItEnds) {
    int ready[2], quit[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(quit), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        LinuxInstanceLock lock;
        const char ok = lock.acquire(dir.string()) ? '1' : '0';
        (void)!::write(ready[1], &ok, 1);
        char c;
        (void)!::read(quit[0], &c, 1);
        ::_exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    EXPECT_EQ(ok, '1');
    {
        LinuxInstanceLock mine;
        EXPECT_FALSE(mine.acquire(dir.string()));
    }
    (void)!::write(quit[1], "q", 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    LinuxInstanceLock after;
    EXPECT_TRUE(after.acquire(dir.string()));
}

} // namespace
} // namespace qv::platform
