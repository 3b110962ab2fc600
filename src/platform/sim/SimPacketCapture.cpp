#include "platform/sim/SimPacketCapture.h"

#include "platform/InterfaceTable.h"

#include <algorithm>
#include <charconv>

namespace qv::platform {

namespace {

constexpr std::size_t kCookedHeader = 16;
constexpr std::uint16_t kCookedIncoming = 0;
constexpr std::uint16_t kCookedOutgoing = 4;
constexpr std::uint16_t kHardwarePpp = 0x0200;
constexpr std::uint8_t kTcp = 6;

/// A dotted address of the line's constants as four bytes, most significant first.
std::array<std::uint8_t, 4> bytesOf(std::string_view dotted) {
    std::array<std::uint8_t, 4> out{};
    const char* p = dotted.data();
    const char* end = p + dotted.size();
    for (auto& b : out) {
        std::from_chars(p, end, b);
        p = std::find(p, end, '.');
        if (p != end)
            ++p;
    }
    return out;
}

void put16(std::uint8_t* at, std::uint16_t v) {
    at[0] = static_cast<std::uint8_t>(v >> 8);
    at[1] = static_cast<std::uint8_t>(v);
}

} // namespace

SimPacketCapture::SimPacketCapture(EventLoop& loop, const SimLine& line) : loop_(loop), line_(line) {
    std::vector<std::string> names{std::string(kLoopbackName)};
    std::vector<std::string> descriptions{""};
    if (line_.phase() == SimLine::Phase::Connected) {
        names.push_back(line_.interfaceName());
        descriptions.emplace_back(InterfaceTable::kDialUpDescription);
    }
    setAdapters(std::move(names), std::move(descriptions));
    timer_ = loop_.createTimer(kDefaultReadTimeoutMs, false, [this] { onTick(); });

    // What every packet shares: the cooked header of a PPP link, and an IPv4 header of 20 bytes.
    put16(&frame_[2], kHardwarePpp);
    put16(&frame_[14], ethertype::kIpv4);
    std::uint8_t* ip = &frame_[kCookedHeader];
    ip[0] = 0x45;
    ip[8] = 64;
    ip[9] = kTcp;
}

SimPacketCapture::~SimPacketCapture() {
    Close();
}

bool SimPacketCapture::Open() {
    if (Active()) {
        setError(CaptureError::AlreadyOpen, kAlreadyOpenText);
        return false;
    }
    const bool loopback = AdapterName() == kLoopbackName;
    const bool dialUp = line_.phase() == SimLine::Phase::Connected && AdapterName() == line_.interfaceName();
    if (!loopback && !dialUp) {
        setError(CaptureError::InvalidAdapterName, kInvalidAdapterNameText);
        return false;
    }
    connection_ = dialUp ? line_.handle() : 0;
    line_.counters(capturedIn_, capturedOut_); // what moved before the opening is not captured
    setActive(true);
    timer_->setInterval(std::max(ReadTimeout, 1));
    timer_->start();
    return true;
}

void SimPacketCapture::Close() {
    timer_->stop();
    setActive(false);
}

void SimPacketCapture::onTick() {
    if (connection_ == 0)
        return; // nothing travels on the loopback
    if (line_.phase() != SimLine::Phase::Connected || line_.handle() != connection_) {
        Close(); // the link and its interface are gone: the capture ends without an error
        return;
    }
    std::uint64_t in = 0, out = 0;
    line_.counters(in, out);
    batch_.clear();
    read(in, capturedIn_, false);
    read(out, capturedOut_, true);
    handOver(batch_);
}

void SimPacketCapture::read(std::uint64_t total, std::uint64_t& captured, bool outgoing) {
    static const auto client = bytesOf(SimLine::kClientIp);
    static const auto server = bytesOf(SimLine::kServerIp);
    put16(&frame_[0], outgoing ? kCookedOutgoing : kCookedIncoming);
    std::uint8_t* ip = &frame_[kCookedHeader];
    std::copy(client.begin(), client.end(), ip + (outgoing ? 12 : 16));
    std::copy(server.begin(), server.end(), ip + (outgoing ? 16 : 12));
    const std::uint64_t tick = loop_.tickCount();
    CaptureHeader header;
    header.seconds = static_cast<std::int64_t>(tick / 1000);
    header.microseconds = static_cast<std::int32_t>(tick % 1000 * 1000);
    header.capturedBytes = static_cast<std::uint32_t>(frame_.size());
    while (total - captured >= kSmallestPacket) {
        const auto length = static_cast<std::uint16_t>(std::min<std::uint64_t>(total - captured, kMtu));
        put16(ip + 2, length);
        header.wireBytes = static_cast<std::uint32_t>(kCookedHeader) + length;
        captured += length;
        // Through the decoder, as a real adapter's frames go.
        appendPacket(batch_, header, linktype::kLinuxSll, frame_);
    }
}

std::unique_ptr<PacketCapture> SimPacketCaptureFactory::create() {
    return std::make_unique<SimPacketCapture>(loop_, line_);
}

} // namespace qv::platform
