// The provider lab's stand-in for pppd. Quorvex starts it as it starts pppd (`pppd call ENTRY nodetach file
// /dev/fd/N`, the password in the options on descriptor N) and reads it as it reads pppd: the same progress lines,
// pid files, interface and exit statuses. The link is real: `ppp0` is a tun given the PPP link type, addressed
// 10.231.0.2 peer 10.231.0.1, and every packet it carries is relayed to and from a tun `lab0` inside the provider
// namespace, where 10.231.1.1 lives.
//
// It runs only inside a lab: QVLAB_DIR (events log, plans), QVLAB_NETNS (the provider namespace) and
// QUORVEX_PPP_RUNDIR must be set. What a dial does is line N of QVLAB_DIR/ENTRY.plan for the N-th dial (the last
// line repeats; no plan means "ok"):
//   ok                 the link comes up and stays until SIGTERM or SIGHUP (exit 5)
//   refuse-login       PAP is refused (exit 19)
//   lcp-timeout        nothing answers LCP (exit 10, after a short wait instead of pppd's 30 s)
//   drop-after SECONDS the link comes up, then the modem hangs up on its own (exit 16)
// Each run appends "start …" and "exit …" lines to QVLAB_DIR/pppd.log for the tests.
//
// While a link is up, SIGUSR1 makes it dead (packets go nowhere, the link stays up, as a modem that lost the
// network before LCP echoes notice) and SIGUSR2 makes the modem hang up. With `persist` in the peer file the
// stand-in outlives the link as pppd does: ppp0 goes, its pid files stay (so it is listed without an interface),
// and after `holdoff` seconds (pppd's default 30) it dials again; the new link (a new ppp0, counters from 0) stays
// up. Each such redial appends a "redial …" line to the log.
//
// Built as `pppd` and named so for the kernel too: the connection source accepts a pid file only when
// /proc/PID/comm says pppd.

// Before the kernel headers, which then leave out their own copy of the interface flags.
#include <net/if.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <linux/if_arp.h>
#include <linux/if_tun.h>
#include <net/route.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sched.h>
#include <sstream>
#include <string>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kLocalIp = "10.231.0.2";
constexpr const char* kPeerIp = "10.231.0.1";
constexpr const char* kProviderNet = "10.231.1.0";
constexpr const char* kProviderMask = "255.255.255.0";
constexpr int kStepMs = 20;        // between chat lines, as a modem answers
constexpr int kLcpTimeoutMs = 800; // pppd gives up after 10 Config-Requests 3 s apart; the lab need not wait

// pppd's exit statuses (pppd(8)).
constexpr int kExitFatal = 1;
constexpr int kExitOptionError = 2;
constexpr int kExitUserRequest = 5;
constexpr int kExitNegotiationFailed = 10;
constexpr int kExitHangup = 16;
constexpr int kExitAuthFailed = 19;

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

void say(const std::string& line) {
    const std::string text = line + "\n";
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t w = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return; // nobody reads any more: carry on as pppd does
        done += static_cast<std::size_t>(w);
    }
}

void complain(const std::string& line) {
    const std::string text = line + "\n";
    (void)!::write(STDERR_FILENO, text.data(), text.size());
}

std::string readAll(const std::string& path, bool& ok) {
    std::ifstream in(path, std::ios::binary);
    ok = static_cast<bool>(in);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        while (!l.empty() && (l.back() == '\r' || l.back() == ' '))
            l.pop_back();
        out.push_back(l);
    }
    return out;
}

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

std::string unquote(std::string w) {
    if (w.size() >= 2 && (w.front() == '"' || w.front() == '\'') && w.back() == w.front())
        return w.substr(1, w.size() - 2);
    return w;
}

void appendLog(const std::string& path, const std::string& line) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    const std::string text = line + "\n";
    (void)!::write(fd, text.data(), text.size()); // one write: lines of runs never interleave
    ::close(fd);
}

bool writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

sockaddr_in inet(const char* dotted) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    ::inet_pton(AF_INET, dotted, &a.sin_addr);
    return a;
}

