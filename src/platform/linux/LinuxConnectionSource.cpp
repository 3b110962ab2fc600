#include "platform/linux/LinuxConnectionSource.h"

#include "platform/DialTexts.h"

#include <algorithm>
#include <arpa/inet.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <ifaddrs.h>
#include <map>
#include <net/if.h>
#include <netinet/in.h>

namespace qv::platform {

namespace {

constexpr int kArphrdPpp = 512;

std::optional<std::string> readSmall(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rbe");
    if (!f)
        return std::nullopt;
    char buf[4096];
    const std::size_t n = std::fread(buf, 1, sizeof buf, f);
    std::fclose(f);
    return std::string(buf, n);
}

std::string firstLine(const std::string& text, std::size_t index = 0) {
    std::size_t pos = 0;
    for (std::size_t i = 0; i < index; ++i) {
        pos = text.find('\n', pos);
        if (pos == std::string::npos)
            return {};
        ++pos;
    }
    const auto end = text.find('\n', pos);
    std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

bool allDigits(const std::string& s) {
    return !s.empty() && s.size() < 10 && s.find_first_not_of("0123456789") == std::string::npos;
}

// "ppp12" → 12; -1 for anything else.
int unitOf(const std::string& interfaceName) {
    if (interfaceName.rfind("ppp", 0) != 0 || !allDigits(interfaceName.substr(3)))
        return -1;
    return std::stoi(interfaceName.substr(3));
}

struct Pppd {
    int pid = 0;
    std::string linkname;
    std::string interfaceName;
};

struct Link {
    bool up = false;
    int index = 0;
};

} // namespace

LinuxConnectionSource::LinuxConnectionSource(Roots roots, AddressLookup lookup)
    : roots_(std::move(roots)), lookup_(lookup ? std::move(lookup) : AddressLookup(&interfaceAddresses)) {}

std::optional<LinuxConnectionSource::LinkAddresses>
LinuxConnectionSource::interfaceAddresses(const std::string& interfaceName) {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return std::nullopt;
    std::optional<LinkAddresses> found;
    for (const ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || interfaceName != a->ifa_name)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        LinkAddresses la;
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr, text, sizeof text);
        la.local = text;
        if ((a->ifa_flags & IFF_POINTOPOINT) && a->ifa_dstaddr && a->ifa_dstaddr->sa_family == AF_INET) {
            ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(a->ifa_dstaddr)->sin_addr, text, sizeof text);
            la.peer = text;
        }
        found = la;
        break;
    }
    ::freeifaddrs(list);
    return found;
}

