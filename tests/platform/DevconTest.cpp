#include "LinuxTempDir.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace qv::platform {
namespace {

namespace fsys = std::filesystem;

// Runs the built tool against a sysfs tree of our own.
class DevconTest : public LinuxTempDir {
protected:
    void device(const std::string& name, const std::string& vendor, const std::string& product) {
        write(name + "/idVendor", vendor + "\n");
        write(name + "/idProduct", product + "\n");
        write(name + "/authorized", "1\n");
    }
    /// Exit status; `output` gets stdout and stderr.
    int run(std::vector<std::string> args = {"restart", "USB\\VID_05C6*PID_3196"}) {
        args.insert(args.begin(), QV_DEVCON_PATH);
        const Run r = runProgram(std::move(args), {"QUORVEX_SYSFS_USB=" + dir.string()}, true);
        output = r.out;
        return r.status;
    }
    std::string output;
};

TEST_F(DevconTest, OnlyTheOneCommandIsUnderstood) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"restart"}, {"restart", "USB\\VID_05C6*PID_3197"}, {"remove", "USB\\VID_05C6*PID_3196"}}) {
        EXPECT_EQ(run(args), 2);
        EXPECT_NE(output.find("usage: devcon restart USB\\VID_05C6*PID_3196"), std::string::npos);
    }
}

TEST_F(DevconTest, NoModemPresentIsNotAnError) {
    device("1-1", "1d6b", "0002");
    device("1-3", "05c6", "9091"); // the maker's, another product
    EXPECT_EQ(run(), 0);
    EXPECT_NE(output.find("no USB device 05c6:3196 present"), std::string::npos) << output;
    EXPECT_EQ(read("1-1/authorized") + read("1-3/authorized"), "1\n1\n");
}

TEST_F(DevconTest, TheModemIsSwitchedOffAndOnAgain) {
    device("1-1", "1d6b", "0002");
    device("1-2", "05C6", "3196");
    fsys::create_directories(dir / "1-2:1.0"); // its interface: no ids of its own
    // A FIFO in place of the attribute keeps every write, in order.
    fsys::remove(dir / "1-2/authorized");
    ASSERT_EQ(::mkfifo((dir / "1-2/authorized").c_str(), 0600), 0);
    const int fifo = ::open((dir / "1-2/authorized").c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(fifo, 0);
    EXPECT_EQ(run(), 0) << output;
    char buf[16] = {};
    const ssize_t n = ::read(fifo, buf, sizeof buf);
    ::close(fifo);
    EXPECT_EQ(std::string(buf, n > 0 ? static_cast<std::size_t>(n) : 0), "01");
    EXPECT_NE(output.find("1-2: restarted"), std::string::npos);
    EXPECT_EQ(read("1-1/authorized"), "1\n");
}

TEST_F(DevconTest, ARestartThatCannotBeDoneSaysWhy) {
    device("2-1", "05c6", "3196");
    fsys::remove(dir / "2-1/authorized");
    fsys::create_directory(dir / "2-1/authorized"); // fails for root too
    EXPECT_EQ(run(), 1);
    EXPECT_NE(output.find("2-1: cannot restart the device"), std::string::npos) << output;
}

TEST_F(DevconTest, WithoutPermissionItSaysItNeedsRoot) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes to a read-only file all the same: this case needs a normal user";
    device("2-1", "05c6", "3196");
    fsys::permissions(dir / "2-1/authorized", fsys::perms::owner_read);
    EXPECT_EQ(run(), 1);
    EXPECT_NE(output.find("not permitted to restart the device (Permission denied); this needs root"),
              std::string::npos)
        << output;
    EXPECT_EQ(read("2-1/authorized"), "1\n");
}

} // namespace
} // namespace qv::platform
