#include "SettingsDialogFixture.h"
#include "settingsdialog/SettingsDialogTags.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv::test {
namespace {

namespace t = settingsdialog::tags;
using settingsdialog::MailAccountEditor;
using settingsdialog::RuleEditor;

using RuleEditorTest = SettingsDialogFixture;

TEST_F(RuleEditorTest, AddWithoutAProgramDoesNothing) {
    open();
    type(d::StartSecondsField, "5");
    click(d::RuleAddButton);
    EXPECT_FALSE(fs.exists(kRules));
    EXPECT_EQ(mainRuleLoads, 0);
    EXPECT_EQ(at(d::StartSecondsField).text, "5");
}

TEST_F(RuleEditorTest, AddAppendsTheEditorsRuleReloadsTheMainListAndClearsTheEditor) {
    putRules({"/usr/bin/a"});
    open();
    EXPECT_EQ(at(d::RuleList).items, std::vector<std::string>{"/usr/bin/a"});
    dialogs.openAnswers = {std::string("/usr/bin/ž-prog")};
    click(d::RuleBrowseButton);
    EXPECT_EQ(at(d::RulePath).text, "/usr/bin/ž-prog");
    type(d::StopSecondsField, "60");
    type(d::StopMegabytesField, "2000"); // beyond the field's 1000
    type(d::StartSecondsField, "5");
    toggle(d::StartAtBox, true);
    type(d::StartAtTime, "8:00:00");
    click(d::RuleAddButton);

    extapps::ExternalAppRule added;
    added.path = "/usr/bin/ž-prog";
    added.stopSecondsBefore = 60;
    added.stopMegabytesBefore = 1000;
    added.startSecondsAfter = 5;
    added.startAtOn = true;
    added.startAt = 8.0 / 24;
    const auto rules = extapps::decodeRules(fs.readAll(kRules).value_or(""));
    EXPECT_EQ(fs.readAll(kRules)->size(), 2 * extapps::kRuleRecordSize);
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(rules[1], added);
    EXPECT_EQ(mainRuleLoads, 1);
    EXPECT_EQ(mainRules, rules);
    EXPECT_EQ(at(d::RuleList).items, (std::vector<std::string>{"/usr/bin/a", "/usr/bin/ž-prog"}));
    for (const auto& w : {d::StopSecondsField, d::StopMegabytesField, d::StartSecondsField})
        EXPECT_EQ(at(w).text, "0");
    EXPECT_EQ(at(d::RulePath).text, "");
    EXPECT_EQ(at(d::StartAtTime).text, "0:00:00");
    EXPECT_FALSE(at(d::StartAtBox).checked);
    EXPECT_FALSE(at(d::StartAtTime).enabled);
}

// The save echoes the editor's fields as they stand into [A1]; of them only the "Spustit v" box is loaded back.
TEST_F(RuleEditorTest, TheSaveEchoesTheEditorIntoItsSection) {
    open("[A1]\r\nSpustit=1\r\nCesta=/old\r\n");
    EXPECT_TRUE(at(d::StartAtBox).checked);
    EXPECT_TRUE(at(d::StartAtTime).enabled);
    EXPECT_EQ(at(d::RulePath).text, "");
    for (const auto& [w, text] : std::vector<std::pair<shell::WidgetName, std::string>>{{d::RulePath, "/usr/bin/x"},
                                                                                        {d::StopSecondsField, "60"},
                                                                                        {d::StopMegabytesField, "3"},
                                                                                        {d::StartSecondsField, "9"},
                                                                                        {d::StartAtTime, "6:05:00"},
                                                                                        {d::StopAtTime, "22:00:00"}})
        type(w, text);
    toggle(d::StopAtBox, true);
    click(d::SaveButton);
    EXPECT_NE(settingsFileText().find("[A1]\r\nSpustit=1\r\nCesta=/usr/bin/x\r\nVypnoutTime=60\r\nVypnoutData=3\r\n"
                                      "SpustitPo=9\r\nSpustitV=6:05:00\r\nUkoncit=1\r\nUkoncitV=22:00:00\r\n"),
              std::string::npos)
        << settingsFileText();
    EXPECT_FALSE(fs.exists(kRules)) << "the save writes no rule";
}

TEST_F(RuleEditorTest, ClickingARuleShowsItFromTheFile) {
    extapps::ExternalAppRule r;
    r.path = "/usr/bin/b";
    r.stopSecondsBefore = 30;
    r.stopAtOn = true;
    r.stopAt = 0.5;
    putRules({"/usr/bin/a"});
    open();
    fs.put(kRules, extapps::encodeRules({extapps::ExternalAppRule{}, r})); // changed since the show
    choose(d::RuleList, 1);
    EXPECT_EQ(at(d::RulePath).text, "/usr/bin/b");
    EXPECT_EQ(at(d::StopSecondsField).text, "30");
    EXPECT_EQ(at(d::StopAtTime).text, "12:00:00");
    EXPECT_TRUE(at(d::StopAtBox).checked);
    EXPECT_TRUE(at(d::StopAtTime).enabled);
}

const mail::MailAccount kAnn{"pop.a.cz", "ann", "secret", "110"};
const mail::MailAccount kBob{"pop.b.cz", "bob", "pw", "995"};

struct NoSelection {
    const char* name;
    shell::WidgetName button;
    const char* file;
    shell::WidgetName field;
};

class NoSelectionTest : public SettingsDialogFixture, public testing::WithParamInterface<NoSelection> {};

// "Odebrat" and "Změnit" with no line selected touch no record and leave the editor; the mail file is released.
TEST_P(NoSelectionTest, WithoutASelectedLineNothingIsTouched) {
    const NoSelection& c = GetParam();
    putRules({"/usr/bin/a", "/usr/bin/b"});
    putAccounts({kAnn, kBob});
    const std::string before = *fs.readAll(c.file);
    open();
    type(c.field, "typed");
    click(c.button);
    EXPECT_EQ(fs.readAll(c.file), before);
    EXPECT_EQ(at(c.field).text, "typed");
    EXPECT_EQ(mainRuleLoads, 0);
    EXPECT_TRUE(errors().empty());
    EXPECT_FALSE(mailLock.mailFileBusy());
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, NoSelectionTest,
    testing::Values(
        NoSelection{"RuleRemove", d::RuleRemoveButton, SettingsDialogFixture::kRules, d::RulePath},
        NoSelection{"RuleChange", d::RuleChangeButton, SettingsDialogFixture::kRules, d::RulePath},
        NoSelection{"AccountRemove", d::AccountRemoveButton, SettingsDialogFixture::kAccounts, d::ServerEdit},
        NoSelection{"AccountChange", d::AccountChangeButton, SettingsDialogFixture::kAccounts, d::ServerEdit}),
    [](const testing::TestParamInfo<NoSelection>& i) { return i.param.name; });

TEST_F(RuleEditorTest, ChangeReplacesTheSelectedRuleAndKeepsTheEditor) {
    putRules({"/a", "/b"});
    open();
    choose(d::RuleList, 0);
    type(d::RulePath, "/z");
    type(d::StartSecondsField, "7");
    click(d::RuleChangeButton);
    const auto rules = extapps::decodeRules(*fs.readAll(kRules));
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(rules[0].path, "/z");
    EXPECT_EQ(rules[0].startSecondsAfter, 7);
    EXPECT_EQ(rules[1].path, "/b");
    EXPECT_EQ(at(d::RulePath).text, "/z");
    EXPECT_EQ(mainRuleLoads, 1);
}

using MailAccountEditorTest = SettingsDialogFixture;

TEST_F(MailAccountEditorTest, ShowingListsTheAccountsAndChoosingOneFillsTheFields) {
    putAccounts({kAnn, kBob});
    open();
    EXPECT_EQ(at(d::AccountList).items, (std::vector<std::string>{"pop.a.cz , ann", "pop.b.cz , bob"}));
    choose(d::AccountList, 1);
    EXPECT_EQ(at(d::ServerEdit).text + at(d::UserEdit).text + at(d::PasswordEdit).text + at(d::PortEdit).text,
              "pop.b.czbobpw995");
    EXPECT_FALSE(mailLock.mailFileBusy());
}

TEST_F(MailAccountEditorTest, AddWritesTheFieldsAsANewAccountEvenWithoutAFile) {
    open();
    EXPECT_EQ(at(d::PortEdit).text, "110");
    type(d::ServerEdit, "pop.a.cz");
    type(d::UserEdit, "ann");
    type(d::PasswordEdit, std::string(120, 's'));
    click(d::AccountAddButton);
    EXPECT_EQ(accounts(), (std::vector<mail::MailAccount>{{"pop.a.cz", "ann", std::string(100, 's'), "110"}}));
    EXPECT_TRUE(fs.isPrivate(kAccounts));
    EXPECT_EQ(at(d::AccountList).items, std::vector<std::string>{"pop.a.cz , ann"});
    for (const auto& w : {d::ServerEdit, d::PortEdit, d::UserEdit, d::PasswordEdit})
        EXPECT_EQ(at(w).text, "");
    EXPECT_FALSE(mailLock.mailFileBusy());
}

TEST_F(MailAccountEditorTest, ChangeLeavesTheListLineAsItWas) {
    putAccounts({kAnn, kBob});
    open();
    choose(d::AccountList, 0);
    type(d::ServerEdit, "pop.new.cz");
    type(d::UserEdit, "anna");
    click(d::AccountChangeButton);
    EXPECT_EQ(accounts(), (std::vector<mail::MailAccount>{{"pop.new.cz", "anna", "secret", "110"}, kBob}));
    EXPECT_EQ(at(d::AccountList).items, (std::vector<std::string>{"pop.a.cz , ann", "pop.b.cz , bob"}));
    EXPECT_EQ(at(d::ServerEdit).text, "");
    click(d::CancelButton);
    open();
    EXPECT_EQ(at(d::AccountList).items[0], "pop.new.cz , anna") << "shown again";
}

// While a mail check holds the file, the dialog's operations wait for it, a second at a time, and then run in the
// order they were asked for; closing the dialog drops those still waiting.
TEST_F(MailAccountEditorTest, OperationsWaitForAMailCheckToReleaseTheFile) {
    putAccounts({kAnn});
    ASSERT_TRUE(mailLock.tryTake());
    open();
    EXPECT_TRUE(at(d::AccountList).items.empty()) << "the lists wait for the file";
    type(d::ServerEdit, "pop.b.cz");
    type(d::UserEdit, "bob");
    click(d::AccountAddButton);
    EXPECT_EQ(form->accounts().waiting(), 2u);
    loop.advance(3000);
    EXPECT_EQ(accounts().size(), 1u);
    mailLock.release();
    loop.advance(999);
    EXPECT_EQ(accounts().size(), 1u);
    loop.advance(1);
    const std::vector<mail::MailAccount> both{kAnn, {"pop.b.cz", "bob", "", "110"}};
    EXPECT_EQ(accounts(), both);
    EXPECT_EQ(at(d::AccountList).items, (std::vector<std::string>{"pop.a.cz , ann", "pop.b.cz , bob"}));
    EXPECT_FALSE(mailLock.mailFileBusy());
    EXPECT_EQ(form->accounts().waiting(), 0u);

    ASSERT_TRUE(mailLock.tryTake());
    click(d::AccountAddButton);
    click(d::CancelButton);
    mailLock.release();
    loop.advance(5000);
    EXPECT_EQ(accounts(), both);
}

using ListsTest = SettingsDialogFixture;

// "Odebrat" takes the selected line out of the list as last read, and the selection with it.
TEST_F(ListsTest, RemoveTakesTheSelectedLineOut) {
    putRules({"/a", "/b", "/c"});
    putAccounts({kAnn, kBob, kAnn});
    open();
    choose(d::RuleList, 1);
    click(d::RuleRemoveButton);
    EXPECT_EQ(rulePaths(), (std::vector<std::string>{"/a", "/c"}));
    EXPECT_EQ(at(d::RuleList).items, (std::vector<std::string>{"/a", "/c"}));
    EXPECT_EQ(at(d::RulePath).text, "");
    choose(d::RuleList, 1);
    choose(d::RuleList, 1);
    click(d::RuleRemoveButton);
    click(d::RuleRemoveButton); // the selection went with the reload
    EXPECT_EQ(rulePaths(), std::vector<std::string>{"/a"});

    choose(d::AccountList, 1);
    click(d::AccountRemoveButton);
    EXPECT_EQ(accounts(), (std::vector<mail::MailAccount>{kAnn, kAnn}));
    EXPECT_EQ(at(d::AccountList).items, (std::vector<std::string>{"pop.a.cz , ann", "pop.a.cz , ann"}));
    EXPECT_EQ(at(d::AccountList).index, -1);
}

// Both lists end at 255 lines: one more is refused with a box. A rule's path, as any, is cut to 200 characters.
TEST_F(ListsTest, TheTwoHundredFiftyFifthLineIsTheLast) {
    std::vector<std::string> programs;
    for (int i = 0; i < 254; ++i)
        programs.push_back("/p" + std::to_string(i));
    putRules(programs);
    putAccounts(std::vector<mail::MailAccount>(254, kAnn));
    open();
    type(d::RulePath, std::string(230, 'p'));
    click(d::RuleAddButton);
    type(d::ServerEdit, "pop.last.cz");
    click(d::AccountAddButton);
    EXPECT_EQ(rulePaths().size(), 255u);
    EXPECT_EQ(accounts().size(), 255u);
    EXPECT_TRUE(dialogs.boxes.empty());
    type(d::RulePath, "/one-too-many");
    click(d::RuleAddButton);
    type(d::ServerEdit, "pop.too-many.cz");
    click(d::AccountAddButton);
    EXPECT_EQ(rulePaths().size(), 255u);
    EXPECT_EQ(rulePaths().back(), std::string(200, 'p'));
    const auto now = accounts();
    EXPECT_EQ(now.size(), 255u);
    EXPECT_EQ(now.back().server, "pop.last.cz");
    EXPECT_EQ(dialogs.boxes, (std::vector<std::string>{std::string("error/ok: ") + RuleEditor::kListFull,
                                                       std::string("error/ok: ") + MailAccountEditor::kListFull}));
    EXPECT_FALSE(mailLock.mailFileBusy());
}

// A failed write is logged under its tag and leaves the file; the dialog stays, and the mail file is released, also
// after a file that reads badly.
TEST_F(ListsTest, AFailedWriteIsLoggedLeavesTheFileAndReleasesIt) {
    putRules({"/a"});
    putAccounts({kAnn});
    open();
    type(d::RulePath, "/b");
    type(d::ServerEdit, "pop.b.cz");
    fs.setReadOnly("/app/Data", true);
    click(d::RuleAddButton);
    click(d::AccountAddButton);
    EXPECT_EQ(rulePaths(), std::vector<std::string>{"/a"});
    EXPECT_EQ(accounts(), std::vector<mail::MailAccount>{kAnn});
    EXPECT_EQ(errors(), (std::vector<std::string>{t::kRuleAdd, t::kAccountAdd}));
    EXPECT_TRUE(form->exists());
    EXPECT_FALSE(mailLock.mailFileBusy());
    fs.setReadOnly("/app/Data", false);
    fs.put(kAccounts, "not a whole record");
    choose(d::AccountList, 0);
    click(d::AccountChangeButton);
    EXPECT_FALSE(mailLock.mailFileBusy());
    EXPECT_EQ(at(d::ServerEdit).text, "pop.a.cz") << "chosen from the list in memory";
}

TEST_F(MailAccountEditorTest, CestaPicksTheMailProgram) {
    open();
    dialogs.openAnswers = {std::nullopt, std::string("/usr/bin/thunderbird")};
    click(d::MailClientButton);
    EXPECT_EQ(at(d::MailClientPath).text, "");
    click(d::MailClientButton);
    EXPECT_EQ(at(d::MailClientPath).text, "/usr/bin/thunderbird");
    click(d::SaveButton);
    EXPECT_NE(settingsFileText().find("Path=/usr/bin/thunderbird"), std::string::npos);
    EXPECT_EQ(record.mailClientPath, "/usr/bin/thunderbird");
}

} // namespace
} // namespace qv::test
