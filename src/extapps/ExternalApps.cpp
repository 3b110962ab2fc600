#include "extapps/ExternalApps.h"

#include "common/Formats.h"
#include "extapps/ExternalAppCodec.h"

#include <cstdint>
#include <stdexcept>

namespace qv::extapps {

namespace {

std::string upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

} // namespace

std::string programName(const std::string& path) {
    const auto cut = path.find_last_of("/\\:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string programDirectory(const std::string& path) {
    const auto cut = path.find_last_of("/\\");
    if (cut == std::string::npos)
        return {};
    return cut == 0 ? path.substr(0, 1) : path.substr(0, cut);
}

std::string shortProgramName(const std::string& path) {
    const std::string name = programName(path);
    const auto dot = name.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    return upper(name.substr(0, 6) + "~1" + extension);
}

ExternalApps::ExternalApps(ExternalAppServices services) : s_(std::move(services)) {}

void ExternalApps::LoadExternalApps() {
    if (!s_.fs.exists(s_.rulesFile))
        return;
    const auto bytes = s_.fs.readAll(s_.rulesFile);
    if (!bytes)
        throw std::runtime_error("external application rules unreadable");
    rules_ = decodeRules(*bytes);
    // The run-time flags start cleared whatever the file holds.
    for (auto& r : rules_) {
        r.started = r.stoppedBeforeDownloadDrop = r.stoppedBeforeTimeLimit = r.stoppedBeforeDataLimit = false;
        r.startedAt = r.stoppedAt = false;
    }
}

void ExternalApps::ResetExternalAppFlags() {
    if (!s_.fs.exists(s_.rulesFile))
        return;
    for (auto& r : rules_)
        r.started = r.stoppedBeforeDownloadDrop = r.stoppedBeforeTimeLimit = r.stoppedBeforeDataLimit = false;
}

void ExternalApps::CheckExternalApps() {
    for (auto& rule : rules_)
        if (!rule.path.empty())
            check(rule);
}

void ExternalApps::check(ExternalAppRule& r) {
    const auto& set = s_.settings;
    const std::int64_t connected = s_.state.connectedSeconds;
    const std::int64_t stopBefore = r.stopSecondsBefore;

    if (!r.started && r.startSecondsAfter != 0 && r.startSecondsAfter == connected) {
        StartExternalApp(r.path);
        r.started = true;
    }
    if (set.slowDownloadOn && !r.stoppedBeforeDownloadDrop && stopBefore != 0 &&
        std::int64_t{set.slowDownloadMinutes} * 60 - std::int64_t{s_.state.lowDownloadSeconds} == stopBefore) {
        r.stoppedBeforeDownloadDrop = true;
        StopExternalApp(r.path);
    }
    if (set.timeLimitOn && !r.stoppedBeforeTimeLimit && stopBefore != 0 &&
        std::int64_t{set.timeLimitMinutes} * 60 - connected == stopBefore) {
        r.stoppedBeforeTimeLimit = true;
        StopExternalApp(r.path);
    }
    // Only a connection moves data towards the limit: offline there is nothing to stop before.
    if (set.dataLimitOn && !r.stoppedBeforeDataLimit && r.stopMegabytesBefore != 0 && s_.state.isConnected) {
        const double remainingMB = set.dataLimitMB - (s_.connMB ? s_.connMB() : 0.0);
        if (remainingMB <= r.stopMegabytesBefore + kDataStopMarginMB) {
            r.stoppedBeforeDataLimit = true;
            StopExternalApp(r.path);
        }
    }
    if (r.startAtOn || r.stopAtOn) {
        const std::string now = formatLongTime(s_.clock.now(), s_.locale);
        if (r.startAtOn && !r.startedAt && now == formatLongTime(r.startAt, s_.locale)) {
            r.startedAt = true;
            StartExternalApp(r.path);
        }
        if (r.stopAtOn && !r.stoppedAt && now == formatLongTime(r.stopAt, s_.locale)) {
            r.stoppedAt = true;
            StopExternalApp(r.path);
        }
    }
}

void ExternalApps::StartExternalApp(const std::string& path) {
    s_.desktop.open(path, programDirectory(path));
}

void ExternalApps::StopExternalApp(const std::string& path) {
    const auto processes = s_.processes.ownProcesses();
    for (const std::string& wanted : {upper(programName(path)), shortProgramName(path)}) {
        for (const auto& p : processes) {
            if (upper(p.exeName) == wanted) {
                s_.processes.terminate(p.pid);
                return;
            }
        }
    }
}

} // namespace qv::extapps
