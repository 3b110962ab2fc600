#include "Lab.h"

// Before the kernel headers, which then leave out their own copy of the interface flags.
#include <net/if.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sched.h>
#include <spawn.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace qv::lab {

namespace {

namespace fsys = std::filesystem;

constexpr const char* kPrefix = "qvlab-";
constexpr const char* kNetnsDir = "/run/netns";
constexpr const char* kLanDevice = "qvlan0";

// The namespace file of the running lab, for the interrupt handler: a mount and a file, undone with two
// async-signal-safe calls. Processes and links end with the process anyway.
char gNetnsPath[256];

void onInterrupt(int signal) {
    if (gNetnsPath[0]) {
        ::umount2(gNetnsPath, MNT_DETACH);
        ::unlink(gNetnsPath);
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

std::string errnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

std::string findIp() {
    for (const char* dir : {"/usr/sbin", "/sbin", "/usr/bin", "/bin"}) {
        const std::string path = std::string(dir) + "/ip";
        if (::access(path.c_str(), X_OK) == 0)
            return path;
    }
    return {};
}

/// Runs a program with an argument vector; its exit status (-1 when it could not run) and what it printed.
int run(const std::vector<std::string>& args, std::string& output) {
    output.clear();
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        output = errnoText("pipe");
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, out[1], 2);
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (auto& a : copy)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (rc != 0) {
        ::close(out[0]);
        output = args[0] + ": " + std::strerror(rc);
        return -1;
    }
    char buf[1024];
    for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        output.append(buf, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool ip(const std::vector<std::string>& args, std::string& error) {
    std::vector<std::string> full{findIp()};
    full.insert(full.end(), args.begin(), args.end());
    std::string output;
    if (run(full, output) == 0)
        return true;
    std::string command;
    for (const auto& a : full)
        command += (command.empty() ? "" : " ") + a;
    error = command + ": " + output;
    while (!error.empty() && error.back() == '\n')
        error.pop_back();
    return false;
}

std::string readSmall(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

/// "qvlab-PID-…" → PID of a process that is gone, or 0 (not ours, or still running).
int deadOwner(const std::string& name) {
    if (name.rfind(kPrefix, 0) != 0)
        return 0;
    const int pid = std::atoi(name.c_str() + std::strlen(kPrefix));
    if (pid <= 0 || pid == ::getpid())
        return 0;
    return ::kill(pid, 0) != 0 && errno == ESRCH ? pid : 0;
}

/// Namespaces and scratch directories left by lab runs that crashed.
void sweepLeftovers() {
    std::string ignored;
    if (DIR* dir = ::opendir(kNetnsDir)) {
        std::vector<std::string> stale;
        while (const dirent* e = ::readdir(dir))
            if (deadOwner(e->d_name))
                stale.emplace_back(e->d_name);
        ::closedir(dir);
        for (const auto& name : stale)
            ip({"netns", "del", name}, ignored);
    }
    std::error_code ec;
    for (const auto& e : fsys::directory_iterator(fsys::temp_directory_path(), ec))
        if (deadOwner(e.path().filename().string()))
            fsys::remove_all(e.path(), ec);
}

/// Moves this process into a network namespace and a mount namespace of its own, with /sys showing the new
/// network namespace (as `ip netns exec` does). Threads and programs started later inherit both.
std::string enterOwnNamespaces(bool& refused) {
    // A container may give root without the rights for this: that machine cannot run the lab, which is no fault.
    const auto failed = [&](const std::string& what) {
        refused = errno == EPERM || errno == EACCES;
        return errnoText(what);
    };
    if (::unshare(CLONE_NEWNET | CLONE_NEWNS) != 0)
        return failed("unshare(CLONE_NEWNET | CLONE_NEWNS)");
    // Mounts made from here on stay in this process's view.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_SLAVE, nullptr) != 0)
        return failed("making / a slave mount");
    ::umount2("/sys", MNT_DETACH);
    if (::mount("sysfs", "/sys", "sysfs", 0, nullptr) != 0)
        return failed("mounting /sys for the lab's network namespace");
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        return errnoText("socket");
    ifreq ifr{};
    std::strcpy(ifr.ifr_name, "lo");
    bool up = ::ioctl(s, SIOCGIFFLAGS, &ifr) == 0;
    if (up) {
        ifr.ifr_flags |= IFF_UP;
        up = ::ioctl(s, SIOCSIFFLAGS, &ifr) == 0;
    }
    const std::string error = up ? "" : errnoText("bringing lo up");
    ::close(s);
    return error;
}

bool ownChild(int pid) {
    // /proc/PID/stat: "pid (comm) state ppid …"
    const std::string stat = readSmall("/proc/" + std::to_string(pid) + "/stat");
    const auto paren = stat.rfind(')');
    if (paren == std::string::npos || paren + 4 > stat.size())
        return false;
    return std::atoi(stat.c_str() + paren + 4) == ::getpid();
}

} // namespace

std::string Lab::unavailableReason() {
    if (::geteuid() != 0)
        return "the provider lab needs root (network namespaces, tun devices, raw ICMP); run the tests as root, as CI "
               "does";
    if (::access("/dev/net/tun", R_OK | W_OK) != 0)
        return "the provider lab needs /dev/net/tun (the tun driver)";
    if (findIp().empty())
        return "the provider lab needs iproute2's `ip` (scripts/deps.sh installs it)";
    return {};
}

Lab::Lab(std::string pppdPath, std::string devconPath) {
    if (!setUp(pppdPath, devconPath))
        tearDown();
}

Lab::~Lab() {
    tearDown();
}

bool Lab::setUp(const std::string& pppdPath, const std::string& devconPath) {
    static bool refusedOnce = false;
    static const std::string ownNamespaces = enterOwnNamespaces(refusedOnce);
    refused_ = refusedOnce;
    if (!ownNamespaces.empty()) {
        error_ = ownNamespaces;
        return false;
    }
    static const bool swept = (sweepLeftovers(), true);
    (void)swept;

    const std::string pattern =
        (fsys::temp_directory_path() / (kPrefix + std::to_string(::getpid()) + "-XXXXXX")).string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) {
        error_ = errnoText("mkdtemp " + pattern);
        return false;
    }
    dir_ = buf.data();
    std::error_code ec;
    for (const char* sub : {"peers", "run", "config", "usb", "app/Data", "app/Statistiky", "app/Util"})
        if (!ec)
            fsys::create_directories(dir_ + "/" + sub, ec);
    if (!ec)
        fsys::create_symlink(devconPath, appDir() + "Util/devcon", ec);
    if (ec) {
        error_ = "lab directory " + dir_ + ": " + ec.message();
        return false;
    }

    static int serial = 0;
    netns_ = kPrefix + std::to_string(::getpid()) + "-" + std::to_string(++serial);
    if (!ip({"netns", "add", netns_}, error_)) {
        refused_ = error_.find("Operation not permitted") != std::string::npos;
        return false;
    }
    netnsMade_ = true;
    std::snprintf(gNetnsPath, sizeof gNetnsPath, "%s/%s", kNetnsDir, netns_.c_str());
    static const bool guarded = [] {
        for (int s : {SIGINT, SIGTERM, SIGHUP})
            ::signal(s, onInterrupt);
        return true;
    }();
    (void)guarded;
    if (!ip({"-n", netns_, "link", "set", "lo", "up"}, error_) ||
        !ip({"-n", netns_, "addr", "add", std::string(kProviderHost) + "/32", "dev", "lo"}, error_))
        return false;

    ::setenv("QVLAB_DIR", dir_.c_str(), 1);
    ::setenv("QVLAB_NETNS", netns_.c_str(), 1);
    ::setenv("QUORVEX_PPPD", pppdPath.c_str(), 1);
    ::setenv("QUORVEX_PPP_PEERS", peersDir().c_str(), 1);
    ::setenv("QUORVEX_PPP_RUNDIR", runDir().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir_ + "/config").c_str(), 1);
    ::setenv("QUORVEX_SYSFS_USB", (dir_ + "/usb").c_str(), 1);
    return true;
}

void Lab::tearDown() {
    stopStandIns();
    if (lanMade_) {
        // Its other end goes with the provider namespace; this end lives in the process's own namespace.
        std::string ignored;
        ip({"link", "del", kLanDevice}, ignored);
        lanMade_ = false;
    }
    if (netnsMade_) {
        std::string ignored;
        ip({"netns", "del", netns_}, ignored);
        netnsMade_ = false;
        gNetnsPath[0] = '\0';
    }
    if (!dir_.empty()) {
        std::error_code ec;
        fsys::remove_all(dir_, ec);
    }
}

void Lab::plan(const std::string& entry, const std::vector<std::string>& steps) {
    std::ofstream out(dir_ + "/" + entry + ".plan", std::ios::trunc);
    for (const auto& s : steps)
        out << s << "\n";
}

std::vector<Lab::PppdRun> Lab::runs() const {
    std::vector<PppdRun> out;
    std::istringstream in(readSmall(dir_ + "/pppd.log"));
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string kind, word;
        words >> kind;
        PppdRun r;
        std::optional<int> status;
        while (words >> word) {
            const auto eq = word.find('=');
            if (eq == std::string::npos)
                continue;
            const std::string key = word.substr(0, eq), value = word.substr(eq + 1);
            if (key == "pid")
                r.pid = std::atoi(value.c_str());
            else if (key == "dial")
                r.dial = std::atoi(value.c_str());
            else if (key == "entry")
                r.entry = value;
            else if (key == "plan")
                r.step = value;
            else if (key == "secrets")
                r.secrets = value;
            else if (key == "status")
                status = std::atoi(value.c_str());
        }
        if (kind == "start")
            out.push_back(r);
        else if (kind == "redial")
            for (auto& started : out)
                started.redials += started.pid == r.pid ? 1 : 0;
        else if (kind == "exit")
            for (auto& started : out)
                if (started.pid == r.pid)
                    started.exitStatus = status;
    }
    return out;
}

bool Lab::setProviderAnswersPings(bool answer) {
    bool ok = false;
    // This thread steps into the provider's namespace, whose /proc/sys/net it then sees.
    std::thread([&] {
        if (!enterNetns(netns_))
            return;
        std::ofstream out("/proc/sys/net/ipv4/icmp_echo_ignore_all");
        out << (answer ? "0" : "1") << "\n";
        out.flush();
        ok = static_cast<bool>(out);
    }).join();
    return ok;
}

std::string Lab::start(std::unique_ptr<Lab>& lab) {
    if (auto why = unavailableReason(); !why.empty())
        return why;
    lab = std::make_unique<Lab>(QV_LAB_PPPD, QV_DEVCON_PATH);
    if (lab->refused())
        return "the provider lab needs root allowed to create namespaces: " + lab->error();
    return {};
}

bool Lab::enterNetns(const std::string& netns) {
    const int ns = ::open((std::string(kNetnsDir) + "/" + netns).c_str(), O_RDONLY | O_CLOEXEC);
    if (ns < 0)
        return false;
    const bool entered = ::setns(ns, CLONE_NEWNET) == 0;
    ::close(ns);
    return entered;
}

int Lab::listenOnProvider(const std::string& netns, int port) {
    const int listener = enterNetns(netns) ? ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0) : -1;
    if (listener < 0)
        return -1;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, kProviderHost, &addr.sin_addr);
    const int one = 1;
    if (::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
        ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listener, 1) != 0) {
        ::close(listener);
        return -1;
    }
    return listener;
}