/// A tun with no packet information, in the network namespace of the calling thread. -1 with `error` set.
int openTun(const char* name, bool pppType, std::string& error) {
    const int fd = ::open("/dev/net/tun", O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = std::string("Couldn't open /dev/net/tun: ") + std::strerror(errno);
        return -1;
    }
    ifreq ifr{};
    ifr.ifr_flags = IFF_TUN | IFF_NO_PI;
    std::strncpy(ifr.ifr_name, name, IFNAMSIZ - 1);
    // The link type can change only while the interface is down, that is before anyone brings it up.
    if (::ioctl(fd, TUNSETIFF, &ifr) < 0 || (pppType && ::ioctl(fd, TUNSETLINK, ARPHRD_PPP) < 0)) {
        error = std::string("Couldn't create interface ") + name + ": " + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

/// Local and peer address, a host mask, up: what pppd's sifaddr and sifup do.
bool configure(const char* name, const char* local, const char* peer, std::string& error) {
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        error = std::strerror(errno);
        return false;
    }
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, name, IFNAMSIZ - 1);
    const auto setAddress = [&](unsigned long request, const char* dotted) {
        const sockaddr_in a = inet(dotted);
        std::memcpy(&ifr.ifr_addr, &a, sizeof a);
        return ::ioctl(s, request, &ifr) == 0;
    };
    bool ok = setAddress(SIOCSIFADDR, local) && setAddress(SIOCSIFDSTADDR, peer) &&
              setAddress(SIOCSIFNETMASK, "255.255.255.255") && ::ioctl(s, SIOCGIFFLAGS, &ifr) == 0;
    if (ok) {
        ifr.ifr_flags |= IFF_UP | IFF_RUNNING | IFF_POINTOPOINT;
        ok = ::ioctl(s, SIOCSIFFLAGS, &ifr) == 0;
    }
    if (!ok)
        error = std::string(name) + ": " + std::strerror(errno);
    ::close(s);
    return ok;
}

/// The provider's network through the link; not the default route, so the lab never takes over a machine's.
bool routeProviderNet(const char* device, std::string& error) {
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        error = std::strerror(errno);
        return false;
    }
    rtentry rt{};
    const sockaddr_in dst = inet(kProviderNet), mask = inet(kProviderMask);
    std::memcpy(&rt.rt_dst, &dst, sizeof dst);
    std::memcpy(&rt.rt_genmask, &mask, sizeof mask);
    rt.rt_flags = RTF_UP;
    std::string dev = device;
    rt.rt_dev = dev.data();
    const bool ok = ::ioctl(s, SIOCADDRT, &rt) == 0 || errno == EEXIST;
    if (!ok)
        error = std::string("route to the provider: ") + std::strerror(errno);
    ::close(s);
    return ok;
}

class StandIn {
public:
    int run(int argc, char** argv);

private:
    int parseArguments(int argc, char** argv);
    /// The lab's variables, the peer file and the options on the descriptor; pppd's exit status when one fails.
    int readSetup(std::string& secrets);
    /// This dial's step of the plan, logged as a start.
    std::vector<std::string> nextStep(const std::string& secrets);
    int dial(std::vector<std::string> step);
    /// Chat, the unit, authentication and IPCP of one link: nothing once the link is up, else the exit status.
    std::optional<int> connectLink(const std::string& what);
    /// Waits `ms` while watching for a termination signal; the signal, or 0.
    int waitForSignal(int ms);
    bool bringUpProviderSide(std::string& error);
    /// Relays packets until a termination signal or the modem's hang-up (planned, or SIGUSR2); the signal, or 0.
    int relay(int dropAfterMs);
    /// The signal read from the signal descriptor, 0 when none; SIGUSR1 is taken here (the link goes dead).
    int takeSignal();
    void removeLink();
    void removePidFiles();
    int finish(int status);
    int terminated(int signal, bool linkStarted);
    void linkStats();

    std::string entry_, optionsPath_, labDir_, netns_, runDir_, peersDir_;
    std::string device_ = "/dev/modem", number_, linkname_;
    bool persist_ = false;
    int holdoffSeconds_ = 30;
    bool dead_ = false; ///< the link carries nothing any more
    std::string linkPidFile_, unitPidFile_;
    int signalFd_ = -1;
    int pppFd_ = -1;
    int labFd_ = -1;
    unsigned long long sent_ = 0, received_ = 0;
    std::chrono::steady_clock::time_point upSince_;
};

