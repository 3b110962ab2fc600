#include "metering/PacketMeter.h"

#include "metering/MeteringTags.h"
#include "metering/PacketCounter.h"
#include "metering/TariffBand.h"
#include "shell/CallHook.h"
#include "shell/ShellNames.h"

namespace qv::metering {

/// Marks a capture start as running for as long as it runs, unless a discard ended its generation meanwhile.
struct PacketMeter::Running {
    PacketMeter& meter;
    const std::uint64_t generation;
    explicit Running(PacketMeter& m) : meter(m), generation(m.generation_) { ++meter.running_; }
    ~Running() {
        if (generation == meter.generation_)
            --meter.running_;
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
};

PacketMeter::PacketMeter(PacketMeterServices services) : s_(std::move(services)) {
    s_.timers.setHandler(13, [this] { StartCaptureTick(); });
}

PacketMeter::~PacketMeter() = default;

void PacketMeter::StartCaptureTick() {
    const Running running(*this);
    s_.logs.guarded(tags::kStartCaptureTick, [this] { startCapture(); });
}

void PacketMeter::startCapture() {
    s_.timers.timer(13).stop();
    if (captureActive_)
        return; // this connection's capture was started already
    captureActive_ = true;
    destroyCapture();
    if (!s_.captures)
        return;
    capture_ = s_.captures->create();
    if (capture_->error() == platform::CaptureError::Enumeration) {
        s_.dialogs.showMessage(capture_->errorText());
        return; // no adapters listed: none to capture on
    }
    const auto index = chooseAdapter(*capture_);
    if (!index)
        return; // no dial-up adapter: nothing is counted, and nothing said
    capture_->setAdapterIndex(*index);

    const std::uint64_t generation = generation_;
    for (int waited = 0; clientIp_.empty() && generation == generation_ && waited < kClientIpWaitMs;
         waited += kWaitStepMs)
        s_.loop.pumpWait(kWaitStepMs);
    if (generation != generation_)
        return; // the connection ended meanwhile, and its capture with it
    if (clientIp_.empty()) {
        destroyCapture(); // packets of no known address would never count
        return;
    }
    capture_->OnCaptureIP = [this](std::span<const platform::CapturedPacket> packets) { CountPacket(packets); };
    if (!capture_->Open() && capture_->error() == platform::CaptureError::NoPermission)
        reportNoPermissionOnce(capture_->errorText());
    // Other failures to open leave the connection unmetered without a word, like a missing adapter.
}

std::optional<int> PacketMeter::chooseAdapter(const platform::PacketCapture& capture) {
    const auto& names = capture.adapterNames();
    const auto& descriptions = capture.adapterDescriptions();
    const auto position = [&](auto matches) -> std::optional<int> {
        for (std::size_t i = 0; i < names.size(); ++i)
            if (matches(i))
                return static_cast<int>(i);
        return std::nullopt;
    };
    // With two dial-up links up, the first one listed may be the other one.
    if (const std::string own = shell::callHook(s_.connectionInterface); !own.empty())
        if (auto i = position([&](std::size_t k) { return names[k] == own; }))
            return i;
    if (auto i =
            position([&](std::size_t k) { return descriptions[k] == platform::InterfaceTable::kDialUpDescription; }))
        return i;
    // The interface table and the adapter list need not share an order: the row's interface is found by name.
    if (!s_.interfaces.read(rows_))
        return std::nullopt;
    for (const auto& row : rows_)
        if (row.speed == kDialUpBitsPerSecond)
            return position([&](std::size_t k) { return names[k] == row.name; });
    return std::nullopt;
}

void PacketMeter::CountPacket(std::span<const platform::CapturedPacket> packets) {
    s_.logs.guarded(tags::kCountPacket, [&] {
        // The packets of a hand-over are counted now, so they go to the band of now.
        const int band = TariffBandOf(s_.clock.now());
        CountPackets(packets, client_, band, s_.runningRecord ? s_.runningRecord() : nullptr, s_.counters);
    });
}

void PacketMeter::setClientIp(const std::string& ip) {
    clientIp_ = ip;
    client_ = dottedQuad(ip);
}

void PacketMeter::discardCapture() {
    ++generation_;
    running_ = 0;
    destroyCapture();
    captureActive_ = false;
}

void PacketMeter::destroyCapture() {
    if (!capture_)
        return;
    if (capture_->Active())
        capture_->Close();
    capture_.reset();
}

void PacketMeter::reportNoPermissionOnce(const std::string& libraryText) {
    if (noPermissionReported_)
        return;
    noPermissionReported_ = true;
    s_.main.setText(names::TForm1::Label9, kNoPermissionText);
    s_.logs.logError(std::string(kNoPermissionText) + " (" + libraryText + ")");
}

} // namespace qv::metering
