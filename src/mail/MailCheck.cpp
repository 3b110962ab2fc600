#include "mail/MailCheck.h"

#include "mail/MailCheckRun.h"
#include "mail/MailTags.h"

#include <algorithm>
#include <atomic>
#include <limits>

namespace qv::mail {

struct MailCheck::Shared {
    MailFileLock lock;
    std::atomic<bool> lineUp{false};
};

MailCheck::MailCheck(MailServices services)
    : s_(std::move(services)), notice_(s_.notice, s_.screenSize), shared_(std::make_shared<Shared>()),
      self_(std::make_shared<MailCheck*>(this)) {}

MailCheck::~MailCheck() {
    *self_ = nullptr;
    shared_->lineUp = false; // running checks ask no further mailbox
}

int MailCheck::intervalMs(std::uint16_t minutes) {
    constexpr std::int64_t kMax = std::numeric_limits<int>::max();
    return static_cast<int>(std::min<std::int64_t>(std::int64_t{minutes} * 60000, kMax));
}

MailFileLock& MailCheck::fileLock() {
    return shared_->lock;
}

void MailCheck::lineChanged(bool up) {
    shared_->lineUp = up;
}

void MailCheck::Timer20Tick() {
    s_.logs.guarded(tags::kMailCheckTick, [&] {
        if (s_.settings.mailCheckOn && s_.state.isConnected) {
            notice_.ensureCreated();
            startCheck();
        }
        s_.timer20.setInterval(intervalMs(s_.settings.mailCheckMinutes));
    });
}

void MailCheck::startCheck() {
    shared_->lineUp = s_.state.isConnected;
    std::shared_ptr<Shared> shared = shared_;
    platform::WorkerThreads& workers = s_.workers;
    MailCheckRunServices run{s_.fs,           shared->lock, [&workers](int ms) { workers.sleep(ms); },
                             s_.accountsPath, s_.pop3,      [shared] { return shared->lineUp.load(); }};
    s_.workers.start([run = std::move(run), shared, &loop = s_.loop, self = std::weak_ptr<MailCheck*>(self_)] {
        const auto total = RunMailCheck(run);
        if (!total)
            return;
        loop.post([self, total = *total] {
            if (auto alive = self.lock(); alive && *alive)
                (*alive)->TotalFound(total);
        });
    });
}

void MailCheck::startSound() {
    s_.workers.start([&fs = s_.fs, &sound = s_.sound, path = s_.soundPath] {
        if (fs.exists(path))
            sound.playWav(path);
    });
}

void MailCheck::TotalFound(std::uint16_t total) {
    try {
        if (total == 0) {
            notice_.close();
            return;
        }
        if (s_.settings.mailSoundOn)
            startSound();
        notice_.show(total);
    } catch (...) {
        // The check's own failures end it without a word; so does this part of it.
    }
}

void MailCheck::NoticeClicked() {
    s_.logs.guarded(tags::kNoticeClick, [&] {
        const std::string& path = s_.settings.mailClientPath;
        if (!path.empty() && s_.settings.mailOpenClient) {
            // The program runs in its own directory.
            const auto cut = path.rfind('/');
            const std::string dir =
                cut == std::string::npos ? std::string() : path.substr(0, std::max<std::size_t>(cut, 1));
            s_.desktop.open(path, dir);
        }
        notice_.close();
    });
}

void MailCheck::NoticeClosed() {
    s_.logs.guarded(tags::kNoticeClosed, [&] { notice_.close(); });
}

} // namespace qv::mail
