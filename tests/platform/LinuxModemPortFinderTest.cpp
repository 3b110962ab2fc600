#include "platform/linux/LinuxModemPortFinder.h"
#include "LinuxTempDir.h"

#include <map>

namespace qv::platform {
namespace {

namespace fsys = std::filesystem;

/// A sysfs tree of our own: USB devices with interfaces and the ttys on them, and one tty that is not on USB.
class LinuxModemPortFinderTest : public LinuxTempDir {
protected:
    void SetUp() override {
        LinuxTempDir::SetUp();
        fsys::create_directories(dir / "bus/usb");
        fsys::create_directories(dir / "bus/usb-serial");
        fsys::create_directories(dir / "bus/platform");
        fsys::create_directories(dir / "class/tty");
        write("devices/platform/serial8250/ttyS0/x", "");
        fsys::create_directory_symlink(dir / "bus/platform", dir / "devices/platform/serial8250/ttyS0/subsystem");
        tty("ttyS0", dir / "devices/platform/serial8250/ttyS0");
    }
    LinuxModemPortFinder finder(std::string named = {}) {
        return LinuxModemPortFinder(LinuxTtyRoots{(dir / "class/tty").string(), "/dev"}, std::move(named));
    }
    fsys::path usbDevice(const std::string& busId, const std::string& vendor, const std::string& product) {
        write("devices/usb1/" + busId + "/idVendor", vendor + "\n");
        write("devices/usb1/" + busId + "/idProduct", product + "\n");
        return dir / "devices/usb1" / busId;
    }
    fsys::path interface(const fsys::path& device, int number) {
        const fsys::path i = device / (device.filename().string() + ":1." + std::to_string(number));
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02x", number);
        write(fsys::relative(i / "bInterfaceNumber", dir), std::string(hex) + "\n");
        if (!fsys::exists(i / "subsystem"))
            fsys::create_directory_symlink(dir / "bus/usb", i / "subsystem");
        return i;
    }
    /// An option or qcserial port: the tty's device is a usb-serial port below the interface.
    void usbSerial(const std::string& name, const fsys::path& iface) {
        fsys::create_directories(iface / name);
        fsys::create_directory_symlink(dir / "bus/usb-serial", iface / name / "subsystem");
        tty(name, iface / name);
    }
    void tty(const std::string& name, const fsys::path& device) {
        fsys::create_directories(dir / "class/tty" / name);
        fsys::create_directory_symlink(device, dir / "class/tty" / name / "device");
    }
    void unplug(const std::string& name) { fsys::remove_all(dir / "class/tty" / name); }
};

TEST_F(LinuxModemPortFinderTest, NoModemNoPort) {
    usbSerial("ttyUSB0", interface(usbDevice("1-1", "12d1", "1001"), 0)); // another maker's modem
    EXPECT_EQ(finder().attachedTo(), "");
}

TEST_F(LinuxModemPortFinderTest, TheUsbSerialModemsTtyOnItsLowestInterface) {
    usbSerial("ttyUSB0", interface(usbDevice("1-1", "12d1", "1001"), 0));
    const auto modem = usbDevice("1-2", "05C6", "3196"); // sysfs may spell the ids in capitals
    usbSerial("ttyUSB3", interface(modem, 2));
    usbSerial("ttyUSB5", interface(modem, 1));
    EXPECT_EQ(finder().attachedTo(), "/dev/ttyUSB5");
}

TEST_F(LinuxModemPortFinderTest, ACdcAcmModemsTty) {
    tty("ttyACM0", interface(usbDevice("2-1", "05c6", "3196"), 0)); // the interface itself is the device
    EXPECT_EQ(finder().attachedTo(), "/dev/ttyACM0");
}

TEST_F(LinuxModemPortFinderTest, ARestartThatRenumbersThePortIsFollowed) {
    const auto iface = interface(usbDevice("1-2", "05c6", "3196"), 0);
    usbSerial("ttyUSB1", iface);
    auto f = finder();
    const std::string found = f.attachedTo();
    EXPECT_EQ(found, "/dev/ttyUSB1");
    unplug("ttyUSB1");
    EXPECT_EQ(f.currentName(found), found); // not back yet: the old name, which will not open
    usbSerial("ttyUSB2", iface);
    EXPECT_EQ(f.currentName(found), "/dev/ttyUSB2");
}

TEST_F(LinuxModemPortFinderTest, ANamedPortStandsForTheModemWhateverSysfsSays) {
    usbSerial("ttyUSB1", interface(usbDevice("1-2", "05c6", "3196"), 0));
    auto f = finder("/dev/pts/7");
    EXPECT_EQ(f.attachedTo(), "/dev/pts/7");
    EXPECT_EQ(f.currentName("/dev/pts/7"), "/dev/pts/7");

    struct Env final : ProcessEnvironment {
        std::map<std::string, std::string> vars;
        std::string executablePath() const override { return "/x"; }
        std::optional<std::string> variable(const std::string& name) const override {
            const auto v = vars.find(name);
            return v == vars.end() ? std::nullopt : std::optional(v->second);
        }
    } env;
    env.vars["QUORVEX_MODEM_PORT"] = "/dev/pts/3";
    EXPECT_EQ(LinuxModemPortFinder::fromEnvironment(env).attachedTo(), "/dev/pts/3");
}

TEST_F(LinuxModemPortFinderTest, TheSettingsListNamesUsbSerialThenAcmPorts) {
    auto f = finder();
    const std::map<int, std::string> expected{{1, "/dev/ttyUSB0"},
                                              {8, "/dev/ttyUSB7"},
                                              {9, "/dev/ttyACM0"},
                                              {16, "/dev/ttyACM7"},
                                              {0, ""},
                                              {17, ""},
                                              {-1, ""}};
    for (const auto& [number, name] : expected)
        EXPECT_EQ(f.numberedPort(number), name) << number;
}

} // namespace
} // namespace qv::platform
