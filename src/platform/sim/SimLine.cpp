#include "platform/sim/SimLine.h"

#include "platform/DialTexts.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace qv::platform {

namespace {

std::string_view trim(std::string_view s) {
    constexpr std::string_view kSpace = " \t\r\n\f\v";
    const auto first = s.find_first_not_of(kSpace);
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(kSpace);
    return s.substr(first, last - first + 1);
}

/// A positive decimal number, the whole text; nothing otherwise.
std::optional<int> positiveNumber(std::string_view s) {
    int value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || value <= 0)
        return std::nullopt;
    return value;
}

// The delays between progress states (ms), about what a USB modem on the mobile network takes.
constexpr int kOpenPortMs = 200;
constexpr int kConnectDeviceMs = 300;
constexpr int kDeviceConnectedMs = 1200;
constexpr int kAllDevicesMs = 300;
constexpr int kAuthenticateMs = 200;
constexpr int kAuthenticatedMs = 400;
constexpr int kProjectedMs = 600;
constexpr int kConnectedMs = 300;
// A provider that does not answer: the LCP configure requests run out.
constexpr int kLcpTimeoutMs = 3000;

std::uint64_t mix(std::uint64_t x) {
    // splitmix64: a cheap, well-spread hash, so the traffic looks random yet is the same every run
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

/// A triangle wave over `period` seconds, 0…1000.
std::int64_t swing(std::uint64_t second, std::uint64_t period) {
    const std::uint64_t phase = second % period;
    const std::uint64_t half = period / 2;
    const std::uint64_t up = phase < half ? phase : period - phase;
    return static_cast<std::int64_t>(up * 1000 / half);
}

/// A decimal number of at most four digits, the whole text; nothing otherwise.
std::optional<int> smallNumber(std::string_view s) {
    int value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || value < 0 || value > 9999)
        return std::nullopt;
    return value;
}

} // namespace

