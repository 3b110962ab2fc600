#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qv::lab {

/// The provider lab: a network namespace that plays the provider (10.231.1.1 on its loopback), a stand-in pppd
/// that links it to this process, and a scratch directory with the peers directory, pppd's run directory, the
/// secrets and an application directory.
///
/// The test process itself first moves into a network and mount namespace of its own (once per process), with
/// /sys mounted afresh for it: ppp0, its routes and its pings then exist for this process only, so parallel lab
/// runs, other tests and the machine's own network never see each other, and the link cannot outlive the
/// process. The provider namespace is named qvlab-PID-N; one left by a crashed run is removed at the next start.
/// Everything else is undone by the destructor, and by SIGINT/SIGTERM.
class Lab {
public:
    static constexpr const char* kClientIp = "10.231.0.2";
    static constexpr const char* kServerIp = "10.231.0.1";
    static constexpr const char* kProviderHost = "10.231.1.1";

    /// Empty when the lab can run here; else why not, for the skip message.
    static std::string unavailableReason();
    /// Builds the lab with the stand-in pppd and the real devcon into `lab`; the reason to skip when this machine
    /// cannot have one, else empty (then lab->error() says whether the build failed).
    static std::string start(std::unique_ptr<Lab>& lab);
    /// Moves the calling thread into the network namespace `netns` (a namespace belongs to a thread); false when
    /// it cannot.
    static bool enterNetns(const std::string& netns);
    /// A TCP socket listening on the provider host's `port`, made from inside `netns` by the calling thread
    /// (which stays there); -1 when it cannot be had.
    static int listenOnProvider(const std::string& netns, int port);

    /// Builds the lab and points the environment (QUORVEX_PPPD, QUORVEX_PPP_PEERS, QUORVEX_PPP_RUNDIR,
    /// XDG_CONFIG_HOME, QUORVEX_SYSFS_USB and the stand-in's own variables) at it. Call it before any thread
    /// starts. When it fails, error() says why and nothing is left behind; refused() tells a machine that does
    /// not allow namespaces from a broken lab.
    Lab(std::string pppdPath, std::string devconPath);
    ~Lab();
    Lab(const Lab&) = delete;
    Lab& operator=(const Lab&) = delete;

    const std::string& error() const { return error_; }
    bool refused() const { return refused_; }

    const std::string& dir() const { return dir_; }
    const std::string& netns() const { return netns_; }
    std::string peersDir() const { return dir_ + "/peers"; }
    std::string runDir() const { return dir_ + "/run"; }
    /// With Data/, Statistiky/ and Util/devcon (the real tool, over an empty USB device tree).
    std::string appDir() const { return dir_ + "/app/"; }

    /// What the stand-in pppd does at each dial of `entry`, in order; the last step repeats. Steps: "ok",
    /// "refuse-login", "lcp-timeout", "drop-after SECONDS".
    void plan(const std::string& entry, const std::vector<std::string>& steps);

    /// One run of the stand-in pppd, from its events log.
    struct PppdRun {
        int pid = 0;
        int dial = 0;
        std::string entry;
        std::string step;
        std::string secrets; ///< "fd": the password came in the options on a descriptor
        std::optional<int> exitStatus;
        int redials = 0; ///< links it brought up again by itself (`persist`)
    };
    std::vector<PppdRun> runs() const;

    /// The provider answers pings or ignores them (net.ipv4.icmp_echo_ignore_all in its namespace).
    bool setProviderAnswersPings(bool answer);
    /// The modem of every running stand-in hangs up (SIGUSR2). False when none runs.
    bool modemHangsUp();
    /// The link of every running stand-in stops carrying packets but stays up (SIGUSR1). False when none runs.
    bool linkGoesDead();
    /// A second way to the provider host beside the dial-up link, as a LAN with its own route would be: a veth
    /// pair into the provider namespace (10.231.2.2 here, 10.231.2.1 there) and a host route to kProviderHost
    /// through it, more specific than the link's. Empty when done, else why not.
    std::string addRouteBesideTheLink();
    /// Ends every stand-in pppd still running (SIGTERM, then SIGKILL) and reaps it.
    void stopStandIns();

    static bool interfaceExists(const std::string& name);
    /// /sys/class/net/NAME/type: 512 for a PPP link; -1 when there is no such interface.
    static int linkType(const std::string& name);

private:
    bool setUp(const std::string& pppdPath, const std::string& devconPath);
    /// Sends `signal` to every stand-in this process started that still runs; how many there were.
    int signalStandIns(int signal);
    void tearDown();

    std::string error_;
    bool refused_ = false;
    std::string dir_;
    std::string netns_;
    bool netnsMade_ = false;
    bool lanMade_ = false;
};

} // namespace qv::lab
