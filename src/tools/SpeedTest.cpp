#include "tools/SpeedTest.h"

#include "tools/SpeedTestNames.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace qv::tools {

namespace n = names::TForm9;
using platform::MessageButton;
using platform::MessageKind;

namespace {

std::string fixed2(double value, char separator) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", value);
    std::string s = buf;
    std::replace(s.begin(), s.end(), '.', separator);
    return s;
}

constexpr double kMsPerDay = 86'400'000.0;

} // namespace

SpeedTest::SpeedTest(SpeedTestServices services) : s_(std::move(services)), self_(std::make_shared<SpeedTest*>(this)) {
    s_.view.setEnabled(n::Button2, false);
}

SpeedTest::~SpeedTest() {
    *self_ = nullptr;
    stopTransfer();
}

SpeedFigures SpeedTest::figures(std::int64_t elapsedMs, char decimalSeparator) {
    // Milliseconds, not whole seconds: a fast line finishes within a second, and a part second matters.
    const double seconds = static_cast<double>(std::max<std::int64_t>(elapsedMs, 1)) / 1000.0;
    const double kbit = static_cast<double>(kFileSize) / seconds / 1000.0 * 8.0;
    const double kbyte = kbit / 8.0;
    return {std::to_string(std::lround(kbit)) + " Kbps (" + std::to_string(std::lround(kbyte)) + " KBps)",
            fixed2(kbyte * 60.0 / 1024.0, decimalSeparator) + " MB",
            fixed2(kbyte * 3600.0 / 1024.0, decimalSeparator) + " MB"};
}

std::string SpeedTest::url() const {
    // The password is e-mail shaped: its '@' must not end the user part of the address.
    std::string password;
    for (const char c : s_.server.password)
        password += c == '@' ? std::string("%40") : std::string(1, c);
    // ";type=i": binary. libcurl's FTP is passive unless told otherwise.
    return "ftp://anonymous:" + password + "@" + s_.server.ftpHost + SpeedTestServer::kDirectory + "/" +
           SpeedTestServer::kFile + ";type=i";
}

void SpeedTest::setProgress(int position, int maximum) {
    s_.view.setText(n::ProgressBar1, std::to_string(maximum));
    s_.view.setIndex(n::ProgressBar1, position);
}

void SpeedTest::clearResults() {
    for (const auto& w : {n::Label2, n::Label3, n::Label7, n::Label8})
        s_.view.setText(w, "");
}

void SpeedTest::Shown() {
    clearResults();
    s_.view.setIndex(n::ProgressBar1, 0);
}

void SpeedTest::RunSpeedTest() {
    if (!s_.state.isConnected) {
        s_.dialogs.showMessageBox(kOffline, MessageKind::Information, MessageButton::Ok);
        return;
    }
    if (phase_ != Phase::Idle)
        return;
    aborted_ = false;
    s_.view.setEnabled(n::Button1, false);
    s_.view.setEnabled(n::Button2, true);
    setProgress(0, static_cast<int>(kFileSize));
    phase_ = Phase::Downloading;
    abort_ = std::make_shared<std::atomic<bool>>(false);
    t0_ = s_.clock.now();
    auto self = std::weak_ptr<SpeedTest*>(self_);
    platform::DownloadRequest request{
        .url = url(),
        .path = tempFile(),
        .timeoutMs = kTimeoutMs,
        .progress = [abort = abort_, self, &loop = s_.loop](std::uint64_t received, std::uint64_t) {
            if (abort->load())
                return false;
            if (received >= 1)
                loop.post([self, abort, received] {
                    if (auto alive = self.lock(); alive && *alive && !abort->load())
                        (*alive)->s_.view.setIndex(n::ProgressBar1,
                                                   static_cast<int>(std::min<std::uint64_t>(received, kFileSize)));
                });
            return true;
        }};
    s_.workers.start([request = std::move(request), downloader = s_.downloader, abort = abort_, self, &loop = s_.loop] {
        const bool ok = downloader && downloader->download(request);
        loop.post([self, abort, ok] {
            if (auto alive = self.lock(); alive && *alive && !abort->load())
                (*alive)->downloaded(ok);
        });
    });
}

