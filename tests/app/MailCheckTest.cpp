// The mail check as the shell runs it: Timer20's rules in virtual time, checks on worker threads (run here when the
// test says), the total handed back to the UI thread, the notice's placement, sound and click.
#include "connection/ConnectionFixture.h"
#include "mail/MailAccountsFile.h"

namespace qv::test {
namespace {

namespace n = names::TForm11;
using mail::MailAccount;

const std::string kAccounts = "/app/Data/alice_Email.dat";
const std::string kSound = "/app/Zvuk/Email.wav";

struct MailCheckTest : ConnectionFixture {
    void SetUp() override {
        ConnectionFixture::SetUp();
        fs.addDir("/app/Zvuk");
        fs.put(kSound, "RIFF");
    }
    void accounts(const std::vector<MailAccount>& list) {
        mail::MailFileLock lock;
        mail::MailAccountsFile(
            fs, lock, [](int) {}, kAccounts)
            .save(list);
    }
    /// Settings with checking on, and the mailboxes "a" (2 messages), "b" (5) and "dead" (no answer).
    void startChecking(const std::string& more = "") {
        accounts({{"a", "u", "p", "110"}, {"b", "u", "p", "110"}, {"dead", "u", "p", "110"}});
        mail.pop3.mailboxes = {{"a:110", 2}, {"b:110", 5}};
        start("[Email]\r\nKontrola=1\r\nInterval=1\r\n" + more);
    }
    /// Checking on, connected, and the first check started (10 s after the connect).
    void firstCheckStarted(const std::string& more = "") {
        startChecking(more);
        connectNow();
        loop.advance(10000);
    }
    Timer& timer20() { return form->timers().timer(20); }
    /// Runs the checks started so far, then what they handed to the UI thread, then the sound that started.
    void finishChecks() {
        mail.workers.runAll();
        loop.runPosted();
        mail.workers.runAll();
    }
    const shell::WidgetState& notice(const shell::WidgetName& name = n::TForm11) { return views.mailNotice.get(name); }
    bool noticeShown() { return form->mail().notice().exists() && notice().visible; }
};

// A tick that starts no check only reloads the interval: the first comes 10 s after start.
struct IdleTick {
    const char* settings;
    bool online;
    int nextMs;
};

void PrintTo(const IdleTick& t, std::ostream* out) {
    *out << (t.online ? "online " : "offline ") << t.nextMs;
}

class IdleTicks : public MailCheckTest, public ::testing::WithParamInterface<IdleTick> {};

TEST_P(IdleTicks, StartNoCheckAndOnlyReloadTheInterval) {
    start(GetParam().settings);
    EXPECT_EQ(timer20().interval(), 10000);
    EXPECT_TRUE(timer20().enabled());
    if (GetParam().online)
        connectNow();
    loop.advance(10000);
    EXPECT_TRUE(mail.workers.pending.empty());
    EXPECT_FALSE(form->mail().notice().exists());
    EXPECT_EQ(timer20().interval(), GetParam().nextMs);
}

INSTANTIATE_TEST_SUITE_P(MailCheck, IdleTicks,
                         ::testing::Values(IdleTick{"[Email]\r\nKontrola=1\r\nInterval=1\r\n", false, 60000},
                                           IdleTick{"[Email]\r\nKontrola=0\r\nInterval=5\r\n", true, 300000},
                                           IdleTick{"", true, 3600000},
                                           // Beyond 35791 minutes the longest interval a timer takes.
                                           IdleTick{"[Email]\r\nKontrola=1\r\nInterval=65535\r\n", false, 2147483647}));

TEST_F(MailCheckTest, EachConnectBringsTheNextCheckTenSecondsLaterThenEveryIntervalMinutes) {
    startChecking();
    loop.advance(3000);
    connectNow();
    loop.advance(9999);
    EXPECT_TRUE(mail.workers.pending.empty());
    loop.advance(1);
    ASSERT_EQ(mail.workers.pending.size(), 1u);
    EXPECT_TRUE(form->mail().notice().exists());
    EXPECT_FALSE(notice().visible) << "made hidden by the tick";
    loop.advance(59999);
    EXPECT_EQ(mail.workers.pending.size(), 1u);
    loop.advance(1);
    EXPECT_EQ(mail.workers.pending.size(), 2u) << "a new check even while the last one runs";

    monitor.disconnect();
    loop.advance(60000);
    EXPECT_EQ(mail.workers.pending.size(), 2u);
    connectNow();
    loop.advance(10000);
    EXPECT_EQ(mail.workers.pending.size(), 3u);
}

TEST_F(MailCheckTest, ATotalFillsTheNoticeInTheBottomRightCornerRaisesItAndPlaysTheSound) {
    firstCheckStarted();
    finishChecks();

    EXPECT_EQ(mail.pop3.hostsAsked(), (std::vector<std::string>{"a:110", "b:110", "dead:110"}));
    EXPECT_TRUE(noticeShown());
    EXPECT_EQ(notice().text, "Nový email");
    EXPECT_EQ(notice(n::Label1).text, "Celkem nových zpráv");
    EXPECT_EQ(notice(n::Label2).text, "7");
    EXPECT_EQ(notice().position, (shell::ScreenPoint{1280 - 175, 1024 - 85}));
    EXPECT_EQ(views.mailNotice.raiseCount(), 1u);
    EXPECT_EQ(mail.sound.played, std::vector<std::string>{kSound});
}

TEST_F(MailCheckTest, AnOpenNoticeStaysWhereItIsAndANewOneIsPlacedAfresh) {
    firstCheckStarted();
    finishChecks();
    ASSERT_TRUE(noticeShown());
    // Wherever the user has moved it, the logic leaves a visible notice alone: it writes no position.
    std::vector<std::string> changes;
    views.mailNotice.subscribe([&](const shell::WidgetName& name) { changes.push_back(std::string(name.name)); });
    mail.pop3.mailboxes["a:110"] = 3;
    loop.advance(60000);
    finishChecks();
    EXPECT_EQ(notice(n::Label2).text, "8");
    EXPECT_EQ(changes, (std::vector<std::string>{"Label2", "TForm11"})) << "the count, then the raise";
    EXPECT_EQ(views.mailNotice.raiseCount(), 2u);

    form->intents().windowEvent(n::TForm11, shell::WindowEvent::Closed); // the user closes it
    EXPECT_FALSE(form->mail().notice().exists());
    EXPECT_FALSE(notice().position.has_value());
    loop.advance(60000);
    finishChecks();
    EXPECT_TRUE(noticeShown());
    EXPECT_EQ(notice().position, (shell::ScreenPoint{1105, 939}));
}

TEST_F(MailCheckTest, ACheckThatFindsNoMailClosesTheNoticeAndTheNextTickMakesItAgain) {
    firstCheckStarted();
    finishChecks();
    ASSERT_TRUE(noticeShown());

    mail.pop3.mailboxes = {};
    loop.advance(60000);
    finishChecks();
    EXPECT_FALSE(notice().visible);
    EXPECT_FALSE(form->mail().notice().exists());
    EXPECT_EQ(mail.sound.played.size(), 1u) << "no sound for no mail";

    loop.advance(60000);
    EXPECT_TRUE(form->mail().notice().exists());
    EXPECT_FALSE(notice().visible);
}

TEST_F(MailCheckTest, ANoticeClosedBeforeItsCheckEndsShowsNothingForThatCheck) {
    firstCheckStarted();
    form->intents().windowEvent(n::TForm11, shell::WindowEvent::Closed);
    finishChecks();
    EXPECT_FALSE(notice().visible);
    EXPECT_FALSE(form->mail().notice().exists());
}

TEST_F(MailCheckTest, TheSoundNeedsTheSettingAndTheFile) {
    firstCheckStarted("Zvuk=0\r\n");
    finishChecks();
    EXPECT_TRUE(noticeShown());
    EXPECT_TRUE(mail.sound.played.empty());

    fs.put("/app/Nastaveni.ini", "[Email]\r\nKontrola=1\r\nInterval=1\r\nZvuk=1\r\n");
    form->activated();
    fs.remove(kSound);
    loop.advance(60000);
    finishChecks();
    EXPECT_EQ(notice(n::Label2).text, "7");
    EXPECT_TRUE(mail.sound.played.empty()) << "no file, no sound, no message";
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MailCheckTest, ADropDuringACheckSkipsTheMailboxesNotYetAsked) {
    firstCheckStarted();
    mail.pop3.onAsk = [&](const platform::Pop3Client::Mailbox&) { monitor.disconnect(); };
    finishChecks();
    EXPECT_EQ(mail.pop3.hostsAsked(), std::vector<std::string>{"a:110"});
    EXPECT_EQ(notice(n::Label2).text, "2");
    EXPECT_TRUE(noticeShown());
}

TEST_F(MailCheckTest, ACheckStillRunningWhenTheProgramEndsAsksNoFurtherMailboxAndShowsNothing) {
    firstCheckStarted();
    mail.pop3.onAsk = [&](const platform::Pop3Client::Mailbox&) { form.reset(); };
    mail.workers.runAll();
    loop.runPosted();
    EXPECT_EQ(mail.pop3.hostsAsked(), std::vector<std::string>{"a:110"});
}

struct ClickCase {
    const char* settings;
    std::vector<std::pair<std::string, std::string>> opened;
};

void PrintTo(const ClickCase& c, std::ostream* out) {
    std::string text = c.settings;
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.replace(at, 2, at + 2 == text.size() ? "" : ",");
    *out << text;
}

class NoticeClicks : public MailCheckTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(NoticeClicks, OpenTheMailProgramInItsDirectoryWhenAskedForAndCloseTheNotice) {
    startChecking(GetParam().settings);
    connectNow();
    loop.advance(10000);
    finishChecks();
    for (const auto& target : {n::TForm11, n::Label1, n::Label2}) {
        ASSERT_TRUE(noticeShown());
        form->intents().clicked(target);
        EXPECT_FALSE(notice().visible) << target.name;
        EXPECT_FALSE(form->mail().notice().exists());
        loop.advance(60000);
        finishChecks();
    }
    std::vector<std::pair<std::string, std::string>> expected;
    for (int i = 0; i < 3; ++i)
        expected.insert(expected.end(), GetParam().opened.begin(), GetParam().opened.end());
    EXPECT_EQ(mail.desktop.opened, expected);
}

INSTANTIATE_TEST_SUITE_P(MailCheck, NoticeClicks,
                         ::testing::Values(ClickCase{"Klient=1\r\nPath=/opt/posta/bin/posta\r\n",
                                                     {{"/opt/posta/bin/posta", "/opt/posta/bin"}}},
                                           ClickCase{"Klient=1\r\nPath=/posta\r\n", {{"/posta", "/"}}},
                                           ClickCase{"Klient=1\r\nPath=thunderbird\r\n", {{"thunderbird", ""}}},
                                           ClickCase{"Klient=0\r\nPath=/usr/bin/thunderbird\r\n", {}},
                                           ClickCase{"Klient=1\r\nPath=\r\n", {}}));

} // namespace
} // namespace qv::test
