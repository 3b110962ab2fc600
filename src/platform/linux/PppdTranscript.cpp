#include "platform/linux/PppdTranscript.h"

#include "platform/DialTexts.h"

#include <array>
#include <csignal>

namespace qv::platform {

namespace {

constexpr int kAny = PppdErrorRule::kAnyExit;

// How the end of a pppd run becomes an error code, for a run that never got connected. pppd's exit statuses are
// those of pppd(8); the lines are pppd's own messages and chat's (run with -v -s, so they reach pppd's output).
constexpr std::array<PppdErrorRule, 29> kRules{{
    // Ended on request (our own hang-up, poff, a signal from the user), whatever stage it reached.
    {kAny, "Terminating on signal", dialerror::kUserDisconnection},
    {kAny, "Hangup (SIGHUP)", dialerror::kUserDisconnection},
    // We failed to authenticate: "PAP/CHAP authentication failed", "No response to PAP authenticate-requests".
    {19, "", dialerror::kAuthenticationFailure},
    {11, "", dialerror::kCannotAuthenticateServer},
    {10, "LCP: timeout sending Config-Requests", dialerror::kNoResponse},
    {10, "LCP terminated by peer", dialerror::kLcpTerminated},
    // IPCP time-out, "Peer refused to agree to our IP address", "Could not determine local IP address".
    {10, "", dialerror::kNoProtocols},
    {17, "", dialerror::kLoopback},
    // The connect script failed; which ABORT string matched is known only from chat's "Failed (…)" line.
    {8, "Failed (BUSY)", dialerror::kLineBusy},
    {8, "Failed (NO ANSWER)", dialerror::kNoAnswer},
    {8, "Failed (NO CARRIER)", dialerror::kNoCarrier},
    {8, "Failed (NO DIALTONE)", dialerror::kNoDialtone},
    {8, "Failed (NO DIAL TONE)", dialerror::kNoDialtone},
    {8, "Failed (VOICE)", dialerror::kVoiceAnswer},
    {8, "Failed (ERROR)", dialerror::kDeviceError},
    {8, "alarm", dialerror::kNoAnswer, true}, // chat timed out waiting for CONNECT
    {8, "alarm", dialerror::kUnrecognizedResponse},
    {8, "", dialerror::kPortDisconnected},
    {6, "", dialerror::kPortNotAvailable}, // "Device ttyUSB0 is locked by pid N"
    {7, "No such file or directory", dialerror::kDeviceDoesNotExist},
    {7, "", dialerror::kPortNotAvailable},  // "Failed to open /dev/ttyUSB0: Device or resource busy", EACCES
    {16, "", dialerror::kPortDisconnected}, // "Modem hangup" before the link came up
    {5, "", dialerror::kUserDisconnection},
    {2, "Can't open options file /etc/ppp/peers/", dialerror::kCannotFindEntry},
    {2, "", dialerror::kUnknown},          // an option refused: "using the noauth option requires root privilege"
    {4, "", dialerror::kCannotInitialize}, // "Couldn't open the /dev/ppp device"
    {1, "", dialerror::kUnknown},
    {3, "", dialerror::kUnknown},      // not setuid root
    {18, "", dialerror::kDeviceError}, // the modem did not take its init script
}};

// Progress states in the order a dial passes them; a state is reported only when it is further than the last.
constexpr std::array<int, 10> kOrder{
    dialstate::kOpenPort,        dialstate::kPortOpened,          dialstate::kConnectDevice,
    dialstate::kDeviceConnected, dialstate::kAllDevicesConnected, dialstate::kAuthenticate,
    dialstate::kAuthenticated,   dialstate::kProjected,           dialstate::kConnected,
    dialstate::kDisconnected,
};

int rankOf(int state) {
    for (std::size_t i = 0; i < kOrder.size(); ++i)
        if (kOrder[i] == state)
            return static_cast<int>(i);
    return -1;
}

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return s;
}

std::vector<std::string_view> words(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
            ++i;
        std::size_t j = i;
        while (j < s.size() && s[j] != ' ' && s[j] != '\t')
            ++j;
        if (j > i)
            out.push_back(s.substr(i, j - i));
        i = j;
    }
    return out;
}

// chat -v prints what it is told to do; the first of these means pppd has the port open and runs the script.
bool isChatLine(std::string_view s) {
    for (std::string_view p : {"abort on (", "send (", "expect (", "timeout set to ", "report (", "say ("})
        if (startsWith(s, p))
            return true;
    return false;
}

bool isDialCommand(std::string_view s) {
    if (!startsWith(s, "send ("))
        return false;
    s.remove_prefix(6);
    return s.size() >= 3 && (s[0] == 'A' || s[0] == 'a') && (s[1] == 'T' || s[1] == 't') &&
           (s[2] == 'D' || s[2] == 'd');
}

bool isAuthenticated(std::string_view s) {
    if (!(startsWith(s, "PAP ") || startsWith(s, "CHAP ") || startsWith(s, "EAP ")))
        return false;
    return s.find(" authentication succeeded") != std::string_view::npos;
}

