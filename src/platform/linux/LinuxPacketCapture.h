#pragma once

#include "common/EventLoop.h"
#include "platform/PacketCapture.h"

#include <memory>
#include <thread>

struct pcap; // the library's handle (pcap_t)

namespace qv::platform {

/// Packet capture over libpcap: pcap_create/pcap_activate with the snap length, promiscuous flag and read
/// time-out of the fields, the filter compiled with the netmask of the adapter's first IPv4 address (all ones
/// without one). Frames are decoded by the adapter's link type: ppp0 gives Linux cooked frames, veth and lo
/// Ethernet, a plain tun raw IP; an adapter of another link type is switched to a decodable one when it offers
/// one, else not opened.
///
/// The capture thread blocks in pcap_next_ex (on Linux the read time-out only runs once packets flow), so Close
/// wakes it with pcap_breakloop. At a hang-up the kernel takes the link down under the capture and the read fails
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

    /// The link type frames are decoded by while active (linktype::...); -1 otherwise.
    int linkType() const;

private:
    struct Session;

    void enumerate();
    void release();
    void onThreadEnded();

    EventLoop& loop_;
    std::shared_ptr<Session> session_; ///< while active: what the capture thread and the posted work share
    std::thread thread_;
};

class LinuxPacketCaptureFactory final : public PacketCaptureFactory {
public:
    explicit LinuxPacketCaptureFactory(EventLoop& loop) : loop_(loop) {}
    std::unique_ptr<PacketCapture> create() override;

private:
    EventLoop& loop_;
};

} // namespace qv::platform
