#pragma once

#include "common/EventLoop.h"
#include "platform/DialUpAdapter.h"
#include "platform/PollingConnectionMonitor.h"
#include "platform/ProcessEnvironment.h"
#include "platform/linux/PppdEntryStore.h"
#include "platform/linux/PppdLauncher.h"

#include <memory>
#include <string>
#include <vector>

namespace qv::platform {

/// Where the Linux dialler finds its pieces, from the environment:
/// - peersDir: QUORVEX_PPP_PEERS, else /etc/ppp/peers
/// - secretsPath: $XDG_CONFIG_HOME/quorvex/secrets, else $HOME/.config/quorvex/secrets
/// - pppdPath: QUORVEX_PPPD, else pppd on PATH, else /usr/sbin/pppd or /sbin/pppd (a normal user's PATH often
///   lacks the sbin directories)
/// - runDir: QUORVEX_PPP_RUNDIR, else /run (pppd's pid files)
struct LinuxDialPaths {
    std::string peersDir;
    std::string secretsPath;
    std::string pppdPath;
    std::string runDir;

    static LinuxDialPaths fromEnvironment(const ProcessEnvironment& env);
};

/// The dialler over pppd. An entry is a peer file; Dial runs `pppd call ENTRY nodetach` through the launcher and
/// turns its output into progress notifications (PppdTranscript) on the UI thread; a connection handle is the
/// pid of its pppd. Active connections come from the connection source the monitor uses too.
///
/// HangUp sends SIGTERM and waits, pumping the event loop in 50 ms steps, until pppd has ended and its interface
/// is gone; after kHangUpBoundMs it sends SIGKILL and returns dialerror::kHangUpTimedOut. pppd closes LCP, runs
/// ip-down and exits within a few seconds (its terminate-request retries take 3 s each), so 10 s leaves room.
/// Once a dial is hung up, its remaining notifications are not reported.
class LinuxDialUpAdapter final : public DialUpAdapter {
public:
    static constexpr int kHangUpBoundMs = 10000;
    static constexpr int kHangUpStepMs = 50;

    LinuxDialUpAdapter(EventLoop& loop, PppdLauncher& launcher, ActiveConnectionSource& connections,
                       std::string peersDir, std::string secretsPath);
    ~LinuxDialUpAdapter() override;

    int GetEntries() override;
    int Dial() override;
    int HangUp(std::uint32_t handle) override;
    int GetActiveConnections() override;
    std::uint32_t connectionHandle() const override { return handle_; }
    int ReadEntry(EntryDefinition& out) override;
    int CreateEntry(const EntryDefinition& entry) override;
    int EditEntry(const EntryDefinition& entry) override;
    int DeleteEntry() override;
    int GetUserName(std::string& out) override;
    int GetPassword(std::string& out) override;
    int SetUserName(const std::string& userName) override;
    int SetPassword(const std::string& password) override;

    /// The options pppd reads from the inherited descriptor: user name and password, quoted for pppd.
    static std::string secretOptions(const std::string& userName, const std::string& password);

private:
    struct Session;

    void deliver(Session& session, int state, int error);
    void prune();
    bool gone(const Session* own, std::uint32_t handle, const std::string& interfaceName);
    Session* sessionOf(std::uint32_t handle);

    EventLoop& loop_;
    PppdLauncher& launcher_;
    ActiveConnectionSource& connections_;
    PppdEntryStore store_;
    std::uint32_t handle_ = 0;
    std::vector<std::shared_ptr<Session>> sessions_; ///< dials whose pppd has not yet been seen to end
};

} // namespace qv::platform
