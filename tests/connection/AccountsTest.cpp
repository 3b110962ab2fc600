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
    EXPECT_EQ(main("ComboBox1").index, 2);
    EXPECT_EQ(dialer.Entry, "Gama");
    EXPECT_EQ(main("Edit1").text, "gama-user");
    EXPECT_EQ(main("Edit2").text, "gama-pass");
    EXPECT_FALSE(main("CheckBox1").checked);

    fs.put("/app/Nastaveni.ini", "[Ucet]\r\nHodnota=3\r\n");
    form->activated();
    EXPECT_EQ(main("ComboBox1").index, -1);
    EXPECT_EQ(main("Edit1").text, "gama-user"); // the fields are kept
    EXPECT_EQ(dialer.Entry, "Gama");
}

TEST_F(AccountsTest, AnEntryWithoutCredentialsPresetsStoringThem) {
    start();
    EXPECT_EQ(main("ComboBox1").index, 0);
    EXPECT_TRUE(main("CheckBox1").checked);
    form->indexChanged("TForm1", "ComboBox1", 2);
    EXPECT_FALSE(main("CheckBox1").checked);
    EXPECT_EQ(main("Edit1").text, "gama-user");
}

TEST_F(AccountsTest, TickingTheDefaultBoxWritesTheSelectedIndexAndUntickingWritesNothing) {
    start();
    form->indexChanged("TForm1", "ComboBox1", 1);
    form->toggled("TForm1", "CheckBox2", true);
    EXPECT_EQ(file("/app/Nastaveni.ini"), "[Ucet]\r\nHodnota=1\r\n");
    form->indexChanged("TForm1", "ComboBox1", 2);
    form->toggled("TForm1", "CheckBox2", false);
    EXPECT_EQ(file("/app/Nastaveni.ini"), "[Ucet]\r\nHodnota=1\r\n");
}

TEST_F(AccountsTest, DeleteRemovesTheEntryAtOnceButTheListKeepsItUntilTheNextActivation) {
    start();
    form->indexChanged("TForm1", "ComboBox1", 1);
    form->clicked("TForm1", "Smazat1");
    EXPECT_EQ(dialer.calls, (std::vector<std::string>{"DeleteEntry:Beta"}));
    EXPECT_EQ(main("ComboBox1").items.size(), 3u);
    form->activated();
    EXPECT_EQ(main("ComboBox1").items, (std::vector<std::string>{"Alfa", "Gama"}));
}

TEST_F(AccountsTest, DetectRereadsTheListAndSelectsTheFirstWithoutTouchingTheFields) {
    start("[Ucet]\r\nHodnota=2\r\n");
    dialer.phonebook.insert(dialer.phonebook.begin(), {"Nula", "#777", "", "n", "n"});
    form->clicked("TForm1", "SpeedButton3");
    EXPECT_EQ(main("ComboBox1").index, 0);
    EXPECT_EQ(dialer.Entry, "Nula");
    EXPECT_EQ(main("Edit1").text, "gama-user");

    dialer.setPhonebook({});
    form->clicked("TForm1", "SpeedButton3");
    EXPECT_EQ(main("ComboBox1").text, "Vytvořte připojení, Menu..");
}

TEST_F(AccountsTest, EditAndDeleteNeedASelection) {
    start("[Ucet]\r\nHodnota=9\r\n");
    form->clicked("TForm1", "Smazat1");
    form->clicked("TForm1", "Editovat1");
    EXPECT_TRUE(dialer.calls.empty());
}

} // namespace
} // namespace qv::test

namespace qv::test {
namespace {

struct EntryEditorTest : ConnectionFixture {
    const shell::WidgetState& editor(const std::string& name) { return views.entryEditor.get(name); }
    void type(const std::string& widget, const std::string& text) { form->textEdited("TFormEntry", widget, text); }
};

TEST_F(EntryEditorTest, ANewAccountIsCreatedAndListedWhenTheEditorCloses) {
    start();
    form->clicked("TForm1", "Vytvoitnovet1");
    EXPECT_TRUE(views.entryEditor.window().visible);
    EXPECT_EQ(views.entryEditor.window().text, "Nový účet");
    EXPECT_EQ(editor("EditNumber").text, "#777");
    type("EditName", "Mobil");
    type("EditUser", "karel");
    type("EditPassword", "tajne");
    form->clicked("TFormEntry", "ButtonSave");
    EXPECT_FALSE(views.entryEditor.window().visible);
    EXPECT_EQ(dialer.calls, (std::vector<std::string>{"CreateEntry:Mobil"}));
    EXPECT_EQ(main("ComboBox1").items, (std::vector<std::string>{"Alfa", "Beta", "Gama", "Mobil"}));
    EXPECT_EQ(dialer.phonebook.back().password, "tajne");
}

TEST_F(EntryEditorTest, EditShowsTheStoredEntryAndSavesUnderItsOldName) {
    dialer.phonebook[2].userName = "gama-user";
    start("[Ucet]\r\nHodnota=2\r\n");
    form->clicked("TForm1", "Editovat1");
    EXPECT_EQ(views.entryEditor.window().text, "Editovat účet");
    EXPECT_EQ(editor("EditName").text, "Gama");
    EXPECT_EQ(editor("EditUser").text, "gama-user");
    type("EditNumber", "*99#");
    form->clicked("TFormEntry", "ButtonSave");
    EXPECT_EQ(dialer.calls, (std::vector<std::string>{"EditEntry:Gama"}));
    EXPECT_EQ(dialer.phonebook[2].number, "*99#");
}

TEST_F(EntryEditorTest, ABadNameOrARefusedWriteKeepsTheEditorOpenWithAMessage) {
    start();
    form->clicked("TForm1", "Vytvoitnovet1");
    type("EditName", "../evil");
    form->clicked("TFormEntry", "ButtonSave");
    EXPECT_TRUE(views.entryEditor.window().visible);
    EXPECT_EQ(editor("LabelMessage").text, "Zadejte název účtu (bez znaku /).");
    EXPECT_TRUE(dialer.calls.empty());
    form->clicked("TFormEntry", "ButtonCancel");
    EXPECT_FALSE(views.entryEditor.window().visible);
}

} // namespace
} // namespace qv::test
