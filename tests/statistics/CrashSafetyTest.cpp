// The statistics file on the real file system, with the process killed in the middle of a rewrite.
#include "StatisticsFixture.h"

#include "platform/linux/LinuxFileSystem.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qv::test {
namespace {

namespace fsys = std::filesystem;

extern "C" void killSelf(int) {
    ::raise(SIGKILL);
}

void appendPiece(StatisticsStack& s, double down1Bytes) {
    s.running.OpenRunningRecord();
    s.running.FillRunningRecordStart();
    s.running.currentConnRecord()->Down1 = down1Bytes;
    s.running.CloseAndAppend();
}

TEST(CrashSafety, AKillDuringTheRewriteLeavesThePreviousFileWholeAndItsLeftoverHarmless) {
    char tmpl[] = "/tmp/qv-stats-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const fsys::path appDir = tmpl;
    const fsys::path stats = appDir / "Statistiky" / "Pripojeni.sts";
    fsys::create_directory(appDir / "Statistiky");
    const std::string old = statistics::encodeFile(std::vector(20'000, rec(day(2026, 3, 1))));
    std::ofstream(stats, std::ios::binary) << old;
    platform::LinuxFileSystem fs;

    // The kernel stops the temporary file at half its length; the next write to it kills the process.
    const rlim_t crashAt = old.size() / 2;
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        StatisticsStack s(fs, appDir.string() + "/");
        std::signal(SIGXFSZ, killSelf);
        const rlimit limit{crashAt, crashAt};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            appendPiece(s, 1e6);
        } catch (...) {
        }
        ::_exit(0); // not reached when the crash happened where it should
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;

    EXPECT_TRUE(fs.readAll(stats) == old) << "the previous file is not whole";
    std::vector<fsys::path> leftovers;
    for (const auto& entry : fsys::directory_iterator(stats.parent_path()))
        if (entry.path() != stats)
            leftovers.push_back(entry.path());
    ASSERT_EQ(leftovers.size(), 1u) << "the crash should have left its partial temporary file";
    EXPECT_EQ(fsys::file_size(leftovers[0]), crashAt);

    // The next run checks, reads and appends as if the leftover were not there.
    StatisticsStack next(fs, appDir.string() + "/");
    next.file.CheckStatisticsFormat();
    appendPiece(next, 5e6);
    const auto records = next.file.LoadStatistics();
    ASSERT_EQ(records.size(), 20'001u);
    EXPECT_DOUBLE_EQ(records.back().Down1, 5);
    EXPECT_TRUE(fs.readAll(stats)->substr(0, old.size()) == old);
    fsys::remove_all(appDir);
}

} // namespace
} // namespace qv::test
