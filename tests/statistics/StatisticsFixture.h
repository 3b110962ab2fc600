#pragma once

#include "common/Cp1250.h"
#include "common/OleDate.h"
#include "common/VirtualEventLoop.h"
#include "shell/TimerSchedule.h"
#include "statistics/RunningStatistics.h"
#include "statistics/StatisticsCodec.h"
#include "support/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace qv::test {

/// Files in memory, plus a file that exists but cannot be read, work (a re-entered handler) that runs before a
/// write has returned, and renames that fail. A rename otherwise is the interface's own: copy, then remove.
class ScriptedFileSystem final : public platform::FileSystem {
public:
    MemoryFileSystem mem;
    bool failReads = false;
    bool failRenames = false;
    std::function<void()> duringWrite;

    std::optional<std::string> readAll(const std::string& p) override {
        return failReads ? std::nullopt : mem.readAll(p);
    }
    bool exists(const std::string& p) override { return mem.exists(p); }
    std::optional<std::uint64_t> size(const std::string& p) override { return mem.size(p); }
    bool writeAtomic(const std::string& p, std::string_view bytes) override {
        const bool written = mem.writeAtomic(p, bytes);
        if (auto work = std::exchange(duringWrite, nullptr))
            work();
        return written;
    }
    bool append(const std::string& p, std::string_view bytes) override { return mem.append(p, bytes); }
    bool createEmpty(const std::string& p) override { return mem.createEmpty(p); }
    bool remove(const std::string& p) override { return mem.remove(p); }
    bool rename(const std::string& from, const std::string& to) override {
        return !failRenames && FileSystem::rename(from, to);
    }
};

inline double at(int y, int mo, int d, int h = 12, int mi = 0, int s = 0, int ms = 0) {
    return oleFromCivil({y, mo, d, h, mi, s, ms});
}
inline double day(int y, int mo, int d) {
    return oleFromDate(y, mo, d);
}
inline double tod(int h, int mi, int s = 0) {
    return oleTimeOfDay(h, mi, s);
}

inline statistics::StatisticsRecord rec(double datum, double down1 = 1, double up1 = 0, double down2 = 0,
                                        double up2 = 0, std::string name = "alice") {
    return {120, std::move(name), datum, tod(10, 0), tod(11, 0), down1, up1, up2, down2};
}

/// The statistics subsystem wired as the shell wires it, on the virtual loop, for a user whose name is longer
/// than a record holds.
struct StatisticsStack {
    VirtualEventLoop loop;
    VirtualClock clock{loop, at(2026, 3, 5)};
    LocaleFormats locale;
    shell::AppPaths paths;
    shell::Logs logs;
    settings::SettingsRecord settings;
    connection::ControllerState controller;
    shell::TimerSchedule timers{loop};
    statistics::StatisticsFile file;
    statistics::UsageWindows usage{file, clock, logs};
    statistics::RunningStatistics running{{file, usage, clock, logs, settings, controller, timers.timer(15),
                                           timers.timer(16), "Žluťoučký kůň úpěl ďábelské ódy"}};

    StatisticsStack(platform::FileSystem& fs, const std::string& appDir)
        : paths(appDir, "alice"), logs(fs, clock, locale, paths),
          file(fs, clock, logs, settings, paths.statisticsFile()) {
        timers.setHandler(15, [this] { running.MidnightTick(); });
        timers.setHandler(16, [this] { running.PeriodicSaveTick(); });
    }
    /// The connected handling's statistics steps.
    void connect() {
        running.OpenRunningRecord();
        timers.timer(15).start();
        timers.timer(16).setInterval(settings.periodicSaveMinutes * 60000);
        timers.timer(16).start();
        running.FillRunningRecordStart();
    }
    /// The disconnected handling's statistics steps, inside its guard.
    void disconnect() {
        controller.disconnectBusy = true;
        timers.timer(15).stop();
        timers.timer(16).stop();
        logs.guarded("1629,1", [&] { running.CloseAndRelease(); });
        controller.disconnectBusy = false;
    }
    /// `seconds` seconds of metering, 1000 bytes of band-1 download a second.
    void meter(int seconds) {
        for (int i = 0; i < seconds; ++i) {
            loop.advance(1000);
            if (auto* r = running.currentConnRecord())
                r->Down1 += 1000;
        }
    }
};

struct FileSystemHolder {
    ScriptedFileSystem fs;
};

/// The stack over the scripted file system in "/app/", with "Statistiky/" unless a test's SetUp leaves it out.
struct StatisticsFixture : ::testing::Test, FileSystemHolder, StatisticsStack {
    static constexpr const char* kFile = "/app/Statistiky/Pripojeni.sts";

    StatisticsFixture() : StatisticsStack(fs, "/app/") { fs.mem.addDir("/app"); }
    void SetUp() override { fs.mem.addDir("/app/Statistiky"); }

    void put(const std::vector<statistics::StatisticsRecord>& r) { fs.mem.put(kFile, statistics::encodeFile(r)); }
    std::string bytes() { return fs.mem.readAll(kFile).value_or("<missing>"); }
    std::vector<statistics::StatisticsRecord> records() { return statistics::decodeFile(bytes()); }
    /// The tags in the error log, in order.
    std::vector<std::string> errors() {
        std::vector<std::string> tags;
        const std::string log = fs.mem.readAll("/app/Error.log").value_or("");
        for (std::size_t pos = 0; (pos = log.find(" : ", pos)) != std::string::npos; pos += 3)
            tags.push_back(log.substr(pos + 3, log.find("\r\n", pos) - pos - 3));
        return tags;
    }
};

} // namespace qv::test
