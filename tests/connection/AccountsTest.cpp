#include "ConnectionFixture.h"

namespace qv::test {
namespace {

struct AccountsTest : ConnectionFixture {
    void SetUp() override {
        ConnectionFixture::SetUp();
        dialer.phonebook[2].userName = "gama-user";
        dialer.phonebook[2].password = "gama-pass";
    }
};

TEST_F(AccountsTest, TheDefaultAccountIsSelectedWithItsStoredCredentialsAnIndexBeyondTheListSelectsNothing) {
    start("[Ucet]\r\nHodnota=2\r\n");
    EXPECT_EQ(main(w::ComboBox1).index, 2);
    EXPECT_EQ(dialer.Entry, "Gama");
    EXPECT_EQ(main(w::Edit1).text, "gama-user");
    EXPECT_EQ(main(w::Edit2).text, "gama-pass");
    EXPECT_FALSE(main(w::CheckBox1).checked);

    fs.put("/app/Nastaveni.ini", "[Ucet]\r\nHodnota=3\r\n");
    form->activated();
    EXPECT_EQ(main(w::ComboBox1).index, -1);
    EXPECT_EQ(main(w::Edit1).text, "gama-user"); // the fields are kept
    EXPECT_EQ(dialer.Entry, "Gama");
}

TEST_F(AccountsTest, AnEntryWithoutCredentialsPresetsStoringThem) {
    start();
    EXPECT_EQ(main(w::ComboBox1).index, 0);
    EXPECT_TRUE(main(w::CheckBox1).checked);
    form->intents().indexChanged(w::ComboBox1, 2);
    EXPECT_FALSE(main(w::CheckBox1).checked);
    EXPECT_EQ(main(w::Edit1).text, "gama-user");
}

TEST_F(AccountsTest, TickingTheDefaultBoxWritesTheSelectedIndexAndUntickingWritesNothing) {
    start();
    form->intents().indexChanged(w::ComboBox1, 1);
    form->intents().toggled(w::CheckBox2, true);
    EXPECT_EQ(file("/app/Nastaveni.ini"), "[Ucet]\r\nHodnota=1\r\n");
    form->intents().indexChanged(w::ComboBox1, 2);
    form->intents().toggled(w::CheckBox2, false);
    EXPECT_EQ(file("/app/Nastaveni.ini"), "[Ucet]\r\nHodnota=1\r\n");
}

TEST_F(AccountsTest, DeleteRemovesTheEntryAtOnceButTheListKeepsItUntilTheNextActivation) {
    start();
    form->intents().indexChanged(w::ComboBox1, 1);
    form->intents().clicked(w::Smazat1);
    EXPECT_EQ(dialer.calls, (std::vector<std::string>{"DeleteEntry:Beta"}));
    EXPECT_EQ(main(w::ComboBox1).items.size(), 3u);
    form->activated();
    EXPECT_EQ(main(w::ComboBox1).items, (std::vector<std::string>{"Alfa", "Gama"}));
}

TEST_F(AccountsTest, DetectRereadsTheListAndSelectsTheFirstWithoutTouchingTheFields) {
    start("[Ucet]\r\nHodnota=2\r\n");
    dialer.phonebook.insert(dialer.phonebook.begin(), {"Nula", "#777", "", "n", "n"});
    form->intents().clicked(w::SpeedButton3);
    EXPECT_EQ(main(w::ComboBox1).index, 0);
    EXPECT_EQ(dialer.Entry, "Nula");
    EXPECT_EQ(main(w::Edit1).text, "gama-user");

    dialer.setPhonebook({});
    form->intents().clicked(w::SpeedButton3);
    EXPECT_EQ(main(w::ComboBox1).text, "Vytvořte připojení, Menu..");
}

TEST_F(AccountsTest, EditAndDeleteNeedASelection) {
    start("[Ucet]\r\nHodnota=9\r\n");
    form->intents().clicked(w::Smazat1);
    form->intents().clicked(w::Editovat1);
    EXPECT_TRUE(dialer.calls.empty());
}

} // namespace
} // namespace qv::test

namespace qv::test {
namespace {

struct EntryEditorTest : ConnectionFixture {
    const shell::WidgetState& editor(const shell::WidgetName& name) { return views.entryEditor.get(name); }
    void type(const shell::WidgetName& widget, const std::string& text) { form->intents().textEdited(widget, text); }
};

TEST_F(EntryEditorTest, ANewAccountIsCreatedAndListedWhenTheEditorCloses) {
    start();
    form->intents().clicked(w::Vytvoitnovet1);
    EXPECT_TRUE(views.entryEditor.window().visible);
    EXPECT_EQ(views.entryEditor.window().text, "Nový účet");
    EXPECT_EQ(editor(names::TFormEntry::EditNumber).text, "#777");
    type(names::TFormEntry::EditName, "Mobil");
    type(names::TFormEntry::EditUser, "karel");
    type(names::TFormEntry::EditPassword, "tajne");
    form->intents().clicked(names::TFormEntry::ButtonSave);
    EXPECT_FALSE(views.entryEditor.window().visible);
    EXPECT_EQ(dialer.calls, (std::vector<std::string>{"CreateEntry:Mobil"}));
    EXPECT_EQ(main(w::ComboBox1).items, (std::vector<std::string>{"Alfa", "Beta", "Gama", "Mobil"}));
    EXPECT_EQ(dialer.phonebook.back().password, "tajne");
}

TEST_F(EntryEditorTest, EditShowsTheStoredEntryAndSavesUnderItsOldName) {
    dialer.phonebook[2].userName = "gama-user";
    start("[Ucet]\r\nHodnota=2\r\n");
    form->intents().clicked(w::Editovat1);
    EXPECT_EQ(views.entryEditor.window().text, "Editovat účet");
    EXPECT_EQ(editor(names::TFormEntry::EditName).text, "Gama");
    EXPECT_EQ(editor(names::TFormEntry::EditUser).text, "gama-user");
    type(names::TFormEntry::EditNumber, "*99#");
    form->intents().clicked(names::TFormEntry::ButtonSave);
    EXPECT_EQ(dialer.calls, (std::vector<std::string>{"EditEntry:Gama"}));
    EXPECT_EQ(dialer.phonebook[2].number, "*99#");
}

TEST_F(EntryEditorTest, ABadNameOrARefusedWriteKeepsTheEditorOpenWithAMessage) {
    start();
    form->intents().clicked(w::Vytvoitnovet1);
    type(names::TFormEntry::EditName, "../evil");
    form->intents().clicked(names::TFormEntry::ButtonSave);
    EXPECT_TRUE(views.entryEditor.window().visible);
    EXPECT_EQ(editor(names::TFormEntry::LabelMessage).text, "Zadejte název účtu (bez znaku /).");
    EXPECT_TRUE(dialer.calls.empty());
    form->intents().clicked(names::TFormEntry::ButtonCancel);
    EXPECT_FALSE(views.entryEditor.window().visible);
}

} // namespace
} // namespace qv::test
