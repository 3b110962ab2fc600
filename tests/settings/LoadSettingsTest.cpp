#include "settings/LoadSettings.h"
#include "common/Unicode.h"
#include "settings/SettingsWriters.h"
#include "support/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::settings {
namespace {

constexpr const char* kPath = "/app/Nastaveni.ini";
constexpr FloatPosition kFloatDefault{1720, 40};

class SettingsTest : public testing::Test {
protected:
    SettingsTest() { fs.addDir("/app/"); }

    SettingsRecord load(const std::string& bytes) {
        fs.put(kPath, bytes);
        return load();
    }
    SettingsRecord load() {
        SettingsRecord record;
        loaded = LoadSettings(file, record, kFloatDefault);
        return record;
    }

    test::MemoryFileSystem fs;
    SettingsFile file{fs, "/app", LocaleFormats{}};
    LoadedWindowSettings loaded{};
};

/// What the file of EveryKeyReachesItsOwnField gives: every field differs from its default, so a key mapped to the
/// wrong field, or a field the loader skips, shows.
SettingsRecord everyKeyChanged() {
    SettingsRecord e;
    e.floatWindowOnConnect = false, e.floatWarnMB = 36, e.floatWarnSeconds = 37, e.connectAtStart = true;
    e.runAtLogon = true, e.minimizeOnConnect = true, e.restoreOnDisconnect = true, e.meterByCounters = false;
    e.meterByPackets = true, e.modemPortIndex = 3, e.cdmaAccountIndex = 2, e.redialOnDrop = false;
    e.timeLimitOn = true, e.timeLimitReconnect = true, e.dataLimitOn = true, e.dataLimitReconnect = true;
    e.slowDownloadOn = true, e.slowDownloadReconnect = true, e.restartModemOnDisconnect = false;
    e.timeLimitMinutes = 31, e.dataLimitMB = 32, e.slowDownloadKBps = 34, e.slowDownloadMinutes = 35;
    e.reconnectDelaySeconds = 33, e.periodicSaveOn = false, e.purgeOldOn = false, e.pingWatchdogOn = true;
    e.periodicSaveMinutes = 38, e.purgeAgeDays = 39, e.retryAfterError720or721 = false, e.mailCheckOn = true;
    e.floatOpacity = 12, e.mailCheckMinutes = 40, e.mailOpenClient = true, e.mailClientPath = "C:\\Pošta.exe";
    e.modemTimeoutSeconds = 2.5, e.scheduledConnectOn = true, e.scheduledDisconnectOn = true;
    e.shutdownAfterScheduledDisconnect = true, e.scheduledConnectTime = 0.25, e.scheduledDisconnectTime = 0.75;
    e.mailSoundOn = false;
    return e;
}

TEST_F(SettingsTest, EveryKeyReachesItsOwnField) {
    const SettingsRecord r =
        load("[AutoStart]\r\nSpustit=1\r\n"
             "[Pripojeni]\r\nAuto=1\r\nReDial=0\r\n721=0\r\nReDialTime=1\r\nReDialTimeHodnota=31\r\n"
             "ReDialTimeP=1\r\nReData=1\r\nReDataHodnota=32\r\nReDataP=1\r\nProdleva=33\r\n"
             "[Download]\r\nRestart=1\r\nDown=34\r\nTime=35\r\nP\xF8ipojit=1\r\n"
             "[Modem]\r\nRestart=0\r\nPort=3\r\nTimeout=2,5\r\n"
             "[Aplikace]\r\nPripojeni=1\r\nOdpojeni=1\r\nBarva=255\r\n"
             "[Prenos]\r\nRegistry=0\r\nPakety=1\r\n"
             "[Okno]\r\nShow=0\r\nData=36\r\nTime=37\r\nPruhled=12\r\nLeft=-5\r\nTop=99\r\n"
             "[Ukladani]\r\nUkladat=0\r\nPo=38\r\n[Odstraneni]\r\nOdstranit=0\r\nPo=39\r\n"
             "[AutoRestart]\r\nRestart=1\r\n"
             "[Email]\r\nKontrola=1\r\nInterval=40\r\nZvuk=0\r\nKlient=1\r\nPath=C:\\Po\x9Ata.exe\r\n"
             "[Pripojit]\r\nAno=1\r\nV=6:00:00\r\n[Odpojit]\r\nAno=1\r\nV=18:00:00\r\nVypnout=1\r\n"
             "[Ucet]\r\nHodnota=2\r\n");
    EXPECT_EQ(r, everyKeyChanged());
    EXPECT_EQ(loaded.color, 255u);
    EXPECT_EQ(loaded.floatPosition, (FloatPosition{-5, 99}));
}

TEST_F(SettingsTest, NoFileWritesEveryDefaultIntoTheRecord) {
    SettingsRecord r = everyKeyChanged();
    loaded = LoadSettings(file, r, kFloatDefault);
    EXPECT_EQ(r, SettingsRecord{});
    EXPECT_EQ(r.modemTimeoutSeconds, 1.5);
    EXPECT_EQ(r.reconnectDelaySeconds, 20);
    EXPECT_EQ(loaded.color, 0xFF000005u);
    EXPECT_EQ(loaded.floatPosition, kFloatDefault);
    EXPECT_EQ(readDefaultAccountIndex(file), 0);
    EXPECT_TRUE(fs.files().empty()); // reading never creates the file
}

struct ValueCase {
    const char* name;
    const char* line; // under its section
    SettingsRecord expected;
    friend void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.line; }
};

