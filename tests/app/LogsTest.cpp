#include "app/ShellFixture.h"

#include "shell/Logs.h"

#include <stdexcept>

namespace qv::test {
namespace {

struct LogsTest : ShellFixture {};

TEST_F(LogsTest, ConnectionLogLineIsLocaleDateTimeSeparatorTextAndCrLfInWindows1250) {
    started().logs().WriteConnectionLog("Normální připojení");
    EXPECT_EQ(fs.readAll("/app/PO.log"), cp1250::fromUtf8("5.3.2026 14:07:09 : Normální připojení\r\n"));
    EXPECT_EQ(fs.readAll("/app/PO.log")->find('\xF8'), 30u); // 'ř' is the byte 0xF8 on disk
    loop.advance(61'000);
    form->logs().WriteConnectionLog("Normální odpojení");
    EXPECT_EQ(lines("/app/PO.log"), (std::vector<std::string>{"5.3.2026 14:07:09 : Normální připojení",
                                                              "5.3.2026 14:08:10 : Normální odpojení"}));
    const LocaleFormats englishFormats{'.', "M/d/yyyy", "h:mm:ss tt"};
    const shell::Logs english(fs, clock, englishFormats, paths);
    EXPECT_EQ(english.formatLine("x"), "3/5/2026 2:08:10 PM : x\r\n");
}

TEST_F(LogsTest, AReadOnlyDirectoryLosesTheLinesSilently) {
    fs.setReadOnly("/app", true);
    started();
    EXPECT_NO_THROW(form->logs().WriteConnectionLog("Normální připojení"));
    form->logs().ReportError("667,1");
    EXPECT_TRUE(fs.files().empty());
    EXPECT_TRUE(views.fatalError.window().visible); // the error window still comes up
}

TEST_F(LogsTest, GuardedHandlerSkipsTheRestAndReportsItsTag) {
    started();
    bool rest = false;
    form->logs().guarded("667,1", [&] {
        throw std::runtime_error("boom");
        rest = true;
    });
    form->logs().guarded("4,1030", [&] { throw 42; }); // anything, not only exceptions of std
    EXPECT_FALSE(rest);
    EXPECT_EQ(lines("/app/Error.log"),
              (std::vector<std::string>{"5.3.2026 14:07:09 : 667,1", "5.3.2026 14:07:09 : 4,1030"}));
}

TEST_F(LogsTest, TwoFailuresGiveTwoLinesAndOneErrorWindow) {
    started();
    const auto raisesBefore = views.fatalError.raiseCount();
    form->logs().ReportError("1,1");
    form->logs().ReportError("2,1");
    EXPECT_EQ(lines("/app/Error.log").size(), 2u);
    EXPECT_TRUE(views.fatalError.window().visible);
    EXPECT_EQ(views.fatalError.raiseCount(), raisesBefore + 1);
    EXPECT_EQ(views.fatalError.window().color, main(w::TForm1).color); // the main window's colour
}

TEST_F(LogsTest, FatalWindowButtonSwitchesThePingCheckOffRemovesTheTrayIconAndEnds) {
    started();
    form->logs().ReportError("1,1");
    form->intents().clicked(names::TForm8::Button1);
    EXPECT_EQ(form->state().pingFailures, 100);
    EXPECT_FALSE(main(w::TrayIcon1).visible);
    EXPECT_EQ(quits, 1);
}

TEST_F(LogsTest, LogWindowShowsTheFileOnceHoweverOftenItIsShown) {
    started();
    form->intents().clicked(w::Zobrazitlog1);
    EXPECT_TRUE(views.connectionLog.window().visible);
    EXPECT_EQ(views.connectionLog.get(names::TForm10::Memo1).text, ""); // no PO.log yet

    form->logs().WriteConnectionLog("Normální připojení");
    form->logs().WriteConnectionLog("Normální odpojení");
    form->intents().clicked(w::Zobrazitlog1);
    form->intents().clicked(w::Zobrazitlog1);
    EXPECT_EQ(views.connectionLog.get(names::TForm10::Memo1).text,
              "5.3.2026 14:07:09 : Normální připojení\n5.3.2026 14:07:09 : Normální odpojení");

    form->intents().windowEvent(names::TForm10::TForm10, shell::WindowEvent::Closed);
    EXPECT_FALSE(views.connectionLog.window().visible);
}

} // namespace
} // namespace qv::test
