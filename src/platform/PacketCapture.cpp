#include "platform/PacketCapture.h"

namespace qv::platform {

void PacketCapture::setAdapters(std::vector<std::string> names, std::vector<std::string> descriptions) {
    descriptions.resize(names.size());
    names_ = std::move(names);
    descriptions_ = std::move(descriptions);
}

void PacketCapture::setAdapterIndex(int index) {
    if (index >= 0 && static_cast<std::size_t>(index) < names_.size()) {
        adapterIndex_ = index;
        adapterName_ = names_[static_cast<std::size_t>(index)];
        adapterDescription_ = descriptions_[static_cast<std::size_t>(index)];
    } else {
        adapterIndex_ = -1;
        adapterName_.clear();
        adapterDescription_.clear();
    }
}

void PacketCapture::setError(CaptureError error, std::string text) {
    error_ = error;
    errorText_ = std::move(text);
}

bool PacketCapture::appendPacket(std::vector<CapturedPacket>& out, const CaptureHeader& header, int linkType,
                                 std::span<const std::uint8_t> frame) {
    const auto decoded = decodeFrame(linkType, frame);
    // A frame that says IPv4 but was cut inside its IP header has nothing to count.
    if (!decoded || decoded->etherType != ethertype::kIpv4 || !decoded->ipv4)
        return false;
    // Filled in place: at full speed the capture thread does little else per packet.
    CapturedPacket& p = out.emplace_back();
    p.header = header;
    p.linkType = linkType;
    p.decoded = *decoded;
    return true;
}

void PacketCapture::handOver(std::span<const CapturedPacket> packets) {
    if (!packets.empty() && OnCaptureIP)
        OnCaptureIP(packets);
}

} // namespace qv::platform
