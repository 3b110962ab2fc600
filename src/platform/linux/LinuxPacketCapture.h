#pragma once

#include "common/EventLoop.h"
#include "platform/PacketCapture.h"

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

struct pcap; // the library's handle (pcap_t)

namespace qv::platform {

/// Packet capture over libpcap: pcap_create/pcap_activate with the snap length, promiscuous flag and read
/// time-out of the fields, the filter compiled with the netmask of the adapter's first IPv4 address (all ones
/// without one). Frames are decoded by the adapter's link type: ppp0 gives Linux cooked frames, veth and lo
/// Ethernet, a plain tun raw IP; an adapter of another link type is switched to a decodable one when it offers
/// one, else not opened.
///
/// The capture thread reads with pcap_dispatch, which takes what the library has at hand in one call, and blocks
/// there (on Linux the read time-out only runs once packets flow), so Close wakes it with pcap_breakloop. At a hang-up
/// the kernel takes the link down under the capture and the read fails
/// ("The interface disappeared"): that ends the capture quietly, with no error. Needs CAP_NET_RAW (root, or
/// `setcap cap_net_raw,cap_net_admin+ep` on the program); without it Open fails with CaptureError::NoPermission.
class LinuxPacketCapture final : public PacketCapture {
public:
    /// Lists the adapters (pcap_findalldevs). A PPP interface is described as "WAN (PPP/SLIP) Interface"; the
    /// others keep the library's description, which on Linux is mostly empty.
    explicit LinuxPacketCapture(EventLoop& loop);
    ~LinuxPacketCapture() override;

    bool Open() override;
    void Close() override;

    /// Replays a capture file as if its packets came from an adapter, through the same filter, decoding and
    /// hand-overs, as fast as the file reads; the end of the file ends the capture quietly. For measuring and
    /// checking the capture path without a link.
    bool OpenSavefile(const std::string& path);

    /// The link type frames are decoded by while active (linktype::...); -1 otherwise.
    int linkType() const;

private:
    struct Session;

    /// Packets one read takes from a capture file at most (a live adapter's block is usually smaller).
    static constexpr int kPacketsPerRead = 512;

    void enumerate();
    bool start(pcap*, std::uint32_t netmask, std::string device, bool savefile);
    void takeWaiting(Session& session);
    void release();
    void onThreadEnded();

    EventLoop& loop_;
    std::shared_ptr<Session> session_; ///< while active: what the capture thread and the posted work share
    std::thread thread_;
    std::vector<CapturedPacket> spare_; ///< the last batch's buffer, given back to the capture thread
};

class LinuxPacketCaptureFactory final : public PacketCaptureFactory {
public:
    explicit LinuxPacketCaptureFactory(EventLoop& loop) : loop_(loop) {}
    std::unique_ptr<PacketCapture> create() override;

private:
    EventLoop& loop_;
};

} // namespace qv::platform
