#include "tools/UpdateCheck.h"

#include "common/VirtualEventLoop.h"
#include "shell/ProgramInfo.h"
#include "support/FakeMailServices.h"
#include "support/FakeServices.h"
#include "support/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

namespace qv::test {
namespace {

/// The web host: the published version file's content, or nothing for a failed download. Writes the file the way
/// a download does, into the test's file system.
class ScriptedDownloader final : public platform::UrlDownloader {
public:
    explicit ScriptedDownloader(MemoryFileSystem& fs) : fs_(fs) {}
    std::optional<std::string> published;
    std::vector<platform::DownloadRequest> requests;
    bool download(const platform::DownloadRequest& request) override {
        requests.push_back(request);
        if (!published)
            return false;
        fs_.put(request.path, *published);
        return true;
    }

private:
    MemoryFileSystem& fs_;
};

struct UpdateFixture : testing::Test {
    VirtualEventLoop loop;
    MemoryFileSystem fs;
    RecordingDialogs dialogs;
    FakeMailServices services;
    ScriptedDownloader downloader{fs};
    connection::ControllerState state;
    std::unique_ptr<tools::UpdateCheck> check = make(&downloader);

    std::unique_ptr<tools::UpdateCheck> make(platform::UrlDownloader* d) {
        fs.addDir("/app");
        return std::make_unique<tools::UpdateCheck>(tools::UpdateCheckServices{
            loop, fs, dialogs, services.workers, d, services.desktop, state, LocaleFormats{}, "/app/", {}});
    }
    /// Clicks "Aktualizace" while online and lets the download and its answer run.
    void checkOnline() {
        state.isConnected = true;
        check->CheckForUpdate();
        services.workers.runAll();
        loop.advance(0);
    }
};

struct VersionCase {
    const char* installed; ///< nothing: no verze.txt
    const char* published;
    const char* box;
};

class UpdateVersionsTest : public UpdateFixture, public testing::WithParamInterface<VersionCase> {};

// Any difference counts, either way; equal numbers in other spellings are equal; what is not a version gives a
// message, never a fault.
TEST_P(UpdateVersionsTest, ComparesTheFirstLinesAsNumbers) {
    const auto& c = GetParam();
    if (c.installed)
        fs.put("/app/verze.txt", c.installed);
    downloader.published = c.published;
    checkOnline();
    EXPECT_EQ(dialogs.boxes, std::vector<std::string>{c.box});
    EXPECT_FALSE(fs.exists("/app/verze.tmp"));
    EXPECT_FALSE(check->busy());
}

INSTANTIATE_TEST_SUITE_P(
    Versions, UpdateVersionsTest,
    testing::Values(
        VersionCase{"1,5", "1,50", "info/no: Ne novější verze aplikace není k dispozici."},
        VersionCase{"1.32\n", "1,32\r\nZměny: opravy\r\n", "info/no: Ne novější verze aplikace není k dispozici."},
        VersionCase{"\xEF\xBB\xBF 1,32 \r\n", "1.320", "info/no: Ne novější verze aplikace není k dispozici."},
        VersionCase{"1,6", "1,5", "info/yes: Ano existuje novější verze aplikace."},
        VersionCase{"1,32", "1,33", "info/yes: Ano existuje novější verze aplikace."},
        VersionCase{"1,32", "", "error/yes: Nepodařilo se připojit na server"},
        VersionCase{"1,32", "<html>Not here</html>", "error/yes: Nepodařilo se připojit na server"},
        VersionCase{"1,32", "1,3,2", "error/yes: Nepodařilo se připojit na server"},
        VersionCase{nullptr, "1,32", "error/yes: Nepodařilo se zjistit nainstalovanou verzi aplikace"},
        VersionCase{"beta", "1,32", "error/yes: Nepodařilo se zjistit nainstalovanou verzi aplikace"}));

TEST_F(UpdateFixture, OfflineSaysSoAndTouchesNothing) {
    fs.put("/app/verze.txt", "1,32");
    const auto before = fs.files();
    check->CheckForUpdate();
    services.workers.runAll();
    loop.advance(0);
    EXPECT_EQ(dialogs.boxes, std::vector<std::string>{"info/yes: Nejste online"});
    EXPECT_TRUE(downloader.requests.empty());
    EXPECT_EQ(fs.files(), before);
}

TEST_F(UpdateFixture, AFailedDownloadSaysTheServerCannotBeReached) {
    fs.put("/app/verze.txt", "1,32");
    checkOnline();
    EXPECT_EQ(dialogs.boxes, std::vector<std::string>{"error/yes: Nepodařilo se připojit na server"});
    ASSERT_EQ(downloader.requests.size(), 1u);
    EXPECT_EQ(downloader.requests[0].url, "http://www.quorvex.cz/update/Verze.txt");
    EXPECT_EQ(downloader.requests[0].path, "/app/verze.tmp");
    EXPECT_EQ(downloader.requests[0].timeoutMs, 15'000);
}

TEST_F(UpdateFixture, WithoutADownloaderTheServerIsNeverReached) {
    check = make(nullptr);
    fs.put("/app/verze.txt", "1,32");
    checkOnline();
    EXPECT_EQ(dialogs.boxes, std::vector<std::string>{"error/yes: Nepodařilo se připojit na server"});
}

// The download runs off the UI thread: nothing is shown until its answer comes back through the loop, and a second
// click meanwhile starts no second download.
TEST_F(UpdateFixture, TheAnswerComesBackThroughTheLoopAndASecondClickWaits) {
    fs.put("/app/verze.txt", "1,32");
    downloader.published = "1,40";
    state.isConnected = true;
    check->CheckForUpdate();
    check->CheckForUpdate();
    EXPECT_EQ(services.workers.pending.size(), 1u);
    EXPECT_TRUE(check->busy());
    services.workers.runAll();
    EXPECT_TRUE(dialogs.boxes.empty());
    loop.advance(0);
    EXPECT_EQ(dialogs.boxes, std::vector<std::string>{"info/yes: Ano existuje novější verze aplikace."});
    check->CheckForUpdate();
    EXPECT_EQ(services.workers.pending.size(), 1u);
}

TEST_F(UpdateFixture, AnAnswerAfterTheCheckIsGoneReachesNobody) {
    downloader.published = "1,40";
    state.isConnected = true;
    check->CheckForUpdate();
    check.reset();
    services.workers.runAll();
    loop.advance(0);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(UpdateFixture, TheWebSiteOpensInTheDesktopsOpener) {
    check->OpenWebSite();
    EXPECT_EQ(services.desktop.opened,
              (std::vector<std::pair<std::string, std::string>>{{"http://www.quorvex.cz/", ""}}));
}

TEST(UpdateVersionParseTest, ReadsTheLocalesSeparatorAndThePoint) {
    using tools::UpdateCheck;
    EXPECT_EQ(UpdateCheck::parseVersion("1,5", ','), 1.5);
    EXPECT_EQ(UpdateCheck::parseVersion("1.5", ','), 1.5);
    EXPECT_EQ(UpdateCheck::parseVersion("2", '.'), 2.0);
    EXPECT_EQ(UpdateCheck::parseVersion(",5", ','), 0.5);
    EXPECT_EQ(UpdateCheck::parseVersion("1,5", '.'), std::nullopt);
    EXPECT_EQ(UpdateCheck::parseVersion(",", ','), std::nullopt);
    EXPECT_EQ(UpdateCheck::parseVersion("-1", ','), std::nullopt);
    EXPECT_EQ(UpdateCheck::parseVersion("1 5", ','), std::nullopt);
}

// The installation's version file is read in any locale and says the version the program shows.
TEST(UpdateVersionParseTest, TheShippedVersionFileHoldsTheProgramsVersion) {
    std::ifstream in(QV_SOURCE_DIR "/appdir/verze.txt", std::ios::binary);
    ASSERT_TRUE(in);
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string first = tools::UpdateCheck::firstLine(ss.str());
    const std::string title = shell::kProgramTitle;
    EXPECT_NE(title.find(" " + first + " "), std::string::npos) << first << " in " << title;
    for (const char separator : {',', '.'})
        EXPECT_TRUE(tools::UpdateCheck::parseVersion(first, separator)) << separator;
}

} // namespace
} // namespace qv::test
