#include "platform/linux/LinuxModemPortFinder.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

namespace qv::platform {

namespace fsys = std::filesystem;

namespace {

/// A sysfs attribute's text, trimmed and in lower case; empty when it cannot be read.
std::string attribute(const fsys::path& path) {
    std::ifstream in(path);
    std::string text;
    std::getline(in, text);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

/// Where a symbolic link leads, resolved; nothing when it does not.
std::optional<fsys::path> resolved(const fsys::path& link) {
    std::error_code ec;
    auto target = fsys::canonical(link, ec);
    if (ec)
        return std::nullopt;
    return target;
}

/// The USB interface directory of a tty's device, or nothing when the tty is not on USB.
std::optional<fsys::path> usbInterfaceOf(const fsys::path& ttyDir) {
    const auto device = resolved(ttyDir / "device");
    if (!device)
        return std::nullopt;
    const auto subsystem = resolved(*device / "subsystem");
    if (!subsystem)
        return std::nullopt;
    const std::string bus = subsystem->filename().string();
    if (bus == "usb")
        return device; // cdc_acm: the tty's device is the interface
    if (bus == "usb-serial")
        return device->parent_path(); // option, qcserial: a port below the interface
    return std::nullopt;
}

} // namespace

LinuxModemPortFinder::LinuxModemPortFinder(LinuxTtyRoots roots, std::string namedPort)
    : roots_(std::move(roots)), namedPort_(std::move(namedPort)) {}

LinuxModemPortFinder LinuxModemPortFinder::fromEnvironment(const ProcessEnvironment& env) {
    return LinuxModemPortFinder(LinuxTtyRoots{}, env.variable(kPortVariable).value_or(""));
}

std::string LinuxModemPortFinder::attachedTo() {
    return namedPort_.empty() ? search() : namedPort_;
}

std::string LinuxModemPortFinder::numberedPort(int number) {
    if (number >= 1 && number <= 8)
        return roots_.dev + "/ttyUSB" + std::to_string(number - 1);
    if (number >= 9 && number <= 16)
        return roots_.dev + "/ttyACM" + std::to_string(number - 9);
    return {};
}

std::string LinuxModemPortFinder::currentName(const std::string& attached) {
    if (!namedPort_.empty() && attached == namedPort_)
        return attached;
    const std::string now = search();
    return now.empty() ? attached : now;
}

std::string LinuxModemPortFinder::search() const {
    struct Candidate {
        std::string interfaceNumber;
        std::string name;
        bool operator<(const Candidate& o) const {
            return interfaceNumber != o.interfaceNumber ? interfaceNumber < o.interfaceNumber : name < o.name;
        }
    };
    std::optional<Candidate> best;
    std::error_code ec;
    for (const auto& entry : fsys::directory_iterator(roots_.classTty, ec)) {
        const auto interface = usbInterfaceOf(entry.path());
        if (!interface)
            continue;
        const fsys::path device = interface->parent_path();
        if (attribute(device / "idVendor") != kVendor || attribute(device / "idProduct") != kProduct)
            continue;
        // bInterfaceNumber is two hexadecimal digits: as text they sort as the numbers do.
        Candidate c{attribute(*interface / "bInterfaceNumber"), entry.path().filename().string()};
        if (!best || c < *best)
            best = c;
    }
    return best ? roots_.dev + "/" + best->name : std::string();
}

} // namespace qv::platform
