#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace qv::platform {

/// What a running pppd says, delivered on a reader thread of its own, in order; `ended` comes once and last.
struct PppdOutput {
    /// One line of stdout or stderr, without its end. Returns true to be told of a silence that follows it.
    std::function<bool(std::string_view line)> line;
    /// No output for a while after a line that asked for it.
    std::function<void()> quiet;
    /// The process has ended (and was reaped): its exit status, or the signal that killed it (exitStatus -1).
    std::function<void(int exitStatus, int signal)> ended;
};

/// A started pppd. Destroying it stops the reading (waking the reader thread and joining it) but leaves pppd
/// running: a connection outlives the program that made it.
class PppdProcess {
public:
    virtual ~PppdProcess() = default;
    virtual int pid() const = 0;
    /// Sends a signal unless the process has already been reaped. False when it cannot be sent.
    virtual bool signal(int signal) = 0;
};

/// Starts `pppd call ENTRY nodetach file /dev/fd/N`, where descriptor N holds `secretOptions` (never the command
/// line, never a file on disk). Also signals pppd processes the adapter did not start.
class PppdLauncher {
public:
    virtual ~PppdLauncher() = default;
    /// The started process, or nothing with `errorCode` (errno) and `errorText` (the system's text) set.
    virtual std::unique_ptr<PppdProcess> start(const std::string& entry, const std::string& secretOptions,
                                               PppdOutput output, int& errorCode, std::string& errorText) = 0;
    /// kill(pid, signal): 0, or errno.
    virtual int signalPid(int pid, int signal) = 0;
};

/// The real launcher: posix_spawn of the pppd executable, stdout and stderr on one pipe read by a thread.
class PosixPppdLauncher final : public PppdLauncher {
public:
    explicit PosixPppdLauncher(std::string pppdPath) : pppdPath_(std::move(pppdPath)) {}
    std::unique_ptr<PppdProcess> start(const std::string& entry, const std::string& secretOptions, PppdOutput output,
                                       int& errorCode, std::string& errorText) override;
    int signalPid(int pid, int signal) override;
    const std::string& pppdPath() const { return pppdPath_; }

    /// How long a silence must last before PppdOutput::quiet is called.
    static constexpr int kQuietMs = 500;

private:
    std::string pppdPath_;
};

} // namespace qv::platform
