#include "platform/qt/QtDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>
#include <vector>

using namespace qv;

namespace {

/// Runs `act` on the open message box from inside its own event loop, after noting what the box shows: title,
/// text, icon, and the texts of its buttons.
void onOpenBox(QString& seen, std::function<void(QMessageBox&)> act) {
    QTimer::singleShot(0, [&seen, act = std::move(act)] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = box->windowTitle() + QLatin1Char('|') + box->text() + QLatin1Char('|') +
               QString::number(box->icon() == QMessageBox::Information);
        for (QAbstractButton* button : box->buttons())
            seen += QLatin1Char('|') + button->text();
        act(*box);
    });
}

} // namespace

class QtDialogsTest : public QObject {
    Q_OBJECT

private slots:
    // The box of the shutdown countdown: an information box with the one button "Cancel"; the button, Escape and
    // the close box all count as "Cancel".
    void cancelBoxAnswersCancelHoweverTheUserClosesIt() {
        const std::vector<std::function<void(QMessageBox&)>> ways = {
            [](QMessageBox& box) { box.button(QMessageBox::Cancel)->click(); },
            [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); },
            [](QMessageBox& box) { box.close(); },
        };
        for (const auto& way : ways) {
            QString seen;
            onOpenBox(seen, way);
            QVERIFY(platform::QtDialogs().showCancelBox("Information", "Vypnutí PC za 10 sekund"));
            QCOMPARE(seen, QStringLiteral("Information|Vypnut\u00ed PC za 10 sekund|1|Cancel"));
        }
    }

    // Stock boxes are titled by their kind and carry their one button.
    void messageBoxIsTitledByItsKind() {
        using platform::MessageButton;
        using platform::MessageKind;
        struct Row {
            MessageKind kind;
            MessageButton button;
            QString seen;
        };
        for (const Row& row :
             {Row{MessageKind::Information, MessageButton::Yes, QStringLiteral("Information|Synchronizace|1|&Yes")},
              Row{MessageKind::Error, MessageButton::Ok, QStringLiteral("Error|Synchronizace|0|OK")}}) {
            QString seen;
            onOpenBox(seen, [](QMessageBox& box) { box.buttons().constFirst()->click(); });
            platform::QtDialogs().showMessageBox("Synchronizace", row.kind, row.button);
            QCOMPARE(seen, row.seen);
        }
    }

    // A box that goes without the user (the program ending under it) is not a "Cancel".
    void cancelBoxClosedByTheProgramIsNoCancel() {
        QString seen;
        onOpenBox(seen, [](QMessageBox& box) { box.hide(); });
        QVERIFY(!platform::QtDialogs().showCancelBox("Information", "Vypnutí PC za 10 sekund"));
        QVERIFY(!seen.isEmpty());
    }
};

QTEST_MAIN(QtDialogsTest)
#include "QtDialogsTest.moc"
