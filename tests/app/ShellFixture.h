#pragma once

#include "app/MainForm.h"
#include "common/Cp1250.h"
#include "support/ScriptedServices.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace qv::shell {
inline std::ostream& operator<<(std::ostream& out, const WidgetName& name) {
    return out << name.window << '.' << name.name;
}
} // namespace qv::shell

namespace qv::test {

namespace w = names::TForm1;

/// The shell on the virtual loop, an in-memory application directory "/app/" (with Data/) and a fixed start time.
struct ShellFixture : ::testing::Test, ScriptedServices {
    shell::AppPaths paths{"/app/", "alice"};
    app::Views views;
    int quits = 0;
    std::function<void()> onQuit; ///< runs at each request to end the program
    std::unique_ptr<app::MainForm> form;

    void SetUp() override {
        fs.addDir("/app");
        fs.addDir("/app/Data");
        dialer.setPhonebook({"Alfa", "Beta", "Gama"});
    }
    app::MainForm& make() {
        form = std::make_unique<app::MainForm>(services([this] {
                                                   ++quits;
                                                   if (onQuit)
                                                       onQuit();
                                               }),
                                               paths, views);
        form->intents().onUnhandled(
            [](const shell::WidgetName& name, shell::IntentRouter::Kind) { ADD_FAILURE() << "unhandled " << name; });
        return *form;
    }
    app::MainForm& started() {
        make().create();
        form->activated();
        return *form;
    }
    std::string file(const std::string& path) { return cp1250::toUtf8(fs.readAll(path).value_or("")); }
    std::vector<std::string> lines(const std::string& path) {
        std::vector<std::string> out;
        const std::string text = file(path);
        std::size_t pos = 0;
        while (pos < text.size()) {
            const auto end = text.find("\r\n", pos);
            if (end == std::string::npos) {
                out.push_back(text.substr(pos) + "<no CR LF>");
                break;
            }
            out.push_back(text.substr(pos, end - pos));
            pos = end + 2;
        }
        return out;
    }
    const shell::WidgetState& main(const shell::WidgetName& name) { return views.main.get(name); }
};

} // namespace qv::test
