#pragma once

#include "shell/Intents.h"

#include <QObject>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <initializer_list>
#include <string>

namespace qv::ui::test {

/// Records every intent as one line, "kind window widget [value]".
class RecordingSink final : public shell::IntentSink {
public:
    QStringList log;
    /// Runs after each recorded intent, to play the logic's answer.
    std::function<void(const QString& line)> onIntent;

    void clicked(const shell::WidgetName& n) override { add("clicked", n); }
    void doubleClicked(const shell::WidgetName& n) override { add("doubleClicked", n); }
    void contextMenu(const shell::WidgetName& n) override { add("contextMenu", n); }
    void textEdited(const shell::WidgetName& n, const std::string& t) override { add("textEdited", n, t); }
    void indexChanged(const shell::WidgetName& n, int i) override { add("indexChanged", n, std::to_string(i)); }
    void toggled(const shell::WidgetName& n, bool c) override { add("toggled", n, c ? "1" : "0"); }
    void windowEvent(const shell::WidgetName& w, shell::WindowEvent e) override {
        static const char* const names[] = {"Activated", "CloseRequested", "Minimized", "Closed"};
        add("windowEvent", w, names[static_cast<int>(e)]);
    }

    /// The record so far, one intent a line; cleared after reading.
    QString take() {
        const QString all = log.join(QLatin1Char('\n'));
        log.clear();
        return all;
    }

private:
    void add(const char* kind, const shell::WidgetName& n, const std::string& value = {}) {
        // A window event names the window alone.
        const std::string widget = n.isWindow() ? "" : " " + std::string(n.name);
        QString line =
            QString::fromStdString(kind + (" " + std::string(n.window)) + widget + (value.empty() ? "" : " " + value));
        log.push_back(line);
        if (onIntent)
            onIntent(line);
    }
};

/// "name=text" of each named object below `root`, joined by "|": one comparison shows a whole group of captions.
inline QString texts(const QObject& root, std::initializer_list<const char*> names) {
    QStringList out;
    for (const char* name : names) {
        const QObject* o = root.findChild<QObject*>(QLatin1String(name));
        out << QLatin1String(name) + QLatin1Char('=') +
                   (o ? o->property("text").toString() : QStringLiteral("<missing>"));
    }
    return out.join(QLatin1Char('|'));
}

} // namespace qv::ui::test
