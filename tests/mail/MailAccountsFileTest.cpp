// The accounts file as its users see it: enciphered in memory, replaced whole, never in clear on disk, and
// `mailFileBusy` held around every use.
#include "MailTestSupport.h"

#include "common/Cp1250.h"
#include "common/VirtualEventLoop.h"
#include "mail/MailAccountCodec.h"
#include "mail/MailAccountsFile.h"
#include "support/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <thread>

namespace qv::test {
namespace {

using mail::MailAccount;
using mail::MailAccountsFile;
using mail::MailFileError;

const std::string kPath = "/app/Data/jan_Email.dat";

/// Files in memory that keep every byte string handed to a write, and can refuse reads.
class RecordingFileSystem final : public platform::FileSystem {
public:
    MemoryFileSystem disk;
    std::vector<std::pair<std::string, std::string>> writes; ///< (path, bytes) of every write call
    std::vector<std::string> privateWrites;                  ///< paths of the writes made owner-only
    bool unreadable = false;

    std::optional<std::string> readAll(const std::string& path) override {
        return unreadable ? std::nullopt : disk.readAll(path);
    }
    bool exists(const std::string& path) override { return disk.exists(path); }
    std::optional<std::uint64_t> size(const std::string& path) override { return disk.size(path); }
    bool writeAtomic(const std::string& path, std::string_view bytes) override {
        writes.emplace_back(path, bytes);
        return disk.writeAtomic(path, bytes);
    }
    bool writeAtomicPrivate(const std::string& path, std::string_view bytes) override {
        privateWrites.push_back(path);
        writes.emplace_back(path, bytes);
        return disk.writeAtomicPrivate(path, bytes);
    }
    bool append(const std::string& path, std::string_view bytes) override {
        writes.emplace_back(path, bytes);
        return disk.append(path, bytes);
    }
    bool createEmpty(const std::string& path) override {
        writes.emplace_back(path, "");
        return disk.createEmpty(path);
    }
    bool remove(const std::string& path) override { return disk.remove(path); }
};

class MailAccountsFileTest : public ::testing::Test {
protected:
    MailAccountsFileTest() { fs.disk.addDir("/app/Data"); }

    MailAccountsFile file(mail::MailFileWait wait = [](int) -> void {
        throw std::logic_error("waited although the file was free");
    }) {
        return MailAccountsFile(fs, lock, std::move(wait), kPath);
    }

    static std::vector<MailAccount> accounts(std::size_t n) {
        std::vector<MailAccount> out;
        for (std::size_t i = 0; i < n; ++i)
            out.push_back({"pop" + std::to_string(i) + ".example.cz", "\u0159eho\u0159" + std::to_string(i),
                           "Tajn\u00e9Heslo" + std::to_string(i), "995"});
        return out;
    }

    RecordingFileSystem fs;
    mail::MailFileLock lock;
};

class RecordsOnDisk : public MailAccountsFileTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(RecordsOnDisk, SaveWritesOnlyTheEncipheredFileWholeAndLoadGivesTheAccountsBack) {
    const auto saved = accounts(GetParam());
    file().save(saved);

    // One write, of the whole file, to the file itself: no temporary or clear copy beside it, owner-only.
    ASSERT_EQ(fs.writes.size(), 1u);
    EXPECT_EQ(fs.writes[0].first, kPath);
    EXPECT_EQ(fs.privateWrites, std::vector<std::string>{kPath});
    const std::string clear = mail::encodeAccounts(saved);
    EXPECT_EQ(fs.writes[0].second, mail::MailCipher().encipher(clear)) << "the format other copies read";
    for (const MailAccount& a : saved)
        for (const std::string& secret : {a.password, a.user, a.server})
            EXPECT_EQ(fs.writes[0].second.find(cp1250::fromUtf8(secret)), std::string::npos) << secret;
    EXPECT_EQ(fs.disk.files().size(), 1u);