std::optional<std::vector<ActiveConnection>> LinuxConnectionSource::listActive(int max) {
    // pppd's pid files, merged per pid: ppp-LINKNAME.pid names the entry, pppN.pid (or the second line of the
    // other) the interface.
    std::map<int, Pppd> pppds;
    if (DIR* dir = ::opendir(roots_.runDir.c_str())) {
        while (const dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name.size() <= 4 || name.compare(name.size() - 4, 4, ".pid") != 0 || name.rfind("ppp", 0) != 0)
                continue;
            const std::string stem = name.substr(0, name.size() - 4);
            const bool linkFile = stem.rfind("ppp-", 0) == 0 && stem.size() > 4;
            if (!linkFile && unitOf(stem) < 0)
                continue;
            const auto text = readSmall(roots_.runDir + "/" + name);
            if (!text)
                continue;
            const std::string pidText = firstLine(*text);
            if (!allDigits(pidText))
                continue;
            Pppd& p = pppds[std::stoi(pidText)];
            p.pid = std::stoi(pidText);
            if (linkFile) {
                p.linkname = stem.substr(4);
                if (const std::string unit = firstLine(*text, 1); unitOf(unit) >= 0)
                    p.interfaceName = unit;
            } else {
                p.interfaceName = stem;
            }
        }
        ::closedir(dir);
    }

    // Only a live pppd counts: after a SIGKILL its files stay behind, and the pid may have been reused.
    std::erase_if(pppds, [&](const auto& kv) {
        const std::string procDir = roots_.procRoot + "/" + std::to_string(kv.first);
        const auto comm = readSmall(procDir + "/comm");
        if (!comm || firstLine(*comm) != "pppd")
            return true;
        const auto stat = readSmall(procDir + "/stat");
        const auto paren = stat ? stat->rfind(')') : std::string::npos;
        return paren != std::string::npos && paren + 2 < stat->size() && (*stat)[paren + 2] == 'Z';
    });

    std::map<std::string, Link> links; // PPP-type interfaces by name
    if (DIR* dir = ::opendir(roots_.netRoot.c_str())) {
        while (const dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name.empty() || name[0] == '.')
                continue;
            const std::string base = roots_.netRoot + "/" + name + "/";
            const auto type = readSmall(base + "type");
            if (!type || firstLine(*type) != std::to_string(kArphrdPpp))
                continue;
            Link link;
            if (const auto flags = readSmall(base + "flags"))
                link.up = (std::strtoul(firstLine(*flags).c_str(), nullptr, 16) & IFF_UP) != 0;
            if (const auto index = readSmall(base + "ifindex"); index && allDigits(firstLine(*index)))
                link.index = std::stoi(firstLine(*index));
            links[name] = link;
        }
        ::closedir(dir);
    }

    const auto connectedLink = [&](const std::string& name) {
        const auto it = links.find(name);
        if (it == links.end() || !it->second.up)
            return false;
        const auto addresses = lookup_(name);
        return addresses && !addresses->local.empty();
    };

    std::vector<Pppd> ordered;
    for (auto& kv : pppds) {
        if (kv.second.linkname.empty()) {
            // No linkname: the entry is the argument of `call` on pppd's command line.
            if (const auto cmdline = readSmall(roots_.procRoot + "/" + std::to_string(kv.first) + "/cmdline")) {
                std::vector<std::string> args;
                for (std::size_t pos = 0; pos < cmdline->size();) {
                    const auto end = cmdline->find('\0', pos);
                    args.push_back(cmdline->substr(pos, end == std::string::npos ? std::string::npos : end - pos));
                    pos = end == std::string::npos ? cmdline->size() : end + 1;
                }
                for (std::size_t i = 0; i + 1 < args.size(); ++i)
                    if (args[i] == "call")
                        kv.second.linkname = args[i + 1];
            }
        }
        ordered.push_back(kv.second);
    }
    // The system's order: by ppp unit, pppds still without one after them, each group by pid.
    std::sort(ordered.begin(), ordered.end(), [](const Pppd& a, const Pppd& b) {
        const int ua = a.interfaceName.empty() ? INT_MAX : unitOf(a.interfaceName);
        const int ub = b.interfaceName.empty() ? INT_MAX : unitOf(b.interfaceName);
        return ua != ub ? ua < ub : a.pid < b.pid;
    });

    std::vector<ActiveConnection> out;
    for (const auto& p : ordered) {
        ActiveConnection c;
        c.handle = static_cast<std::uint32_t>(p.pid);
        c.entryName = p.linkname;
        c.deviceType = "PPP";
        c.deviceName = p.interfaceName;
        c.state = connectedLink(p.interfaceName) ? dialstate::kConnected
                  : p.interfaceName.empty()      ? dialstate::kOpenPort
                                                 : dialstate::kAllDevicesConnected;
        out.push_back(std::move(c));
    }
    for (const auto& [name, link] : links) {
        if (!link.up ||
            std::any_of(ordered.begin(), ordered.end(), [&](const Pppd& p) { return p.interfaceName == name; }))
            continue;
        ActiveConnection c;
        c.handle = kInterfaceHandleBase + static_cast<std::uint32_t>(link.index);
        c.deviceType = "PPP";
        c.deviceName = name;
        c.state = connectedLink(name) ? dialstate::kConnected : dialstate::kAllDevicesConnected;
        out.push_back(std::move(c));
    }
    if (max >= 0 && out.size() > static_cast<std::size_t>(max))
        out.resize(static_cast<std::size_t>(max));
    return out;
}

void LinuxConnectionSource::readAddresses(const ActiveConnection& connection, ConnectionDetails& details) {
    if (connection.deviceName.empty())
        return;
    details.interfaceName = connection.deviceName;
    if (const auto addresses = lookup_(connection.deviceName)) {
        details.clientIp = addresses->local;
        details.serverIp = addresses->peer;
    }
}

} // namespace qv::platform
