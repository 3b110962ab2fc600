#pragma once

#include "app/ShellFixture.h"

namespace qv::test {

/// The whole shell after start-up, with the start-up modem restart out of the way; settings from a file.
struct ConnectionFixture : ShellFixture {
    void start(const std::string& ini = "") {
        if (!ini.empty())
            fs.put("/app/Nastaveni.ini", ini);
        started();
        form->timers().timer(10).stop();
    }
    connection::ConnectionController& ctl() { return form->controller(); }
    connection::ControllerState& st() { return form->state(); }
    std::vector<std::string> log() {
        std::vector<std::string> texts;
        for (const auto& l : lines("/app/PO.log"))
            texts.push_back(l.substr(l.find(" : ") + 3));
        return texts;
    }
    /// The user connects and the line comes up.
    void connectNow() {
        form->intents().clicked(w::SpeedButton1);
        dialer.progress(0);
        dialer.progress(8192);
        monitor.connect();
    }
    int tray() { return main(w::TrayIcon1).index; }
    /// "SpeedButton1 SpeedButton2 Pipojit1 Odpojit1 Restartpipojen1" as 1 for enabled, 0 for not.
    std::string controls() {
        std::string out;
        for (const auto& name : {w::SpeedButton1, w::SpeedButton2, w::Pipojit1, w::Odpojit1, w::Restartpipojen1})
            out += main(name).enabled ? '1' : '0';
        return out;
    }
};

} // namespace qv::test
