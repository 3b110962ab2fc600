#pragma once

#include "platform/InterfaceTable.h"
#include "platform/PacketCapture.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qv::test {

class FakePacketCaptureFactory;

/// A capture the test feeds: it lists the factory's adapters, opens as the factory says, and hands over the packets
/// the test gives it, as one batch, when the test says.
class FakePacketCapture final : public platform::PacketCapture {
public:
    explicit FakePacketCapture(FakePacketCaptureFactory& factory);
    ~FakePacketCapture() override;

    bool Open() override;
    void Close() override { setActive(false); }

    /// One hand-over, as the capture thread's would reach the UI thread (nothing while not active).
    void deliver(const std::vector<platform::CapturedPacket>& batch) {
        if (Active())
            handOver(batch);
    }

private:
    FakePacketCaptureFactory& factory_;
};

class FakePacketCaptureFactory final : public platform::PacketCaptureFactory {
public:
    std::vector<std::string> names{"lo", "ppp0"};
    std::vector<std::string> descriptions{"", platform::InterfaceTable::kDialUpDescription};
    std::string enumerationError;                                              ///< when set, the lists are empty
    std::optional<std::pair<platform::CaptureError, std::string>> openFailure; ///< what Open says instead
    int created = 0;
    std::vector<std::string> opened;   ///< the adapter name of each successful Open
    FakePacketCapture* live = nullptr; ///< the capture made last, while it exists

    std::unique_ptr<platform::PacketCapture> create() override {
        ++created;
        auto capture = std::make_unique<FakePacketCapture>(*this);
        live = capture.get();
        return capture;
    }
    /// Hands a batch to the live capture; false when there is none or it is not active.
    bool deliver(const std::vector<platform::CapturedPacket>& batch) {
        if (!live || !live->Active())
            return false;
        live->deliver(batch);
        return true;
    }
};

inline FakePacketCapture::FakePacketCapture(FakePacketCaptureFactory& factory) : factory_(factory) {
    if (!factory.enumerationError.empty())
        setError(platform::CaptureError::Enumeration, factory.enumerationError);
    else
        setAdapters(factory.names, factory.descriptions);
}

inline FakePacketCapture::~FakePacketCapture() {
    if (factory_.live == this)
        factory_.live = nullptr;
}

inline bool FakePacketCapture::Open() {
    if (Active()) {
        setError(platform::CaptureError::AlreadyOpen, kAlreadyOpenText);
        return false;
    }
    if (AdapterIndex() < 0) {
        setError(platform::CaptureError::InvalidAdapterName, kInvalidAdapterNameText);
        return false;
    }
    if (factory_.openFailure) {
        setError(factory_.openFailure->first, factory_.openFailure->second);
        return false;
    }
    factory_.opened.push_back(AdapterName());
    setActive(true);
    return true;
}

/// An IPv4 packet of `length` bytes from `source` to `destination`, as a capture hands it over.
inline platform::CapturedPacket ipv4Packet(std::uint32_t source, std::uint32_t destination, std::uint16_t length) {
    platform::CapturedPacket p;
    p.linkType = platform::linktype::kLinuxSll;
    p.decoded.etherType = platform::ethertype::kIpv4;
    p.decoded.networkOffset = 16;
    p.decoded.ipv4 = platform::Ipv4Header{source, destination, length};
    return p;
}

} // namespace qv::test
