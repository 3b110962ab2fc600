#include "platform/linux/PppdEntryStore.h"
#include "LinuxTempDir.h"
#include "platform/DialTexts.h"
#include "platform/linux/LinuxDialUpAdapter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace qv::platform {
namespace {

namespace fsys = std::filesystem;

class PppdEntries : public LinuxTempDir {
protected:
    void SetUp() override {
        LinuxTempDir::SetUp();
        fsys::create_directory(dir / "peers");
        store = PppdEntryStore((dir / "peers").string(), (dir / secrets).string());
    }
    const std::string secrets = "cfg/quorvex/secrets";
    PppdEntryStore store{"", ""};
};

TEST_F(PppdEntries, ANewEntryIsAPeerFileAndAPrivatePassword) {
    const EntryDefinition e{"mobil", "#777", "/dev/ttyUSB0", "jan@net", "tajné heslo"};
    ASSERT_EQ(store.create(e), 0);
    const std::string text = read("peers/mobil");
    for (const char* line : {"\n/dev/ttyUSB0\n", "\nnoauth\n", "\ndefaultroute\n", "\nusepeerdns\n",
                             "\nlinkname \"mobil\"\n", "\nipparam \"mobil\"\n", "\nuser \"jan@net\"\n",
                             "'ATD#777' CONNECT ''\"\n", "ABORT BUSY", "ABORT 'NO ANSWER'", "chat -v -s "})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    EXPECT_EQ(text.find("tajné"), std::string::npos);

    struct stat st {};
    ASSERT_EQ(::stat((dir / secrets).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat((dir / secrets).parent_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    EntryDefinition back;
    ASSERT_EQ(store.read("mobil", back), 0);
    EXPECT_EQ(back.name, e.name);
    EXPECT_EQ(back.number, e.number);
    EXPECT_EQ(back.device, e.device);
    EXPECT_EQ(back.userName, e.userName);
    EXPECT_EQ(back.password, e.password);
    EXPECT_EQ(store.create(e), dialerror::kAlreadyExists);
}

TEST_F(PppdEntries, EditKeepsWhatItDoesNotManage) {
    // Debian's example entry, written by hand.
    std::ofstream(dir / "peers/provider") << "# example configuration for a dialup connection\n"
                                             "user \"myusername@realm\"\n"
                                             "connect \"/usr/sbin/chat -v -f /etc/chatscripts/pap -T 12345\"\n"
                                             "/dev/modem\n"
                                             "115200\n"
                                             "noipdefault\n"
                                             "usepeerdns\n"
                                             "defaultroute\n"
                                             "persist\n"
                                             "noauth\n";
    ::chmod((dir / "peers/provider").c_str(), 0640);
    ASSERT_EQ(store.edit("provider", {"provider", "*99#", "/dev/ttyUSB1", "novak", "x"}), 0);
    const std::string text = read("peers/provider");
    EXPECT_EQ(text, "# example configuration for a dialup connection\n"
                    "user \"novak\"\n"
                    "connect \"/usr/sbin/chat -v -f /etc/chatscripts/pap -T *99#\"\n"
                    "/dev/ttyUSB1\n"
                    "115200\n"
                    "noipdefault\n"
                    "usepeerdns\n"
                    "defaultroute\n"
                    "persist\n"
                    "noauth\n"
                    "linkname \"provider\"\n"
                    "ipparam \"provider\"\n");
    struct stat st {};
    ::stat((dir / "peers/provider").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // A rename moves the file and its password; the current name is free afterwards.
    ASSERT_EQ(store.edit("provider", {"work", "*99#", "", "novak", "x"}), 0);
    EXPECT_FALSE(fsys::exists(dir / "peers/provider"));
    const std::string renamed = read("peers/work");
    EXPECT_NE(renamed.find("\n/dev/ttyUSB1\n"), std::string::npos) << "an empty device keeps the file's own";
    EXPECT_NE(renamed.find("\nlinkname \"work\"\nipparam \"work\"\n"), std::string::npos) << renamed;
    std::string pw;
    EXPECT_EQ(store.password("work", pw), 0);
    EXPECT_EQ(pw, "x");
    EXPECT_EQ(read(secrets), "work\tx\n");
}

TEST_F(PppdEntries, SettingTheUserNameKeepsThePasswordAndTheScript) {
    std::ofstream(dir / "peers/gprs") << "connect \"/usr/sbin/chat -v -f /etc/chatscripts/gprs\"\n/dev/ttyACM0\n";
    ASSERT_EQ(store.setPassword("gprs", "pw"), 0);
    ASSERT_EQ(store.setUserName("gprs", "a b"), 0);
    EXPECT_EQ(read("peers/gprs"),
              "connect \"/usr/sbin/chat -v -f /etc/chatscripts/gprs\"\n/dev/ttyACM0\nuser \"a b\"\n");
    std::string user, pw;
    store.userName("gprs", user);
    store.password("gprs", pw);
    EXPECT_EQ(user, "a b");
    EXPECT_EQ(pw, "pw");
    EXPECT_EQ(store.setPassword("none", "pw"), dialerror::kCannotFindEntry);
    EXPECT_EQ(store.userName("none", user), dialerror::kCannotFindEntry);
}

TEST_F(PppdEntries, DeleteRemovesTheFileAndOnlyItsPassword) {
    ASSERT_EQ(store.create({"a", "1", "/dev/ttyUSB0", "", "pa"}), 0);
    ASSERT_EQ(store.create({"b", "2", "/dev/ttyUSB0", "", "pb"}), 0);
    std::ofstream(dir / secrets, std::ios::app) << "a line someone added by hand\n";
    EXPECT_EQ(store.remove("a"), 0);
    EXPECT_FALSE(fsys::exists(dir / "peers/a"));
    EXPECT_EQ(read(secrets), "b\tpb\na line someone added by hand\n");
    EXPECT_EQ(store.remove("a"), dialerror::kCannotFindEntry);
}

TEST_F(PppdEntries, NamesAndFieldsThatCannotBeStored) {
    for (const char* name : {"", ".hidden", "a/b", "..", "backup~", "tab\there"})
        EXPECT_EQ(store.create({name, "1", "/dev/ttyUSB0", "", ""}), dialerror::kInvalidName) << name;
    EXPECT_EQ(store.create({"x", "1'; reboot '", "/dev/ttyUSB0", "", ""}), dialerror::kInvalidParameter);
    EXPECT_EQ(store.create({"x", "1", "/dev/tty USB0", "", ""}), dialerror::kInvalidParameter);
    EXPECT_EQ(store.create({"x", "1", "", "", ""}), dialerror::kInvalidParameter);
    EXPECT_EQ(store.edit("missing", {"missing", "1", "/dev/ttyUSB0", "", ""}), dialerror::kCannotFindEntry);
    EXPECT_TRUE(fsys::is_empty(dir / "peers"));
}

TEST_F(PppdEntries, WithoutWriteAccessNothingIsWrittenHalfWay) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes to a read-only directory all the same";
    ASSERT_EQ(store.create({"mobil", "#777", "/dev/ttyUSB0", "jan", "pw"}), 0);
    const std::string before = read("peers/mobil");
    fsys::permissions(dir / "peers", fsys::perms::owner_read | fsys::perms::owner_exec);
    EXPECT_EQ(store.create({"new", "1", "/dev/ttyUSB0", "u", "p"}), dialerror::kAccessDenied);
    EXPECT_EQ(store.edit("mobil", {"mobil", "#778", "/dev/ttyUSB0", "jan", "pw2"}), dialerror::kAccessDenied);
    EXPECT_EQ(store.remove("mobil"), dialerror::kAccessDenied);
    EXPECT_EQ(read("peers/mobil"), before);
    EXPECT_EQ(std::distance(fsys::directory_iterator(dir / "peers"), fsys::directory_iterator{}), 1);
    std::string pw;
    store.password("mobil", pw);
    EXPECT_EQ(pw, "pw"); // nor the password of a failed edit
    EXPECT_NE(dialErrorText(dialerror::kAccessDenied).find("Access denied"), std::string::npos);
}

TEST(PppdOptionsSyntax, QuotedWordsReadBackAsTheyWere) {
    for (const std::string& s :
         std::vector<std::string>{"plain", "with space", "quote\"inside", "back\\slash", "tab\tand\nnewline",
                                  "#not a comment", "'single'", std::string("\x01\x7f", 2), ""})
        EXPECT_EQ(PppdEntryStore::pppdWords(PppdEntryStore::pppdQuote(s)), std::vector<std::string>{s}) << s;
    EXPECT_EQ(PppdEntryStore::pppdWords("user 'a b' # comment \"x\""), (std::vector<std::string>{"user", "a b"}));
    // Several user lines: the last one wins, as in pppd.
    EXPECT_EQ(PppdEntryStore::parsePeerFile("/dev/ttyUSB0 115200\nuser first\nuser \"second\"\n").userName, "second");
    EXPECT_EQ(LinuxDialUpAdapter::secretOptions("", "p w"), "password \"p w\"\n");
}

} // namespace
} // namespace qv::platform