int StandIn::parseArguments(int argc, char** argv) {
    bool nodetach = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "call" && i + 1 < argc) {
            entry_ = argv[++i];
        } else if (a == "file" && i + 1 < argc) {
            optionsPath_ = argv[++i];
        } else if (a == "nodetach") {
            nodetach = true;
        } else if (a == "password") {
            complain("lab pppd: the password is on the command line, where every user can read it");
            return kExitOptionError;
        } else {
            complain("pppd: unrecognized option '" + a + "'");
            return kExitOptionError;
        }
    }
    if (entry_.empty() || entry_.front() == '/' || entry_.find("..") != std::string::npos || !nodetach) {
        complain("lab pppd: expected `call ENTRY nodetach file /dev/fd/N`");
        return kExitOptionError;
    }
    return 0;
}

int StandIn::waitForSignal(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            return 0;
        pollfd p{signalFd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) > 0)
            if (const int sig = takeSignal(); sig != 0 && sig != SIGUSR2)
                return sig; // a hang-up of the modem means nothing while there is no link
    }
}

int StandIn::takeSignal() {
    signalfd_siginfo si{};
    if (::read(signalFd_, &si, sizeof si) != static_cast<ssize_t>(sizeof si))
        return 0;
    if (si.ssi_signo == SIGUSR1) {
        dead_ = true;
        return 0;
    }
    return static_cast<int>(si.ssi_signo);
}

bool StandIn::bringUpProviderSide(std::string& error) {
    // The tun's namespace is the one of the thread that opens /dev/net/tun: step into the provider's for the
    // open and the addresses, then back.
    const int home = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    const int provider = ::open(("/run/netns/" + netns_).c_str(), O_RDONLY | O_CLOEXEC);
    bool ok = home >= 0 && provider >= 0 && ::setns(provider, CLONE_NEWNET) == 0;
    if (!ok) {
        error = "provider namespace " + netns_ + ": " + std::strerror(errno);
    } else {
        labFd_ = openTun("lab0", false, error);
        ok = labFd_ >= 0 && configure("lab0", kPeerIp, kLocalIp, error);
        if (::setns(home, CLONE_NEWNET) != 0) {
            error = std::string("back from the provider namespace: ") + std::strerror(errno);
            ok = false;
        }
    }
    for (int fd : {home, provider})
        if (fd >= 0)
            ::close(fd);
    return ok;
}

int StandIn::relay(int dropAfterMs) {
    const auto dropAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(dropAfterMs);
    std::vector<unsigned char> buf(65536);
    for (;;) {
        int timeout = -1;
        if (dropAfterMs >= 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(dropAt - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return 0;
            timeout = static_cast<int>(left.count());
        }
        pollfd fds[3] = {{pppFd_, POLLIN, 0}, {labFd_, POLLIN, 0}, {signalFd_, POLLIN, 0}};
        const int n = ::poll(fds, 3, timeout);
        if (n < 0 && errno != EINTR)
            return SIGTERM;
        if (n <= 0)
            continue;
        if (fds[2].revents & POLLIN) {
            if (const int sig = takeSignal(); sig == SIGUSR2)
                return 0;
            else if (sig != 0)
                return sig;
        }
        // The client's packets leave ppp0 and enter the provider on lab0; the answers go the other way.
        for (int i = 0; i < 2; ++i) {
            if (!(fds[i].revents & POLLIN))
                continue;
            const ssize_t r = ::read(fds[i].fd, buf.data(), buf.size());
            if (r <= 0 || dead_)
                continue;
            if (::write(fds[1 - i].fd, buf.data(), static_cast<std::size_t>(r)) == r)
                (i == 0 ? sent_ : received_) += static_cast<unsigned long long>(r);
        }
    }
}

void StandIn::removeLink() {
    // A tun that is not persistent goes with its last descriptor: ppp0 and lab0 disappear here.
    for (int* fd : {&pppFd_, &labFd_})
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
}

void StandIn::removePidFiles() {
    for (const auto& f : {linkPidFile_, unitPidFile_})
        if (!f.empty())
            ::unlink(f.c_str());
}

void StandIn::linkStats() {
    const double minutes = std::chrono::duration<double>(std::chrono::steady_clock::now() - upSince_).count() / 60.0;
    char text[64];
    std::snprintf(text, sizeof text, "Connect time %.1f minutes.", minutes);
    say(text);
    say("Sent " + std::to_string(sent_) + " bytes, received " + std::to_string(received_) + " bytes.");
}

int StandIn::finish(int status) {
    removeLink();
    removePidFiles();
    appendLog(labDir_ + "/pppd.log", "exit pid=" + std::to_string(::getpid()) + " status=" + std::to_string(status));
    return status;
}

int StandIn::terminated(int signal, bool linkStarted) {
    say(signal == SIGHUP ? "Hangup (SIGHUP)" : "Terminating on signal " + std::to_string(signal));
    removeLink();
    if (linkStarted)
        say("Connection terminated.");
    return finish(kExitUserRequest);
}

int StandIn::run(int argc, char** argv) {
    // pppd ignores SIGPIPE, and takes its termination signals as events.
    ::signal(SIGPIPE, SIG_IGN);
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGTERM, SIGHUP, SIGINT, SIGUSR1, SIGUSR2})
        sigaddset(&set, s);
    ::sigprocmask(SIG_BLOCK, &set, nullptr);
    signalFd_ = ::signalfd(-1, &set, SFD_CLOEXEC);
    // The stand-in must not outlive the lab that started it, whatever way the lab ends.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    ::prctl(PR_SET_NAME, "pppd");

    if (const int rc = parseArguments(argc, argv); rc != 0)
        return rc;
    std::string secrets;
    if (const int rc = readSetup(secrets); rc != 0)
        return rc;
    return dial(nextStep(secrets));
}

