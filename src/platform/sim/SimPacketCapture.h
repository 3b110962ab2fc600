#pragma once

#include "common/EventLoop.h"
#include "platform/PacketCapture.h"
#include "platform/sim/SimLine.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace qv::platform {

/// Packet capture on the demo line. The adapters are the loopback and, while the line's connection is up, the
/// dial-up adapter (the line's interface, described "WAN (PPP/SLIP) Interface"). An open dial-up adapter turns
/// the line's traffic into IPv4 packets of at most kMtu bytes, from and to the line's client address, every
/// ReadTimeout milliseconds from a loop timer, as Linux cooked frames like ppp0's: their lengths add up to what
/// the interface counters show, less a few bytes still too few for a packet. Each time-out hands its packets over
/// as one batch. When the connection goes away the capture ends quietly, as a link's does. No thread: the packets
/// arrive from the loop on the UI thread. The line must outlive this object.
class SimPacketCapture final : public PacketCapture {
public:
    static constexpr std::uint32_t kMtu = 1500;
    static constexpr std::uint32_t kSmallestPacket = 40; ///< an IP header and a TCP header, nothing more
    static constexpr std::string_view kLoopbackName = "lo";

    SimPacketCapture(EventLoop& loop, const SimLine& line);
    ~SimPacketCapture() override;

    bool Open() override;
    void Close() override;

private:
    void onTick();
    /// Adds packets for the bytes of one direction not yet captured to the batch.
    void read(std::uint64_t total, std::uint64_t& captured, bool outgoing);

    EventLoop& loop_;
    const SimLine& line_;
    std::unique_ptr<Timer> timer_;
    std::uint32_t connection_ = 0; ///< the line's connection the open adapter belongs to; 0 for the loopback
    std::uint64_t capturedIn_ = 0; ///< interface octets already turned into packets
    std::uint64_t capturedOut_ = 0;
    std::array<std::uint8_t, 36> frame_{}; ///< cooked header and IP header of the packet being made
    std::vector<CapturedPacket> batch_;
};

class SimPacketCaptureFactory final : public PacketCaptureFactory {
public:
    SimPacketCaptureFactory(EventLoop& loop, const SimLine& line) : loop_(loop), line_(line) {}
    std::unique_ptr<PacketCapture> create() override;

private:
    EventLoop& loop_;
    const SimLine& line_;
};

} // namespace qv::platform
