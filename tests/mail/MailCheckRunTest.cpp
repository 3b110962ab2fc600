// One run of the check thread: the accounts read once under `mailFileBusy`, each mailbox asked in file order while
// the line is up, failures passed over, a port that is not a number ending the run, the file never in clear.
#include "mail/MailCheckRun.h"
#include "common/Cp1250.h"
#include "mail/MailAccountCodec.h"
#include "mail/MailAccountsFile.h"
#include "support/FakeMailServices.h"
#include "support/MemoryFileSystem.h"

#include <gtest/gtest.h>

namespace qv::test {
namespace {

using mail::MailAccount;

const std::string kPath = "/app/Data/jan_Email.dat";

struct MailCheckRunTest : ::testing::Test {
    MemoryFileSystem fs;
    mail::MailFileLock lock;
    ScriptedPop3Client pop3;
    std::vector<int> waits;
    bool online = true;

    MailCheckRunTest() { fs.addDir("/app/Data"); }

    void save(const std::vector<MailAccount>& accounts) {
        mail::MailAccountsFile(
            fs, lock, [](int) {}, kPath)
            .save(accounts);
    }
    std::optional<std::uint16_t> run() {
        return mail::RunMailCheck(
            {fs, lock, [this](int ms) { waits.push_back(ms); }, kPath, pop3, [this] { return online; }});
    }
};

TEST_F(MailCheckRunTest, AsksEveryMailboxInFileOrderAndAddsTheCountsOfThoseThatAnswer) {
    save({{"pop.alfa.cz", "jiří", "heslo€", "110"},
          {"pop.beta.cz", "bob", "b", "995"},
          {"10.0.0.9", "nobody", "n", "110"}});
    pop3.mailboxes = {{"pop.alfa.cz:110", 2}, {"pop.beta.cz:995", 5}, {"10.0.0.9:110", std::nullopt}};

    EXPECT_EQ(run(), 7);
    EXPECT_EQ(pop3.hostsAsked(), (std::vector<std::string>{"pop.alfa.cz:110", "pop.beta.cz:995", "10.0.0.9:110"}));
    // The login goes out in the accounts file's code page, with the five-second time-out.
    EXPECT_EQ(pop3.asked[0].user, cp1250::fromUtf8("jiří"));
    EXPECT_EQ(pop3.asked[0].password, cp1250::fromUtf8("heslo€"));
    EXPECT_EQ(pop3.timeouts, (std::vector<int>{5000, 5000, 5000}));
    EXPECT_FALSE(lock.mailFileBusy());
}

TEST_F(MailCheckRunTest, WhileTheMailboxesAreAskedTheFileIsEncipheredOnDiskAndFreeForTheDialog) {
    const std::vector<MailAccount> accounts{{"pop.alfa.cz", "jan", "TajneHeslo", "110"},
                                            {"pop.beta.cz", "eva", "JineHeslo", "110"}};
    save(accounts);
    const std::string enciphered = *fs.readAll(kPath);
    pop3.mailboxes = {{"pop.alfa.cz:110", 1}, {"pop.beta.cz:110", 1}};
    int inspected = 0;
    pop3.onAsk = [&](const platform::Pop3Client::Mailbox&) {
        // The check is blocked in the middle: the file on disk is what it was, and nobody holds it.
        ++inspected;
        EXPECT_EQ(fs.readAll(kPath), enciphered);
        EXPECT_EQ(fs.files().size(), 1u);
        for (const char* secret : {"TajneHeslo", "JineHeslo", "pop.alfa.cz"})
            EXPECT_EQ(enciphered.find(secret), std::string::npos) << secret;
        EXPECT_FALSE(lock.mailFileBusy());
        EXPECT_TRUE(fs.isPrivate(kPath));
    };
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(inspected, 2);
    EXPECT_EQ(fs.readAll(kPath), enciphered) << "a check never writes";
}

TEST_F(MailCheckRunTest, GoingOfflineSkipsTheRemainingAccountsAndKeepsTheTotalSoFar) {
    save({{"a", "u", "p", "110"}, {"b", "u", "p", "110"}, {"c", "u", "p", "110"}});
    pop3.mailboxes = {{"a:110", 2}, {"b:110", 5}, {"c:110", 9}};
    pop3.onAsk = [&](const platform::Pop3Client::Mailbox& m) {
        if (m.host == "a")
            online = false; // the line drops while the first mailbox is asked
    };
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(pop3.hostsAsked(), std::vector<std::string>{"a:110"});

    online = false;
    pop3.asked.clear();
    EXPECT_EQ(run(), 0) << "offline from the start: a total of 0";
    EXPECT_TRUE(pop3.asked.empty());
}

// Port texts: a number asks the mailbox, a number no server can listen on fails that account, anything else ends
// the run with no total at all.
struct PortCase {
    const char* text;
    std::optional<std::uint16_t> total; ///< with mailboxes of 2 before and 5 after the account
    std::vector<std::string> asked;
    friend void PrintTo(const PortCase& c, std::ostream* out) { *out << '"' << c.text << '"'; }
};

class PortTexts : public MailCheckRunTest, public ::testing::WithParamInterface<PortCase> {};

TEST_P(PortTexts, DecideWhetherTheAccountIsAskedSkippedOrEndsTheRun) {
    const PortCase& c = GetParam();
    save({{"first", "u", "p", "110"}, {"x", "u", "p", c.text}, {"last", "u", "p", "110"}});
    pop3.mailboxes = {{"first:110", 2}, {"last:110", 5}, {"x:995", 1}};
    EXPECT_EQ(run(), c.total);
    EXPECT_EQ(pop3.hostsAsked(), c.asked);
}

INSTANTIATE_TEST_SUITE_P(
    MailCheck, PortTexts,
    ::testing::Values(PortCase{"995", 8, {"first:110", "x:995", "last:110"}},
                      PortCase{"+995", 8, {"first:110", "x:995", "last:110"}},
                      PortCase{"0", 7, {"first:110", "last:110"}}, PortCase{"-110", 7, {"first:110", "last:110"}},
                      PortCase{"65536", 7, {"first:110", "last:110"}}, PortCase{"", std::nullopt, {"first:110"}},
                      PortCase{"11O", std::nullopt, {"first:110"}}, PortCase{" 110", std::nullopt, {"first:110"}},
                      PortCase{"99999999999999999999", std::nullopt, {"first:110"}}));

TEST_F(MailCheckRunTest, APortThatIsNotANumberIsNotReadWhileOffline) {
    save({{"a", "u", "p", "pop3"}, {"b", "u", "p", "110"}});
    pop3.mailboxes = {{"b:110", 4}};
    online = false;
    EXPECT_EQ(run(), 0);
}

TEST_F(MailCheckRunTest, TheTotalIsSixteenBitsWide) {
    save({{"a", "u", "p", "110"}, {"b", "u", "p", "110"}});
    pop3.mailboxes = {{"a:110", 65535}, {"b:110", 3}};
    EXPECT_EQ(run(), 2);
}

TEST_F(MailCheckRunTest, AMissingFileEndsTheRunWithNoTotalAndAnEmptyOneFindsNothing) {
    EXPECT_EQ(run(), std::nullopt);
    EXPECT_FALSE(fs.exists(kPath)) << "a check never creates the file";

    fs.put(kPath, "");
    EXPECT_EQ(run(), 0) << "an empty file holds no account";
    EXPECT_TRUE(pop3.asked.empty());
}

TEST_F(MailCheckRunTest, WaitsInSecondStepsWhileTheSettingsDialogHoldsTheFile) {
    save({{"a", "u", "p", "110"}});
    pop3.mailboxes = {{"a:110", 1}};
    ASSERT_TRUE(lock.tryTake());
    auto result = mail::RunMailCheck({fs, lock,
                                      [&](int ms) {
                                          waits.push_back(ms);
                                          if (waits.size() == 3)
                                              lock.release(); // the dialog is done
                                      },
                                      kPath, pop3, [] { return true; }});
    EXPECT_EQ(result, 1);
    EXPECT_EQ(waits, (std::vector<int>{1000, 1000, 1000}));
    EXPECT_FALSE(lock.mailFileBusy());
}

} // namespace
} // namespace qv::test