    EXPECT_EQ(file().load(), saved);
    EXPECT_EQ(fs.writes.size(), 1u) << "a load wrote";
    EXPECT_FALSE(lock.mailFileBusy());
}

INSTANTIATE_TEST_SUITE_P(OneToFiveRecords, RecordsOnDisk, ::testing::Values(1u, 2u, 3u, 4u, 5u));

TEST_F(MailAccountsFileTest, AFileOfAnotherCopyWithStrayBytesAfterTheRecordsReadsAsItsWholeRecords) {
    std::string clear = mail::encodeAccounts(accounts(3));
    clear.append("0123456789");
    fs.disk.put(kPath, mail::MailCipher().encipher(clear));
    EXPECT_EQ(file().load(), accounts(3));
    EXPECT_TRUE(fs.writes.empty());
}

TEST_F(MailAccountsFileTest, AMissingFileHoldsNoAccountsAndIsNotCreatedByALoad) {
    EXPECT_FALSE(file().exists());
    EXPECT_TRUE(file().load().empty());
    EXPECT_FALSE(fs.disk.exists(kPath));
    EXPECT_FALSE(lock.mailFileBusy());
}

TEST_F(MailAccountsFileTest, FailuresAreReportedAndReleaseTheLockAndLeaveTheFileAsItWas) {
    file().save(accounts(2));
    const std::string before = *fs.disk.readAll(kPath);

    fs.disk.failWritesAfter(0);
    EXPECT_THROW(file().save(accounts(4)), MailFileError);
    EXPECT_FALSE(lock.mailFileBusy());
    EXPECT_THROW(file().update([](std::vector<MailAccount>& a) {
        a.pop_back();
        return true;
    }),
                 MailFileError);
    EXPECT_FALSE(lock.mailFileBusy());
    EXPECT_EQ(*fs.disk.readAll(kPath), before);

    fs.unreadable = true;
    EXPECT_THROW(file().load(), MailFileError);
    EXPECT_FALSE(lock.mailFileBusy());

    fs.unreadable = false;
    EXPECT_THROW(file().update([](std::vector<MailAccount>&) -> bool { throw std::runtime_error("edit"); }),
                 std::runtime_error);
    EXPECT_FALSE(lock.mailFileBusy());
    EXPECT_EQ(*fs.disk.readAll(kPath), before);
}

TEST_F(MailAccountsFileTest, UpdateHoldsTheLockFromReadToWriteAndWritesOnlyWhenAsked) {
    file().update([&](std::vector<MailAccount>& a) {
        EXPECT_TRUE(lock.mailFileBusy());
        EXPECT_TRUE(a.empty());
        a = accounts(2);
        return true;
    });
    EXPECT_EQ(file().load(), accounts(2)) << "a missing file is created";

    file().update([&](std::vector<MailAccount>& a) {
        EXPECT_EQ(a, accounts(2));
        a.erase(a.begin());
        return false;
    });
    EXPECT_EQ(fs.writes.size(), 1u);
    EXPECT_EQ(file().load(), accounts(2));
}

TEST_F(MailAccountsFileTest, TheDialogWaitsInSecondStepsPumpingMessagesUntilTheCheckReleasesTheFile) {
    file().save(accounts(3));
    VirtualEventLoop loop;
    ASSERT_TRUE(lock.tryTake()); // a check thread holds the file
    std::unique_ptr<Timer> checkEnds;
    checkEnds = loop.createTimer(2500, true, [&] {
        checkEnds->stop();
        lock.release();
    });

    const auto loaded = file([&](int ms) { loop.pumpWait(ms); }).load();

    EXPECT_EQ(loaded, accounts(3));
    EXPECT_EQ(loop.tickCount(), 3000u) << "three waits of 1000 ms";
    EXPECT_FALSE(lock.mailFileBusy());
}

TEST_F(MailAccountsFileTest, TwoUsersOnTwoThreadsTakeTheFileInTurnAndLoseNoChange) {
    // Each user appends its own accounts one change at a time; a lock that let both in at once would lose some.
    constexpr int kEach = 60;
    auto user = [&](const std::string& who) {
        MailAccountsFile own(
            fs, lock, [](int) { std::this_thread::yield(); }, kPath);
        for (int i = 0; i < kEach; ++i)
            own.update([&](std::vector<MailAccount>& a) {
                a.push_back({who, std::to_string(i), "p", "110"});
                return true;
            });
    };
    std::thread dialog(user, "dialog");
    std::thread check(user, "check");
    dialog.join();
    check.join();

    const auto all = file().load();
    ASSERT_EQ(all.size(), 2u * kEach);
    for (const std::string who : {"dialog", "check"}) {
        int next = 0;
        for (const MailAccount& a : all)
            if (a.server == who) {
                EXPECT_EQ(a.user, std::to_string(next++)) << who;
            }
        EXPECT_EQ(next, kEach) << who;
    }
}

} // namespace
} // namespace qv::test