SimLineControl SimLineControl::parse(std::string_view text) {
    SimLineControl c;
    while (!text.empty()) {
        const auto eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        if (const auto hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        const auto eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view key = trim(line.substr(0, eq));
        const std::string_view value = trim(line.substr(eq + 1));
        if (key == "fail") {
            if (auto n = positiveNumber(value))
                c.fail = *n;
        } else if (key == "drop_after") {
            if (auto n = positiveNumber(value))
                c.dropAfterSeconds = *n;
        } else if (key == "mail") {
            if (value == "0")
                c.mailMessages = 0;
            else if (auto n = positiveNumber(value))
                c.mailMessages = static_cast<std::uint32_t>(*n);
        } else if (key == "ping") {
            if (value == "silent")
                c.pingSilent = true;
            else if (value == "answer")
                c.pingSilent = false;
        } else if (key == "modem") {
            if (value == "answer")
                c.modem = Modem::Answer;
            else if (value == "silent")
                c.modem = Modem::Silent;
            else if (value == "off")
                c.modem = Modem::Off;
        } else if (key == "modem_signal") {
            if (auto n = smallNumber(value))
                c.modemSignal = *n;
        } else if (key == "modem_battery") {
            if (auto n = smallNumber(value))
                c.modemBattery = *n;
        }
    }
    return c;
}

/// The traffic of one connection: a rate per second that swings slowly with some noise, summed up to the moment
/// asked for. Time only moves forward, so the sum of the whole seconds is kept and extended.
class SimLine::Traffic {
public:
    Traffic(std::uint32_t seed, std::uint64_t startTick) : seed_(seed), startTick_(startTick) {}

    void at(std::uint64_t tick, std::uint64_t& in, std::uint64_t& out) {
        const std::uint64_t elapsed = tick > startTick_ ? tick - startTick_ : 0;
        const std::uint64_t second = elapsed / 1000;
        if (second < summedSeconds_) { // never with a real clock; start over rather than go back
            summedSeconds_ = 0;
            sumIn_ = sumOut_ = 0;
        }
        for (; summedSeconds_ < second; ++summedSeconds_) {
            sumIn_ += downRate(summedSeconds_);
            sumOut_ += upRate(summedSeconds_);
        }
        const std::uint64_t ms = elapsed % 1000;
        in = sumIn_ + downRate(second) * ms / 1000;
        out = sumOut_ + upRate(second) * ms / 1000;
    }

private:
    /// Deterministic noise in -amplitude…amplitude for one second of one direction.
    std::int64_t noise(std::uint64_t second, std::uint64_t salt, std::int64_t amplitude) const {
        const std::uint64_t r = mix((std::uint64_t{seed_} << 32) ^ (second * 2 + salt));
        return static_cast<std::int64_t>(r % static_cast<std::uint64_t>(2 * amplitude + 1)) - amplitude;
    }
    /// Bytes per second: 35–125 KB/s over four minutes, ±25 KB/s noise, kept within 20–150 KB/s.
    std::uint64_t downRate(std::uint64_t second) const {
        const std::int64_t base = 35'000 + swing(second + seed_ % 240, 240) * 90;
        const std::int64_t rate = base + noise(second, 0, 25'000);
        return static_cast<std::uint64_t>(std::clamp<std::int64_t>(rate, 20'000, 150'000));
    }
    /// Bytes per second: 3.5–11.5 KB/s over two and a half minutes, ±3 KB/s noise, kept within 2–15 KB/s.
    std::uint64_t upRate(std::uint64_t second) const {
        const std::int64_t base = 3'500 + swing(second + seed_ % 150 + 37, 150) * 8;
        const std::int64_t rate = base + noise(second, 1, 3'000);
        return static_cast<std::uint64_t>(std::clamp<std::int64_t>(rate, 2'000, 15'000));
    }

    std::uint32_t seed_;
    std::uint64_t startTick_;
    std::uint64_t summedSeconds_ = 0;
    std::uint64_t sumIn_ = 0;
    std::uint64_t sumOut_ = 0;
};

SimLine::SimLine(EventLoop& loop, FileSystem& fs, std::string appDir)
    : loop_(loop), fs_(fs), appDir_(std::move(appDir)) {
    if (!appDir_.empty() && appDir_.back() != '/')
        appDir_ += '/';
    stepTimer_ = loop_.createTimer(1, false, [this] { runStep(); });
    dropTimer_ = loop_.createTimer(1, false, [this] {
        dropTimer_->stop();
        if (phase_ == Phase::Connected) { // the provider ends it: the dial's last notification, and the listing
            leaveConnected();
            becomeIdle();
            notify(dialstate::kDisconnected, 0);
        }
    });
    hangUpTimer_ = loop_.createTimer(kHangUpMs, false, [this] {
        hangUpTimer_->stop();
        becomeIdle();
    });
}

SimLine::~SimLine() = default;

std::string SimLine::controlFilePath() const {
    return appDir_ + std::string(kControlFileName);
}

SimLineControl SimLine::readControl() {
    const auto text = fs_.readAll(controlFilePath());
    return text ? SimLineControl::parse(*text) : SimLineControl{};
}

std::vector<SimLine::Step> SimLine::planFor(int fail) {
    using namespace dialstate;
    std::vector<Step> plan{{0, kOpenPort, 0},
                           {kOpenPortMs, kPortOpened, 0},
                           {kConnectDeviceMs, kConnectDevice, 0},
                           {kDeviceConnectedMs, kDeviceConnected, 0},
                           {kAllDevicesMs, kAllDevicesConnected, 0},
                           {kAuthenticateMs, kAuthenticate, 0},
                           {kAuthenticatedMs, kAuthenticated, 0},
                           {kProjectedMs, kProjected, 0},
                           {kConnectedMs, kConnected, 0}};
    if (fail <= 0)
        return plan;
    // Each error comes where the real line meets it, carried by the last state reached.
    int failsAfter = kConnectDevice;
    int delay = kDeviceConnectedMs; // the modem answers the dial with the error
    if (fail == dialerror::kAuthenticationFailure) {
        failsAfter = kAuthenticate;
        delay = kAuthenticatedMs;
    } else if (fail == dialerror::kNoResponse) {
        failsAfter = kAuthenticate;
        delay = kLcpTimeoutMs;
    } else if (fail == dialerror::kNoProtocols) {
        failsAfter = kProjected;
        delay = kConnectedMs;
    }
    const auto at = std::find_if(plan.begin(), plan.end(), [&](const Step& s) { return s.state == failsAfter; });
    plan.erase(at + 1, plan.end());
    plan.push_back({delay, failsAfter, fail});
    return plan;
}

std::uint32_t SimLine::dial(const std::string& entryName) {
    if (phase_ != Phase::Idle)
        return 0;
    const SimLineControl control = readControl();
    plan_ = planFor(control.fail);
    nextStep_ = 0;
    dropAfterSeconds_ = control.dropAfterSeconds;
    // A fresh non-zero handle per connection, so a stale one is never taken for the current connection.
    ++serial_;
    handle_ = static_cast<std::uint32_t>(mix(serial_));
    if (handle_ == 0)
        handle_ = serial_;
    entryName_ = entryName;
    phase_ = Phase::Dialling;
    runStep();
    return handle_;
}

void SimLine::runStep() {
    stepTimer_->stop();
    if (phase_ != Phase::Dialling || nextStep_ >= plan_.size())
        return;
    const Step step = plan_[nextStep_++];
    progressState_ = step.state;
    if (step.error != 0)
        becomeIdle();
    else if (step.state == dialstate::kConnected)
        becomeConnected();
    else {
        stepTimer_->setInterval(plan_[nextStep_].delayMs);
        stepTimer_->start();
    }
    notify(step.state, step.error);
}

void SimLine::notify(int state, int error) {
    if (onProgress)
        onProgress(state, error);
}

void SimLine::becomeConnected() {
    phase_ = Phase::Connected;
    connectTick_ = loop_.tickCount();
    traffic_ = std::make_unique<Traffic>(handle_, connectTick_);
    if (dropAfterSeconds_ > 0) {
        dropTimer_->setInterval(std::min(dropAfterSeconds_, std::numeric_limits<int>::max() / 1000) * 1000);
        dropTimer_->start();
    }
}

void SimLine::leaveConnected() {
    // The connection's octets stay in the interface's counters.
    std::uint64_t in = 0, out = 0;
    counters(in, out);
    earlierIn_ = in;
    earlierOut_ = out;
    traffic_.reset();
    dropTimer_->stop();
}

void SimLine::becomeIdle() {
    stepTimer_->stop();
    dropTimer_->stop();
    hangUpTimer_->stop();
    phase_ = Phase::Idle;
    handle_ = 0;
    entryName_.clear();
    progressState_ = 0;
    plan_.clear();
}

bool SimLine::knows(std::uint32_t handle) const {
    return handle != 0 && phase_ != Phase::Idle && handle == handle_;
}

bool SimLine::hangUp(std::uint32_t handle) {
    if (!knows(handle))
        return false;
    if (stuck_ || phase_ == Phase::HangingUp)
        return true;
    if (phase_ == Phase::Connected)
        leaveConnected();
    stepTimer_->stop();
    phase_ = Phase::HangingUp;
    progressState_ = dialstate::kDisconnected;
    hangUpTimer_->start();
    return true;
}

std::optional<ActiveConnection> SimLine::connection() const {
    if (phase_ == Phase::Idle)
        return std::nullopt;
    ActiveConnection c;
    c.handle = handle_;
    c.state = progressState_;
    c.entryName = entryName_;
    c.deviceType = std::string(kDeviceType);
    c.deviceName = std::string(kDeviceName);
    return c;
}

bool SimLine::answersEcho() {
    return phase_ == Phase::Connected && !readControl().pingSilent;
}

void SimLine::counters(std::uint64_t& inOctets, std::uint64_t& outOctets) const {
    inOctets = earlierIn_;
    outOctets = earlierOut_;
    if (!traffic_)
        return;
    std::uint64_t in = 0, out = 0;
    traffic_->at(loop_.tickCount(), in, out);
    inOctets += in;
    outOctets += out;
}

std::optional<std::vector<ActiveConnection>> SimLine::listActive(int max) {
    std::vector<ActiveConnection> list;
    if (auto c = connection(); c && max > 0)
        list.push_back(*c);
    return list;
}

void SimLine::readAddresses(const ActiveConnection& connection, ConnectionDetails& details) {
    if (phase_ != Phase::Connected || connection.handle != handle_)
        return;
    details.clientIp = std::string(kClientIp);
    details.serverIp = std::string(kServerIp);
    details.interfaceName = std::string(kInterfaceName);
}

} // namespace qv::platform