int Lab::signalStandIns(int signal) {
    int signalled = 0;
    for (const auto& r : runs())
        if (!r.exitStatus && r.pid > 0 && ownChild(r.pid) && ::kill(r.pid, signal) == 0)
            ++signalled;
    return signalled;
}

bool Lab::modemHangsUp() {
    return signalStandIns(SIGUSR2) > 0;
}

bool Lab::linkGoesDead() {
    return signalStandIns(SIGUSR1) > 0;
}

std::string Lab::addRouteBesideTheLink() {
    std::string error;
    const bool ok =
        ip({"link", "add", kLanDevice, "type", "veth", "peer", "name", "qvlan1", "netns", netns_}, error) &&
        ip({"addr", "add", "10.231.2.2/24", "dev", kLanDevice}, error) &&
        ip({"link", "set", kLanDevice, "up"}, error) &&
        ip({"-n", netns_, "addr", "add", "10.231.2.1/24", "dev", "qvlan1"}, error) &&
        ip({"-n", netns_, "link", "set", "qvlan1", "up"}, error) &&
        ip({"route", "add", std::string(kProviderHost) + "/32", "via", "10.231.2.1", "dev", kLanDevice}, error);
    lanMade_ = lanMade_ || interfaceExists(kLanDevice);
    return ok ? "" : error;
}

void Lab::stopStandIns() {
    std::vector<int> pids;
    for (const auto& r : runs())
        if (r.pid > 0 && ownChild(r.pid))
            pids.push_back(r.pid);
    for (int pid : pids)
        ::kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    for (int pid : pids) {
        int status = 0;
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
}

bool Lab::interfaceExists(const std::string& name) {
    return ::if_nametoindex(name.c_str()) != 0;
}

int Lab::linkType(const std::string& name) {
    const std::string text = readSmall("/sys/class/net/" + name + "/type");
    return text.empty() ? -1 : std::atoi(text.c_str());
}

} // namespace qv::lab
