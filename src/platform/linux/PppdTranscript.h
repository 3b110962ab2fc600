#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv::platform {

/// One dial progress notification: a state code and 0 or an error code.
struct PppdProgress {
    int state = 0;
    int error = 0;
    bool operator==(const PppdProgress&) const = default;
};

/// One row of the table that turns the end of a pppd run into a dial error code: pppd's exit status (or any) and a
/// line it printed before (or none). The first matching row wins.
struct PppdErrorRule {
    static constexpr int kAnyExit = -1;
    int exitStatus;
    std::string_view line; ///< text found in one line printed before the exit; empty = the exit status alone
    int error;
    bool afterDial = false; ///< the line only counts when it came after the dial command was sent
};

/// The rules as built, for the notes and for tests.
std::span<const PppdErrorRule> pppdErrorRules();

/// Reads what `pppd call ENTRY nodetach` prints (stdout and stderr, line by line) and its end, and turns them into
/// the dial progress notifications. Pure: no clock, no I/O, no threads; one instance per pppd run.
class PppdTranscript final {
public:
    /// pppd has been started: the first notification (OpenPort).
    std::vector<PppdProgress> started();
    /// One line of output, without its line end. Unknown lines give nothing.
    std::vector<PppdProgress> line(std::string_view text);
    /// No output for a while. The remote address line is printed right after the local one when the peer has an
    /// address at all, so a silence after the local line means the link is up without one.
    std::vector<PppdProgress> quiet();
    /// pppd ended with this exit status.
    std::vector<PppdProgress> exited(int exitStatus);
    /// pppd was killed by a signal it did not handle.
    std::vector<PppdProgress> killed(int signal);

    /// True between the local address line and whatever comes next: a silence now means connected.
    bool awaitingRemote() const { return awaitingRemote_; }
    bool connected() const { return connected_; }
    bool finished() const { return finished_; }
    /// The state reached so far (the last one reported).
    int state() const { return state_; }
    /// The error the run ended with (0 while running, and after a connection that came up).
    int finalError() const { return finalError_; }
    const std::string& interfaceName() const { return interface_; }
    const std::string& deviceName() const { return device_; }
    const std::string& clientIp() const { return clientIp_; }
    const std::string& serverIp() const { return serverIp_; }

private:
    void advance(int state, std::vector<PppdProgress>& out);
    void flushConnected(std::vector<PppdProgress>& out);
    void noteRuleLines(std::string_view text);
    std::vector<PppdProgress> end(int error);
    int errorForExit(int exitStatus) const;

    int state_ = 0;
    int rank_ = -1;
    bool awaitingRemote_ = false;
    bool connected_ = false;
    bool finished_ = false;
    int finalError_ = 0;
    std::string interface_;
    std::string device_;
    std::string clientIp_;
    std::string serverIp_;
    std::vector<bool> seen_; ///< per rule: its line was printed (and, for afterDial rules, after the dial command)
};

} // namespace qv::platform
