// The update check in the provider lab: libcurl on a worker thread fetches the version file from a web server on
// the provider host, across the dial-up link, and the answer comes back to the program's loop.
#include "Lab.h"
#include "LabProgram.h"
#include "shell/ShellNames.h"
#include "support/HttpServer.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace qv::lab {
namespace {

struct UpdateLabTest : ::testing::Test {
    std::unique_ptr<Lab> lab;
    std::unique_ptr<test::HttpServer> web;
    std::unique_ptr<Program> p;

    void SetUp() override {
        if (const auto why = Lab::start(lab); !why.empty())
            GTEST_SKIP() << why;
        ASSERT_EQ(lab->error(), "");
        // Made from a thread inside the provider's namespace, so the server's socket lives there.
        std::thread([&] {
            if (Lab::enterNetns(lab->netns()))
                web = std::make_unique<test::HttpServer>(Lab::kProviderHost, 80);
        }).join();
        ASSERT_TRUE(web && web->listening());
        p = std::make_unique<Program>(lab->appDir());
        ASSERT_TRUE(p->fs.writeAtomic(p->paths.file("verze.txt"), "1.32\n"));
        ASSERT_TRUE(p->fs.writeAtomic(p->paths.settingsFile(), "[Modem]\r\nRestart=0\r\n[Pripojeni]\r\nReDial=0\r\n"));
        ASSERT_TRUE(p->startAndDial());
    }
    void TearDown() override {
        p.reset();
        web.reset();
        lab.reset();
    }
    /// "Aktualizace", and the box it ends with.
    std::string check() {
        const auto before = p->dialogs.boxes.size();
        p->form.intents().clicked(names::TForm1::Aktualizace1);
        EXPECT_TRUE(p->loop.pumpUntil([&] { return p->dialogs.boxes.size() > before; }, 20000));
        return p->dialogs.boxes.empty() ? "" : p->dialogs.boxes.back();
    }
};

TEST_F(UpdateLabTest, TheServedVersionDecides) {
    web->put("/update/Verze.txt", "1,33\r\n");
    EXPECT_EQ(check(), "info/yes: Ano existuje novější verze aplikace.");
    web->put("/update/Verze.txt", "1,320\r\n");
    EXPECT_EQ(check(), "info/no: Ne novější verze aplikace není k dispozici.");
    EXPECT_EQ(web->requests(), (std::vector<std::string>(2, "GET /update/Verze.txt HTTP/1.1")));
    EXPECT_FALSE(p->fs.exists(p->paths.file("verze.tmp")));
}

TEST_F(UpdateLabTest, AMissingVersionFileIsAServerNotReached) {
    EXPECT_EQ(check(), "error/yes: Nepodařilo se připojit na server");
    EXPECT_FALSE(p->fs.exists(p->paths.file("verze.tmp")));
}

} // namespace
} // namespace qv::lab