int StandIn::readSetup(std::string& secrets) {
    labDir_ = env("QVLAB_DIR");
    netns_ = env("QVLAB_NETNS");
    runDir_ = env("QUORVEX_PPP_RUNDIR");
    peersDir_ = env("QUORVEX_PPP_PEERS");
    if (labDir_.empty() || netns_.empty() || runDir_.empty() || peersDir_.empty()) {
        complain("lab pppd: runs only inside the provider lab (QVLAB_DIR, QVLAB_NETNS, QUORVEX_PPP_RUNDIR, "
                 "QUORVEX_PPP_PEERS)");
        return kExitFatal;
    }

    bool ok = false;
    const std::string peerPath = peersDir_ + "/" + entry_;
    const std::string peer = readAll(peerPath, ok);
    if (!ok) {
        complain("Can't open options file " + peerPath + ": No such file or directory");
        return kExitOptionError;
    }
    for (const auto& l : lines(peer)) {
        const auto w = words(l);
        if (w.empty() || w[0][0] == '#')
            continue;
        if (w[0].rfind("/dev/", 0) == 0)
            device_ = w[0];
        else if (w[0] == "linkname" && w.size() >= 2)
            linkname_ = unquote(w[1]);
        else if (w[0] == "persist")
            persist_ = true;
        else if (w[0] == "holdoff" && w.size() >= 2)
            holdoffSeconds_ = std::atoi(w[1].c_str());
        else if (const auto at = l.find("ATD"); w[0] == "connect" && at != std::string::npos)
            number_ = l.substr(at + 3, l.find_first_of("'\" ", at) - at - 3);
    }
    // The secrets come on the descriptor Quorvex passes: pppd reads it as an options file.
    secrets = "none";
    if (!optionsPath_.empty()) {
        const std::string options = readAll(optionsPath_, ok);
        if (!ok) {
            complain("Can't open options file " + optionsPath_ + ": " + std::strerror(errno));
            return kExitOptionError;
        }
        for (const auto& l : lines(options))
            if (l.rfind("password ", 0) == 0)
                secrets = optionsPath_.rfind("/dev/fd/", 0) == 0 ? "fd" : "file";
    }
    return 0;
}

std::vector<std::string> StandIn::nextStep(const std::string& secrets) {
    // The n-th dial follows the n-th line of the plan.
    bool ok = false;
    const std::string logPath = labDir_ + "/pppd.log";
    int nth = 1;
    for (const auto& l : lines(readAll(logPath, ok)))
        if (l.rfind("start ", 0) == 0)
            ++nth;
    std::vector<std::string> plan = lines(readAll(labDir_ + "/" + entry_ + ".plan", ok));
    std::erase_if(plan, [](const std::string& l) { return l.empty(); });
    const std::string step = plan.empty() ? "ok" : plan[std::min(static_cast<std::size_t>(nth), plan.size()) - 1];
    auto stepWords = words(step);
    if (stepWords.empty())
        stepWords = {"ok"};
    appendLog(logPath, "start pid=" + std::to_string(::getpid()) + " entry=" + entry_ + " dial=" + std::to_string(nth) +
                           " plan=" + stepWords[0] + " secrets=" + secrets);
    return stepWords;
}