SettingsRecord with(auto SettingsRecord::*field, auto value) {
    SettingsRecord r;
    r.*field = value;
    return r;
}

class ValueForms : public SettingsTest, public testing::WithParamInterface<ValueCase> {};

TEST_P(ValueForms, Loads) {
    EXPECT_EQ(load(GetParam().line), GetParam().expected);
}

using R = SettingsRecord;
INSTANTIATE_TEST_SUITE_P(
    File, ValueForms,
    testing::Values(
        ValueCase{"TimeoutZero", "[Modem]\nTimeout=0", with(&R::modemTimeoutSeconds, 1.5)},
        ValueCase{"TimeoutNegative", "[Modem]\nTimeout=-2", with(&R::modemTimeoutSeconds, 1.5)},
        ValueCase{"OpacityZero", "[Okno]\nPruhled=0", with(&R::floatOpacity, std::uint8_t{0})},
        ValueCase{"OpacityCut", "[Okno]\nPruhled=26", with(&R::floatOpacity, std::uint8_t{25})},
        ValueCase{"OpacityPastByte", "[Okno]\nPruhled=300", with(&R::floatOpacity, std::uint8_t{25})},
        ValueCase{"OpacityHex", "[Okno]\nPruhled=0x0A", with(&R::floatOpacity, std::uint8_t{10})},
        ValueCase{"Width16Top", "[Pripojeni]\nReDataHodnota=65535", with(&R::dataLimitMB, std::uint16_t{65535})},
        ValueCase{"Width16Past", "[Pripojeni]\nReDataHodnota=70000", with(&R::dataLimitMB, std::uint16_t{30})},
        ValueCase{"NegativeIntoUnsigned", "[Pripojeni]\nProdleva=-1", with(&R::reconnectDelaySeconds, uint16_t{20})},
        ValueCase{"NumberTextNotNumber", "[Email]\nInterval=30 min", with(&R::mailCheckMinutes, std::uint16_t{60})},
        ValueCase{"SignedPast", "[Modem]\nPort=40000", with(&R::modemPortIndex, std::int16_t{-1})},
        ValueCase{"FlagAnyNonZero", "[Pripojeni]\nAuto=-7", with(&R::connectAtStart, true)},
        ValueCase{"FlagHexZero", "[Pripojeni]\nReDial=0x0", with(&R::redialOnDrop, false)},
        ValueCase{"FlagNotNumberKeepsDefaultOn", "[Pripojeni]\nReDial=ano", with(&R::redialOnDrop, true)},
        ValueCase{"TimeNoLeadingZero", "[Pripojit]\nV=7:30:00", with(&R::scheduledConnectTime, 0.3125)}),
    [](const auto& c) { return std::string(c.param.name); });

struct IntCase {
    const char* text;
    std::optional<std::int32_t> expected;
    friend void PrintTo(const IntCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }
};

class ProfileInt : public testing::TestWithParam<IntCase> {};

