#include "platform/linux/LinuxConnectionSource.h"
#include "LinuxTempDir.h"
#include "platform/DialTexts.h"

#include <gtest/gtest.h>

#include <map>

namespace qv::platform {
namespace {

namespace fsys = std::filesystem;
using namespace std::string_literals;

// A run directory, a /proc and a /sys/class/net of our own making.
class LinuxConnectionSourceTest : public LinuxTempDir {
protected:
    void process(int pid, const std::string& comm, char state = 'S', const std::string& cmdline = {}) {
        const std::string p = "proc/" + std::to_string(pid);
        write(p + "/comm", comm + "\n");
        write(p + "/stat", std::to_string(pid) + " (" + comm + ") " + state + " 1 1 1 0 -1\n");
        if (!cmdline.empty())
            write(p + "/cmdline", cmdline);
    }
    void link(const std::string& name, int type, unsigned flags, int index) {
        write("net/" + name + "/type", std::to_string(type) + "\n");
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%x\n", flags);
        write("net/" + name + "/flags", hex);
        write("net/" + name + "/ifindex", std::to_string(index) + "\n");
    }
    LinuxConnectionSource source() {
        return LinuxConnectionSource(
            {(dir / "run").string(), (dir / "proc").string(), (dir / "net").string()},
            [this](const std::string& name) -> std::optional<LinuxConnectionSource::LinkAddresses> {
                const auto it = addresses.find(name);
                if (it == addresses.end())
                    return std::nullopt;
                return it->second;
            });
    }

    std::map<std::string, LinuxConnectionSource::LinkAddresses> addresses;
};

TEST_F(LinuxConnectionSourceTest, LivePppdsFromTheirPidFilesAndBareLinks) {
    write("run/ppp-mobil.pid", "4242\nppp0\n");
    write("run/ppp0.pid", "4242\n");
    process(4242, "pppd");
    write("run/ppp1.pid", "4545\n"); // no linkname: the entry comes from the command line
    process(4545, "pppd", 'S', "/usr/sbin/pppd\0call\0work\0nodetach\0"s);
    write("run/ppp-dialling.pid", "4646\n"); // started, no unit yet
    process(4646, "pppd");
    write("run/ppp-persist.pid", "4747\nppp3\n"); // outlived its link (persist): ppp3 is gone
    process(4747, "pppd");
    write("run/ppp-stale.pid", "999999\n");      // killed long ago
    write("run/ppp-reused.pid", "4343\nppp2\n"); // the pid now belongs to a shell
    process(4343, "bash");
    write("run/ppp-zombie.pid", "4444\n"); // ended, not yet reaped
    process(4444, "pppd", 'Z');
    write("run/pppd2.tdb", "binary");
    write("run/ppp-garbage.pid", "not a pid\n");
    link("ppp0", 512, 0x1091, 7);
    link("ppp1", 512, 0x1090, 8);  // down
    link("ppp5", 512, 0x1091, 9);  // up, no pppd we know of: another program's link
    link("ppp6", 512, 0x1090, 10); // down and ours to ignore
    link("eth0", 1, 0x1003, 2);
    addresses["ppp0"] = {"10.64.64.64", "10.112.112.112"};
    addresses["ppp5"] = {"10.9.9.9", "10.9.9.1"};
    addresses["eth0"] = {"192.168.1.2", ""};

    auto s = source();
    const auto list = s.listActive(100);
    ASSERT_TRUE(list);
    std::vector<std::tuple<std::uint32_t, int, std::string, std::string>> got;
    for (const auto& c : *list)
        got.emplace_back(c.handle, c.state, c.entryName, c.deviceName);
    EXPECT_EQ(got, (decltype(got){{4242, 8192, "mobil", "ppp0"},
                                  {4545, 4, "work", "ppp1"},
                                  {4747, 4, "persist", "ppp3"},
                                  {4646, 0, "dialling", ""},
                                  {LinuxConnectionSource::kInterfaceHandleBase + 9, 8192, "", "ppp5"}}));

    ConnectionDetails d;
    s.readAddresses(list->front(), d);
    EXPECT_EQ(d.clientIp, "10.64.64.64");
    EXPECT_EQ(d.serverIp, "10.112.112.112");
    EXPECT_EQ(d.interfaceName, "ppp0");
    EXPECT_EQ(s.listActive(1)->size(), 1u);

    // Directories that do not exist hold no connection; that is not a failed listing.
    LinuxConnectionSource missing({(dir / "no-run").string(), (dir / "no-proc").string(), (dir / "no-net").string()});
    ASSERT_TRUE(missing.listActive(8));
    EXPECT_TRUE(missing.listActive(8)->empty());
}

TEST(LinuxInterfaceAddresses, ReadsTheLoopbackAddress) {
    const auto lo = LinuxConnectionSource::interfaceAddresses("lo");
    if (!lo)
        GTEST_SKIP() << "no IPv4 loopback address here";
    EXPECT_EQ(lo->local, "127.0.0.1");
    EXPECT_EQ(lo->peer, ""); // not a point-to-point link
    EXPECT_FALSE(LinuxConnectionSource::interfaceAddresses("nonexistent0"));
}

} // namespace
} // namespace qv::platform
