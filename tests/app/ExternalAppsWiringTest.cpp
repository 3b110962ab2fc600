// The external application rules as the shell runs them: loaded at creation, armed at each connect, checked by
// Timer19 every second online or not.
#include "connection/ConnectionFixture.h"
#include "extapps/ExternalAppCodec.h"

namespace qv::test {
namespace {

const std::string kRules = "/app/Data/alice_ExternApp.dat";
using Opened = std::vector<std::pair<std::string, std::string>>;

struct ExternalAppsWiringTest : ConnectionFixture {};

TEST_F(ExternalAppsWiringTest, AProgramStartsInTheFifthSecondOfEachConnection) {
    extapps::ExternalAppRule r;
    r.path = "/home/alice/bin/sync tool";
    r.startSecondsAfter = 5;
    fs.put(kRules, extapps::encodeRules({r}));
    start();
    ASSERT_EQ(form->externalApps().rules().size(), 1u);
    // The rules' timer runs in a phase of its own: the start comes in its first tick that sees the fifth second
    // of the connection clock, which is less than a second after that second began.
    const auto startsAt = [&](std::size_t count) {
        int ms = 0;
        for (; ms < 10000 && mail.desktop.opened.size() < count; ms += 100)
            loop.advance(100);
        return ms > 5000 && ms <= 6000;
    };
    connectNow();
    EXPECT_TRUE(startsAt(1));
    EXPECT_EQ(mail.desktop.opened, (Opened{{"/home/alice/bin/sync tool", "/home/alice/bin"}}));
    loop.advance(30000);
    EXPECT_EQ(mail.desktop.opened.size(), 1u);

    monitor.disconnect();
    loop.advance(5000);
    EXPECT_EQ(mail.desktop.opened.size(), 1u);
    connectNow();
    EXPECT_TRUE(startsAt(2));
}

TEST_F(ExternalAppsWiringTest, TheTimeOfDayStopRunsWhileOffline) {
    extapps::ExternalAppRule r;
    r.path = "/usr/bin/player";
    r.stopAtOn = true;
    r.stopAt = oleTimeOfDay(14, 7, 30); // the fixture starts at 14:07:09
    fs.put(kRules, extapps::encodeRules({r}));
    processTable.running = {{40, "player"}, {41, "player"}};
    start();
    loop.advance(20000);
    EXPECT_TRUE(processTable.terminated.empty());
    loop.advance(1000);
    EXPECT_EQ(processTable.terminated, std::vector<int>{40});
}

} // namespace
} // namespace qv::test