TEST_P(ProfileInt, Parses) {
    EXPECT_EQ(parseProfileInt(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Forms, ProfileInt,
                         testing::Values(IntCase{"+7", 7}, IntCase{"0X1f", 31}, IntCase{"$ff", 255},
                                         IntCase{"0xFF000005", -16777211}, IntCase{"-0x10", -16},
                                         IntCase{"-2147483648", INT32_MIN}, IntCase{"2147483648", std::nullopt},
                                         IntCase{"0x100000000", std::nullopt},
                                         IntCase{"99999999999999999999", std::nullopt}, IntCase{"-", std::nullopt},
                                         IntCase{"0x", std::nullopt}, IntCase{"+-5", std::nullopt},
                                         IntCase{"12abc", std::nullopt}, IntCase{"1,5", std::nullopt}));

TEST_F(SettingsTest, ColourAndFloatPositionFromFile) {
    load("[Aplikace]\r\nBarva=0xFF000005\r\n[Okno]\r\nLeft=10\r\n");
    EXPECT_EQ(loaded.color, 0xFF000005u);
    EXPECT_EQ(loaded.floatPosition, (FloatPosition{10, kFloatDefault.top}));
}

TEST_F(SettingsTest, DecimalFollowsLocaleSeparator) {
    fs.put(kPath, "[Modem]\r\nTimeout=2.5\r\n");
    EXPECT_EQ(
        SettingsFile(fs, "/app/", LocaleFormats{.decimalSeparator = '.'}).reader().readDecimal("Modem", "Timeout", 0),
        2.5);
}

TEST_F(SettingsTest, ScheduledConnectClearedInFileWhileRecordKeepsIt) {
    const std::string before = "[Pripojit]\r\nAno=1\r\nV=7:30:00\r\n[Odpojit]\r\nAno=1\r\n";
    const SettingsRecord record = load(before);
    ASSERT_TRUE(clearScheduledConnect(file));
    EXPECT_TRUE(record.scheduledConnectOn);
    EXPECT_EQ(fs.files().at(kPath), "[Pripojit]\r\nAno=0\r\nV=7:30:00\r\n[Odpojit]\r\nAno=1\r\n");
    EXPECT_FALSE(load().scheduledConnectOn);

    ASSERT_TRUE(clearScheduledDisconnect(file));
    EXPECT_FALSE(load().scheduledDisconnectOn);
}

TEST_F(SettingsTest, WritersCreateMissingFile) {
    ASSERT_TRUE(writeFloatPosition(file, 1500, -20));
    ASSERT_TRUE(writeDefaultAccount(file, 3));
    EXPECT_EQ(fs.files().at(kPath), "[Okno]\r\nLeft=1500\r\nTop=-20\r\n\r\n[Ucet]\r\nHodnota=3\r\n");
    EXPECT_EQ(load().cdmaAccountIndex, 3);
    EXPECT_EQ(loaded.floatPosition, (FloatPosition{1500, -20}));
    EXPECT_EQ(readDefaultAccountIndex(file), 3);
}

TEST_F(SettingsTest, FailedWriteChangesNothing) {
    SettingsFile nowhere{fs, "/missing/"};
    EXPECT_FALSE(writeDefaultAccount(nowhere, 1));
    EXPECT_FALSE(clearScheduledConnect(nowhere));
    EXPECT_TRUE(fs.files().empty());

    fs.put(kPath, "[Ucet]\nHodnota=1\n");
    fs.setReadOnly("/app/", true);
    EXPECT_FALSE(writeFloatPosition(file, 1, 2));
    EXPECT_EQ(fs.files().at(kPath), "[Ucet]\nHodnota=1\n");
}

struct EncodingCase {
    const char* name;
    std::string (*encode)(std::string_view utf8);
    friend void PrintTo(const EncodingCase& c, std::ostream* os) { *os << c.name; }
};

class EncodedFile : public SettingsTest, public testing::WithParamInterface<EncodingCase> {};

TEST_P(EncodedFile, ReadsAndWritesBackInItsOwnEncoding) {
    const auto encode = GetParam().encode;
    const SettingsRecord before =
        load(encode("; Nastavení ručně\r\n[Download]\r\nPřipojit=1\r\n[Email]\r\nPath=C:\\Pošta\\Klient.exe\r\n"
                    "[Pripojit]\r\nAno=1\r\n"));
    EXPECT_TRUE(before.slowDownloadReconnect);
    EXPECT_EQ(before.mailClientPath, "C:\\Pošta\\Klient.exe");

    ASSERT_TRUE(clearScheduledConnect(file));
    ASSERT_TRUE(file.writeString("Email", "Path", "C:\\日本\\Klient.exe"));
    ASSERT_TRUE(writeFloatPosition(file, 5, 6));
    EXPECT_EQ(fs.files().at(kPath),
              encode("; Nastavení ručně\r\n[Download]\r\nPřipojit=1\r\n[Email]\r\nPath=C:\\日本\\Klient.exe\r\n"
                     "[Pripojit]\r\nAno=0\r\n\r\n[Okno]\r\nLeft=5\r\nTop=6\r\n"));
    EXPECT_EQ(load().mailClientPath, "C:\\日本\\Klient.exe");
}

INSTANTIATE_TEST_SUITE_P(
    ByteOrderMark, EncodedFile,
    testing::Values(EncodingCase{"Utf8", [](std::string_view utf8) { return "\xEF\xBB\xBF" + std::string(utf8); }},
                    EncodingCase{"Utf16Le",
                                 [](std::string_view utf8) { return "\xFF\xFE" + unicode::utf8ToUtf16le(utf8); }}),
    [](const auto& c) { return std::string(c.param.name); });

/// A settings file that exists but cannot be read (permissions, a lock held elsewhere).
class UnreadableFileSystem final : public platform::FileSystem {
public:
    explicit UnreadableFileSystem(platform::FileSystem& inner) : inner_(inner) {}
    std::optional<std::string> readAll(const std::string&) override { return std::nullopt; }
    bool exists(const std::string& path) override { return inner_.exists(path); }
    std::optional<std::uint64_t> size(const std::string& path) override { return inner_.size(path); }
    bool writeAtomic(const std::string& path, std::string_view b) override { return inner_.writeAtomic(path, b); }
    bool append(const std::string& path, std::string_view b) override { return inner_.append(path, b); }
    bool createEmpty(const std::string& path) override { return inner_.createEmpty(path); }
    bool remove(const std::string& path) override { return inner_.remove(path); }

private:
    platform::FileSystem& inner_;
};

TEST_F(SettingsTest, UnreadableFileIsNotReplacedBySingleKey) {
    fs.put(kPath, "[Okno]\r\nShow=0\r\n");
    UnreadableFileSystem unreadable{fs};
    SettingsFile blocked{unreadable, "/app/"};
    EXPECT_FALSE(clearScheduledDisconnect(blocked));
    EXPECT_EQ(fs.files().at(kPath), "[Okno]\r\nShow=0\r\n");
}

/// Records what the dialog's controls were shown and hands back a fixed answer for number fields.
class RecordingControls final : public SettingsDialogControls {
public:
    bool showFlag(const SettingKey& k, bool v) override {
        log(k, v ? "1" : "0");
        return v;
    }
    std::int32_t showInteger(const SettingKey& k, std::int32_t v) override {
        log(k, std::to_string(v));
        return v;
    }
    std::optional<std::int32_t> showNumberText(const SettingKey& k, const std::string& text) override {
        log(k, text);
        return numberAnswer;
    }
    double showDecimal(const SettingKey&, double v) override { return v; }
    double showTime(const SettingKey&, double v) override { return v; }
    std::string showText(const SettingKey&, const std::string& v) override { return v; }
    void selectDefaultAccount(std::optional<std::int32_t> index) override { accounts.push_back(index); }

    void log(const SettingKey& k, const std::string& v) {
        shown.push_back(std::string(k.section) + "/" + std::string(k.key) + "=" + v);
    }
    std::optional<std::int32_t> numberAnswer;
    std::vector<std::string> shown;
    std::vector<std::optional<std::int32_t>> accounts;
};

TEST_F(SettingsTest, DialogModeRoutesKeysThroughControls) {
    fs.put(kPath, "[Okno]\r\nTime=abc\r\n[A1]\r\nSpustit=1\r\n[Ucet]\r\nHodnota=4\r\n");
    RecordingControls controls;
    controls.numberAnswer = 99;
    SettingsRecord record;
    record.cdmaAccountIndex = 7;
    LoadSettings(file, record, kFloatDefault, &controls);

    EXPECT_EQ(controls.accounts, (std::vector<std::optional<std::int32_t>>{4}));
    EXPECT_EQ(record.cdmaAccountIndex, 7);
    EXPECT_EQ(record.floatWarnSeconds, 99); // the field's answer, not the file's text
    const auto shown = [&](const std::string& entry) {
        return std::find(controls.shown.begin(), controls.shown.end(), entry) != controls.shown.end();
    };
    EXPECT_TRUE(shown("Okno/Time=abc"));
    EXPECT_TRUE(shown("Pripojeni/ReDataHodnota=30")); // number text arrives as the default text
    EXPECT_TRUE(shown("A1/Spustit=1"));

    controls.numberAnswer.reset();
    fs.remove(kPath);
    LoadSettings(file, record, kFloatDefault, &controls);
    EXPECT_EQ(controls.accounts.back(), std::nullopt);
    EXPECT_EQ(record.floatWarnSeconds, 30);
}

} // namespace
} // namespace qv::settings
