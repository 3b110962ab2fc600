#include "ShellFixture.h"
#include "connection/ConnectionFixture.h"
#include "statistics/StatisticsCodec.h"

#include <stdexcept>
#include <utility>

namespace qv::test {
namespace {

struct ExitDialogTest : ShellFixture {
    int saves = 0;
    void SetUp() override {
        ShellFixture::SetUp();
        started();
        form->hooks().saveRunningRecord = [this] { ++saves; };
    }
    void openDialog() {
        form->intents().windowEvent(w::TForm1, shell::WindowEvent::CloseRequested);
        form->intents().windowEvent(names::TForm6::TForm6, shell::WindowEvent::Activated);
    }
    const shell::WidgetState& dialog(const shell::WidgetName& name) { return views.exitDialog.get(name); }
};

TEST_F(ExitDialogTest, CloseBoxAndBothKonecItemsOpenOneDialogInsteadOfClosing) {
    EXPECT_FALSE(views.exitDialog.window().visible);
    form->intents().windowEvent(w::TForm1, shell::WindowEvent::CloseRequested);
    EXPECT_TRUE(views.exitDialog.window().visible);
    EXPECT_TRUE(main(w::TForm1).visible);
    const auto raises = views.exitDialog.raiseCount();
    form->intents().clicked(w::Konec1);
    form->intents().clicked(w::Konec2);
    EXPECT_EQ(views.exitDialog.raiseCount(), raises + 2); // the same dialog comes up again
    EXPECT_EQ(views.exitDialog.window().text, "Ukončení aplikace");
    EXPECT_EQ(quits, 0);
}

TEST_F(ExitDialogTest, OfflineDialogHidesExitAndDisconnectAndUkoncitEndsWithoutStatistics) {
    openDialog();
    EXPECT_FALSE(dialog(names::TForm6::SpeedButton2).visible);
    form->intents().clicked(names::TForm6::SpeedButton1);
    EXPECT_EQ(saves, 0);
    EXPECT_FALSE(main(w::TrayIcon1).visible);
    EXPECT_EQ(quits, 1);
}

TEST_F(ExitDialogTest, AFailedSaveIsReportedAndTheProgramGoesOn) {
    form->state().isConnected = true;
    form->hooks().saveRunningRecord = [] { throw std::runtime_error("disk full"); };
    openDialog();
    form->intents().clicked(names::TForm6::SpeedButton1);
    EXPECT_EQ(quits, 0);
    EXPECT_TRUE(main(w::TrayIcon1).visible);
    EXPECT_TRUE(views.exitDialog.window().visible);
    EXPECT_EQ(lines("/app/Error.log"), (std::vector<std::string>{"5.3.2026 14:07:09 : 21,6"}));
}

TEST_F(ExitDialogTest, ExitAndDisconnectWaitsForARunningDisconnectThenHangsUp) {
    form->state().isConnected = true;
    form->state().rasConnHandle = 0x1234;
    form->state().disconnectBusy = true;
    form->state().suppressAutoRedial = false;
    auto finish = loop.createTimer(1200, true, [&] { form->state().disconnectBusy = false; });
    openDialog();
    form->intents().clicked(names::TForm6::SpeedButton2);
    EXPECT_EQ(loop.tickCount(), 1500u); // three 500 ms steps
    EXPECT_EQ(dialer.hangUps, (std::vector<std::uint32_t>{0x1234}));
    EXPECT_TRUE(form->state().exitAfterDisconnect);
    EXPECT_TRUE(form->state().suppressAutoRedial);
    EXPECT_FALSE(form->state().modemPollAllowed);
    EXPECT_EQ(lines("/app/PO.log"), (std::vector<std::string>{"5.3.2026 14:07:10 : Odpojení+Ukončení"}));
    EXPECT_EQ(quits, 0); // the end comes from the disconnected handling
}

TEST_F(ExitDialogTest, StornoClosesAndOnlineUkoncitSavesTheRunningRecordAndLeavesTheLineUp) {
    openDialog();
    form->intents().clicked(names::TForm6::SpeedButton3);
    EXPECT_FALSE(views.exitDialog.window().visible);
    form->state().isConnected = true;
    openDialog(); // visibility of the second button is decided at each activation
    EXPECT_TRUE(views.exitDialog.window().visible);
    EXPECT_TRUE(dialog(names::TForm6::SpeedButton2).visible);
    form->intents().clicked(names::TForm6::SpeedButton1);
    EXPECT_EQ(saves, 1);
    EXPECT_TRUE(dialer.hangUps.empty());
    EXPECT_EQ(quits, 1);
}

TEST_F(ExitDialogTest, TerminationSignalSavesAndEndsEvenWhenTheSaveFails) {
    form->state().isConnected = true;
    form->terminateRequested();
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(quits, 1);
    form->hooks().saveRunningRecord = [] { throw std::runtime_error("Statistiky renamed"); };
    form->terminateRequested();
    EXPECT_EQ(quits, 2);
    EXPECT_FALSE(views.fatalError.window().visible);
    EXPECT_EQ(lines("/app/Error.log"), (std::vector<std::string>{"5.3.2026 14:07:09 : 21,0"}));
}

// "Ukončit" (or a termination signal) while the disconnected handling runs: the program ends only once the handling
// has appended the last piece of the running record, which is stored exactly once.
struct ExitDuringDisconnectTest : ConnectionFixture {};

TEST_F(ExitDuringDisconnectTest, TheProgramEndsAfterTheLastPieceIsWritten) {
    for (const bool signal : {false, true}) {
        SCOPED_TRACE(signal ? "termination signal" : "Ukončit");
        fs.addDir("/app/Statistiky");
        fs.remove("/app/Statistiky/Pripojeni.sts");
        quits = 0;
        start();
        connectNow();
        interfaces.wan(0, 0);
        loop.advance(1000);
        interfaces.wan(3'000'000, 1'000'000);
        loop.advance(1000);
        std::optional<std::uint64_t> fileAtQuit;
        onQuit = [&] { fileAtQuit = fs.size("/app/Statistiky/Pripojeni.sts").value_or(0); };
        // The modem restart of the handling pumps for 1.5 s; the exit comes in the middle of it.
        bool fired = false;
        auto exit = loop.createTimer(500, true, [&] {
            if (std::exchange(fired, true))
                return;
            if (signal) {
                form->terminateRequested();
            } else {
                form->intents().windowEvent(w::TForm1, shell::WindowEvent::CloseRequested);
                form->intents().clicked(names::TForm6::SpeedButton1);
            }
        });
        monitor.disconnect();
        exit->stop();
        EXPECT_EQ(quits, 1);
        EXPECT_EQ(fileAtQuit, std::optional<std::uint64_t>{88}); // one record, written before the end
        const auto records = statistics::decodeFile(fs.readAll("/app/Statistiky/Pripojeni.sts").value_or(""));
        ASSERT_EQ(records.size(), 1u);
        EXPECT_DOUBLE_EQ(records[0].Down1 + records[0].Down2, 3.0);
        EXPECT_DOUBLE_EQ(records[0].Up1 + records[0].Up2, 1.0);
    }
}

} // namespace
} // namespace qv::test
