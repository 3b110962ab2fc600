// devcon: restarts the USB modem for Quorvex, which runs `Util/devcon restart USB\VID_05C6*PID_3196` after a dial
// error, after a disconnection and once at start, and waits for it to end. Only that one command exists.
//
// The restart deauthorizes the device and authorizes it again (sysfs `authorized`: 0, then 1). The kernel then
// unbinds every driver of the device, drops its interfaces and ttys, configures it afresh and binds the drivers
// again: the same as unplugging and plugging it in. The USBDEVFS_RESET ioctl is not used: it needs the same
// privilege (a writable /dev/bus/usb node), the kernel's documentation warns against it, and a port reset that
// keeps the drivers bound does not always bring a wedged modem back.
//
// Exit status: 0 when every device was restarted or none is present, 1 when a restart failed (typically not
// permitted: it needs root), 2 for any other command line. QUORVEX_SYSFS_USB names another device directory
// (tests use a fake tree).
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kHardwareId = "USB\\VID_05C6*PID_3196";
constexpr const char* kVendor = "05c6";
constexpr const char* kProduct = "3196";

std::string readAttribute(const std::string& path) {
    std::string text;
    if (std::FILE* f = std::fopen(path.c_str(), "re")) {
        char buf[64];
        const std::size_t n = std::fread(buf, 1, sizeof buf, f);
        std::fclose(f);
        text.assign(buf, n);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// 0 or errno.
int writeAttribute(const std::string& path, const char* value) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const std::size_t len = std::strlen(value);
    const ssize_t w = ::write(fd, value, len);
    const int err = w < 0 ? errno : static_cast<std::size_t>(w) != len ? EIO : 0;
    if (::close(fd) != 0 && err == 0)
        return errno;
    return err;
}

int restart(const std::string& root, const std::string& device) {
    const std::string path = root + "/" + device + "/authorized";
    int err = writeAttribute(path, "0");
    if (err == 0) {
        err = writeAttribute(path, "1");
        if (err != 0) {
            std::fprintf(stderr, "devcon: %s: the device was switched off but cannot be switched on again: %s\n",
                         device.c_str(), std::strerror(err));
            return 1;
        }
        std::printf("devcon: %s: restarted\n", device.c_str());
        return 0;
    }
    if (err == EACCES || err == EPERM)
        std::fprintf(stderr, "devcon: %s: not permitted to restart the device (%s); this needs root\n", device.c_str(),
                     std::strerror(err));
    else
        std::fprintf(stderr, "devcon: %s: cannot restart the device: %s\n", device.c_str(), std::strerror(err));
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], "restart") != 0 || std::strcmp(argv[2], kHardwareId) != 0) {
        std::fprintf(stderr, "usage: devcon restart %s\n", kHardwareId);
        return 2;
    }
    const char* env = std::getenv("QUORVEX_SYSFS_USB");
    const std::string root = env && *env ? env : "/sys/bus/usb/devices";

    std::vector<std::string> devices;
    if (DIR* dir = ::opendir(root.c_str())) {
        while (const dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name.empty() || name[0] == '.' || name.find(':') != std::string::npos)
                continue; // interfaces ("1-2:1.0") carry no ids of their own
            if (readAttribute(root + "/" + name + "/idVendor") == kVendor &&
                readAttribute(root + "/" + name + "/idProduct") == kProduct)
                devices.push_back(name);
        }
        ::closedir(dir);
    }
    if (devices.empty()) {
        std::printf("devcon: no USB device %s:%s present\n", kVendor, kProduct);
        return 0;
    }
    std::sort(devices.begin(), devices.end());
    int rc = 0;
    for (const auto& d : devices)
        rc = std::max(rc, restart(root, d));
    return rc;
}