int StandIn::dial(std::vector<std::string> step) {
    if (!linkname_.empty()) {
        linkPidFile_ = runDir_ + "/ppp-" + linkname_ + ".pid";
        writeFile(linkPidFile_, std::to_string(::getpid()) + "\n");
    }
    for (;;) {
        if (const auto ended = connectLink(step[0]))
            return *ended;
        const int dropAfterMs =
            step[0] == "drop-after" ? (step.size() >= 2 ? std::atoi(step[1].c_str()) * 1000 : 0) : -1;
        if (const int sig = relay(dropAfterMs)) {
            say(sig == SIGHUP ? "Hangup (SIGHUP)" : "Terminating on signal " + std::to_string(sig));
            removeLink();
            linkStats();
            say("Connection terminated.");
            return finish(kExitUserRequest);
        }
        say("Modem hangup");
        removeLink();
        linkStats();
        say("Connection terminated.");
        if (!persist_)
            return finish(kExitHangup);
        // pppd with persist stays, and so do its pid files here: it is listed while it has no interface.
        if (const int sig = waitForSignal(holdoffSeconds_ * 1000)) {
            say(sig == SIGHUP ? "Hangup (SIGHUP)" : "Terminating on signal " + std::to_string(sig));
            return finish(kExitUserRequest);
        }
        appendLog(labDir_ + "/pppd.log", "redial pid=" + std::to_string(::getpid()));
        step = {"ok"};
    }
}

std::optional<int> StandIn::connectLink(const std::string& what) {
    const std::string pid = std::to_string(::getpid());
    dead_ = false;

    // The connect script: chat -v -s, as the entry's connect line runs it.
    for (const char* abortOn : {"BUSY", "NO CARRIER", "NO DIALTONE", "NO DIAL TONE", "NO ANSWER", "ERROR", "VOICE"})
        say(std::string("abort on (") + abortOn + ")");
    const std::vector<std::string> chat = {"send (ATZ^M)",
                                           "expect (OK)",
                                           "ATZ^M^M",
                                           "OK",
                                           " -- got it",
                                           "",
                                           "send (ATD" + number_ + "^M)",
                                           "expect (CONNECT)",
                                           "^M",
                                           "ATD" + number_ + "^M^M",
                                           "CONNECT",
                                           " -- got it",
                                           "",
                                           "send (^M)"};
    for (const auto& l : chat) {
        say(l);
        if (const int sig = waitForSignal(kStepMs))
            return terminated(sig, false);
    }
    say("Serial connection established.");

    std::string error;
    pppFd_ = openTun("ppp0", true, error);
    if (pppFd_ < 0) {
        say(error);
        say("Connection terminated.");
        return finish(kExitFatal);
    }
    unitPidFile_ = runDir_ + "/ppp0.pid";
    writeFile(unitPidFile_, pid + "\n");
    if (!linkPidFile_.empty())
        writeFile(linkPidFile_, pid + "\nppp0\n");
    say("Using interface ppp0");
    say("Connect: ppp0 <--> " + device_);
    if (const int sig = waitForSignal(kStepMs))
        return terminated(sig, true);

    if (what == "lcp-timeout") {
        if (const int sig = waitForSignal(kLcpTimeoutMs))
            return terminated(sig, true);
        say("LCP: timeout sending Config-Requests");
        removeLink();
        say("Connection terminated.");
        say("Modem hangup");
        return finish(kExitNegotiationFailed);
    }
    if (what == "refuse-login") {
        say("Remote message: Authentication failed");
        say("PAP authentication failed");
        removeLink();
        say("Connection terminated.");
        return finish(kExitAuthFailed);
    }
    if (what != "ok" && what != "drop-after") {
        say("lab pppd: unknown plan step '" + what + "'");
        return finish(kExitFatal);
    }

    say("PAP authentication succeeded");
    // IPCP up: the addresses are on the interface before pppd names them.
    if (!bringUpProviderSide(error) || !configure("ppp0", kLocalIp, kPeerIp, error) ||
        !routeProviderNet("ppp0", error)) {
        say("lab pppd: " + error);
        removeLink();
        say("Connection terminated.");
        return finish(kExitFatal);
    }
    upSince_ = std::chrono::steady_clock::now();
    sent_ = received_ = 0;
    say(std::string("local  IP address ") + kLocalIp);
    say(std::string("remote IP address ") + kPeerIp);
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    StandIn standIn;
    return standIn.run(argc, argv);
}
