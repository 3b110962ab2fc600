#pragma once

#include "common/EventLoop.h"
#include "platform/IcmpEcho.h"

#include <atomic>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

namespace qv::platform {

/// ICMP echo over a raw ICMP socket (root or CAP_NET_RAW, e.g. `setcap cap_net_raw+ep` on the program), else an
/// ICMP datagram socket (allowed where net.ipv4.ping_group_range holds the user's group). Without either every
/// request fails: 0 answers. A request naming an interface has its socket bound to it (SO_BINDTODEVICE), and
/// fails when that cannot be done. Each request runs on a thread of its own; the outcome is posted to the UI
/// thread.
class LinuxIcmpEcho final : public IcmpEcho {
public:
    /// The ping check's built-in test host; QUORVEX_PING_HOST, read by the caller, names another.
    static constexpr const char* kDefaultTestHost = "1.1.1.1";

    struct Options {
        bool rawSocket;
        bool datagramSocket;
    };

    explicit LinuxIcmpEcho(EventLoop& loop) : LinuxIcmpEcho(loop, Options{true, true}) {}
    LinuxIcmpEcho(EventLoop& loop, Options options);
    /// Wakes the requests still waiting and joins their threads; their outcomes are not reported.
    ~LinuxIcmpEcho() override;

    void send(const Request& request, Done done) override;

    /// One echo request on the calling thread: (answers, round trip ms). A readable `stopFd` ends the wait.
    static std::pair<int, int> echoOnce(const Request& request, Options options, int stopFd);

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };

    EventLoop& loop_;
    Options options_;
    int stopFd_ = -1;
    std::shared_ptr<bool> alive_; ///< UI thread only: outcomes posted after the destructor are dropped
    std::vector<Worker> workers_;
};

} // namespace qv::platform
