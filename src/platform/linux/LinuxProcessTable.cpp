#include "platform/linux/LinuxProcessTable.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <unistd.h>

namespace qv::platform {

namespace {

std::optional<int> pidOf(const char* name) {
    if (*name < '1' || *name > '9')
        return std::nullopt;
    char* end = nullptr;
    const long pid = std::strtol(name, &end, 10);
    if (*end != '\0' || pid <= 0 || pid > 0x7fffffff)
        return std::nullopt;
    return static_cast<int>(pid);
}

/// The real user id from the "Uid:" line of the status file.
std::optional<uid_t> realUidOf(const std::string& dir) {
    std::ifstream in(dir + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Uid:", 0) == 0) {
            std::istringstream fields(line.substr(4));
            unsigned long uid = 0;
            if (fields >> uid)
                return static_cast<uid_t>(uid);
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::string exeNameOf(const std::string& dir) {
    std::string target(4096, '\0');
    const ssize_t n = ::readlink((dir + "/exe").c_str(), target.data(), target.size());
    if (n > 0) {
        target.resize(static_cast<std::size_t>(n));
        // A program whose file was replaced while it runs still counts under its name.
        constexpr std::string_view kDeleted = " (deleted)";
        if (target.ends_with(kDeleted))
            target.resize(target.size() - kDeleted.size());
        return target.substr(target.rfind('/') + 1);
    }
    std::ifstream in(dir + "/comm");
    std::string comm;
    std::getline(in, comm);
    return comm;
}

} // namespace

std::vector<RunningProcess> LinuxProcessTable::ownProcesses() {
    std::vector<RunningProcess> list;
    DIR* d = ::opendir(procRoot_.c_str());
    if (d == nullptr)
        return list;
    const uid_t me = ::getuid();
    const int self = static_cast<int>(::getpid());
    while (const dirent* e = ::readdir(d)) {
        const auto pid = pidOf(e->d_name);
        if (!pid || *pid == self)
            continue;
        const std::string dir = procRoot_ + "/" + e->d_name;
        if (realUidOf(dir) != me)
            continue;
        std::string name = exeNameOf(dir);
        if (!name.empty())
            list.push_back({*pid, std::move(name)});
    }
    ::closedir(d);
    std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.pid < b.pid; });
    return list;
}

bool LinuxProcessTable::terminate(int pid) {
    if (pid <= 0 || pid == static_cast<int>(::getpid()))
        return false;
    // The owner is checked again: the id may have been taken by someone else's process since the list was read.
    if (realUidOf(procRoot_ + "/" + std::to_string(pid)) != ::getuid())
        return false;
    return ::kill(static_cast<pid_t>(pid), SIGTERM) == 0;
}

} // namespace qv::platform