void SpeedTest::downloaded(bool ok) {
    const double t1 = s_.clock.now();
    abort_.reset();
    if (!ok) {
        // A failed transfer gives no figures and no pings.
        phase_ = Phase::Idle;
        s_.fs.remove(tempFile());
        s_.dialogs.showMessageBox(kFailed, MessageKind::Error, MessageButton::Ok);
        s_.view.setEnabled(n::Button1, true);
        s_.view.setEnabled(n::Button2, false);
        return;
    }
    const auto elapsedMs = static_cast<std::int64_t>(std::llround((t1 - t0_) * kMsPerDay));
    const SpeedFigures f = figures(elapsedMs, s_.locale.decimalSeparator);
    s_.view.setText(n::Label2, f.download);
    s_.view.setText(n::Label7, f.perMinute);
    s_.view.setText(n::Label8, f.perHour);
    if (s_.fs.exists(tempFile()))
        s_.fs.remove(tempFile());
    setProgress(0, 100);
    phase_ = Phase::Pinging;
    pingPosition_ = 1;
    nextPing();
}

void SpeedTest::nextPing() {
    if (pingPosition_ > kPings) {
        if (aborted_ || !s_.state.isConnected) {
            phase_ = Phase::Idle;
            pingPosition_ = 0;
            return;
        }
        int sum = 0;
        for (int i = 1; i <= kPings; ++i)
            sum += replies_[static_cast<std::size_t>(i)];
        s_.view.setText(n::Label3, std::to_string(sum / kPings) + " ms");
        phase_ = Phase::Idle;
        pingPosition_ = 0;
        s_.view.setEnabled(n::Button1, true);
        s_.view.setEnabled(n::Button2, false);
        return;
    }
    if (!s_.state.isConnected || aborted_) {
        // Ended by "Storno", which has set the buttons already, or by the line going down.
        phase_ = Phase::Idle;
        pingPosition_ = 0;
        if (!aborted_) {
            s_.view.setEnabled(n::Button1, true);
            s_.view.setEnabled(n::Button2, false);
        }
        return;
    }
    platform::IcmpEcho::Request request{
        .host = s_.server.pingAddress, .dataBytes = 56, .ttl = 64, .timeoutMs = 4000, .interfaceName = ""};
    s_.echo.send(request, [self = std::weak_ptr<SpeedTest*>(self_)](int answers, int roundTripMs) {
        auto alive = self.lock();
        if (!alive || !*alive)
            return;
        SpeedTest& t = **alive;
        if (t.phase_ != Phase::Pinging)
            return;
        if (answers != 0 && t.pingPosition_ >= 1 && t.pingPosition_ <= kPings)
            t.replies_[static_cast<std::size_t>(t.pingPosition_)] = static_cast<std::uint16_t>(roundTripMs);
        if (t.pingPosition_ <= kPings && !t.aborted_)
            t.s_.view.setIndex(n::ProgressBar1, t.pingPosition_ * 20);
        ++t.pingPosition_;
        t.nextPing();
    });
}

void SpeedTest::stopTransfer() {
    if (abort_)
        abort_->store(true);
    abort_.reset();
}

void SpeedTest::CancelSpeedTest() {
    aborted_ = true;
    stopTransfer();
    if (phase_ == Phase::Downloading)
        phase_ = Phase::Idle;
    if (pingPosition_ != 0)
        pingPosition_ = kPings + 1; // the series ends after the ping under way
    clearResults();
    s_.view.setIndex(n::ProgressBar1, 0);
    s_.view.setEnabled(n::Button2, false);
    s_.view.setEnabled(n::Button1, true);
}

void SpeedTest::CloseRequested() {
    aborted_ = true;
    stopTransfer();
    if (phase_ == Phase::Downloading)
        phase_ = Phase::Idle;
    if (pingPosition_ != 0)
        pingPosition_ = kPings + 1;
    if (s_.fs.exists(tempFile()))
        s_.fs.remove(tempFile());
    clearResults();
    // The window opens again as new: nothing running, only the start button enabled.
    s_.view.setIndex(n::ProgressBar1, 0);
    s_.view.setEnabled(n::Button1, true);
    s_.view.setEnabled(n::Button2, false);
}

} // namespace qv::tools