// "local  IP address 10.0.0.1" / "remote IP address 10.0.0.2": the address, or empty when `s` is not that line.
std::string_view addressLine(std::string_view s, std::string_view side) {
    const auto w = words(s);
    if (w.size() == 4 && w[0] == side && w[1] == "IP" && w[2] == "address")
        return w[3];
    return {};
}

} // namespace

std::span<const PppdErrorRule> pppdErrorRules() {
    return kRules;
}

void PppdTranscript::advance(int state, std::vector<PppdProgress>& out) {
    const int rank = rankOf(state);
    if (rank <= rank_)
        return;
    rank_ = rank;
    state_ = state;
    out.push_back({state, 0});
}

void PppdTranscript::flushConnected(std::vector<PppdProgress>& out) {
    if (!awaitingRemote_)
        return;
    awaitingRemote_ = false;
    connected_ = true;
    advance(dialstate::kConnected, out);
}

std::vector<PppdProgress> PppdTranscript::started() {
    std::vector<PppdProgress> out;
    advance(dialstate::kOpenPort, out);
    return out;
}

void PppdTranscript::noteRuleLines(std::string_view text) {
    if (seen_.empty())
        seen_.assign(kRules.size(), false);
    const bool dialed = rank_ >= rankOf(dialstate::kConnectDevice);
    for (std::size_t i = 0; i < kRules.size(); ++i) {
        const auto& r = kRules[i];
        if (!r.line.empty() && (!r.afterDial || dialed) && text.find(r.line) != std::string_view::npos)
            seen_[i] = true;
    }
}

std::vector<PppdProgress> PppdTranscript::line(std::string_view raw) {
    std::vector<PppdProgress> out;
    if (finished_)
        return out;
    const std::string_view s = trim(raw);
    if (s.empty())
        return out;
    if (!connected_)
        noteRuleLines(s);

    if (awaitingRemote_) {
        if (const auto remote = addressLine(s, "remote"); !remote.empty()) {
            serverIp_ = remote;
            flushConnected(out);
            return out;
        }
        flushConnected(out); // the link is up without a peer address; this line is something else
    }

    if (connected_) {
        if (s == "Connection terminated.")
            advance(dialstate::kDisconnected, out);
        return out;
    }
    if (s == "Serial port initialized." || isChatLine(s)) {
        advance(dialstate::kPortOpened, out);
        if (isDialCommand(s))
            advance(dialstate::kConnectDevice, out);
    } else if (s == "Serial connection established.") {
        advance(dialstate::kDeviceConnected, out);
    } else if (startsWith(s, "Using interface ")) {
        const auto w = words(s);
        if (w.size() == 3)
            interface_ = w[2];
        advance(dialstate::kAllDevicesConnected, out);
    } else if (startsWith(s, "Connect: ")) {
        // "Connect: ppp0 <--> /dev/ttyUSB0": LCP starts.
        if (const auto arrow = s.find("<--> "); arrow != std::string_view::npos)
            device_ = trim(s.substr(arrow + 5));
        advance(dialstate::kAuthenticate, out);
    } else if (isAuthenticated(s)) {
        advance(dialstate::kAuthenticated, out);
    } else if (const auto local = addressLine(s, "local"); !local.empty()) {
        clientIp_ = local;
        advance(dialstate::kProjected, out);
        awaitingRemote_ = true;
    } else if (const auto remote = addressLine(s, "remote"); !remote.empty()) {
        serverIp_ = remote; // never before the local line in practice; still means IPCP is up
        connected_ = true;
        advance(dialstate::kConnected, out);
    }
    return out;
}

std::vector<PppdProgress> PppdTranscript::quiet() {
    std::vector<PppdProgress> out;
    if (!finished_)
        flushConnected(out);
    return out;
}

int PppdTranscript::errorForExit(int exitStatus) const {
    for (std::size_t i = 0; i < kRules.size(); ++i) {
        const auto& r = kRules[i];
        if (r.exitStatus != kAny && r.exitStatus != exitStatus)
            continue;
        if (r.line.empty() || (i < seen_.size() && seen_[i]))
            return r.error;
    }
    // An end the table does not know, a clean exit among them, is never a success before the link came up. With
    // nothing learnt at all the port is the likeliest culprit.
    return rank_ <= rankOf(dialstate::kOpenPort) ? dialerror::kPortDisconnected : dialerror::kUnknown;
}

std::vector<PppdProgress> PppdTranscript::end(int error) {
    std::vector<PppdProgress> out;
    flushConnected(out);
    finished_ = true;
    if (connected_) {
        advance(dialstate::kDisconnected, out);
        return out;
    }
    finalError_ = error;
    out.push_back({state_, error});
    return out;
}

std::vector<PppdProgress> PppdTranscript::exited(int exitStatus) {
    if (finished_)
        return {};
    return end(errorForExit(exitStatus));
}

std::vector<PppdProgress> PppdTranscript::killed(int signal) {
    if (finished_)
        return {};
    const bool onRequest = signal == SIGTERM || signal == SIGINT || signal == SIGHUP || signal == SIGKILL;
    return end(onRequest ? dialerror::kUserDisconnection : dialerror::kPortDisconnected);
}

} // namespace qv::platform
