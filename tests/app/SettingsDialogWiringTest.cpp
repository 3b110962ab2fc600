#include "ShellFixture.h"
#include "extapps/ExternalAppCodec.h"
#include "settingsdialog/SettingsDialogNames.h"

#include <gtest/gtest.h>

namespace qv::test {
namespace {

namespace d = names::TForm2;

struct SettingsDialogWiringTest : ShellFixture {
    const shell::WidgetState& dialog(const shell::WidgetName& name) { return views.settings.get(name); }
    void openFromMenu(const shell::WidgetName& item = w::Nastaveni1) {
        form->intents().clicked(item);
        form->intents().windowEvent(d::TForm2, shell::WindowEvent::Activated);
    }
    void toggle(const shell::WidgetName& name, bool on) {
        views.settings.setChecked(name, on);
        form->intents().toggled(name, on);
    }
};

// Both menu items open the one dialog in the main window's colour; its load selects the default account, a rule it
// adds reaches the main window's rule list, and its save colours the main window.
TEST_F(SettingsDialogWiringTest, TheMenuOpensTheOneDialogWhoseLoadAndSaveReachTheMainWindow) {
    fs.put("/app/Nastaveni.ini", "[Aplikace]\r\nBarva=255\r\n[Ucet]\r\nHodnota=1\r\n");
    started();
    views.main.setIndex(w::ComboBox1, 0);
    openFromMenu(w::Nastaveni1);
    EXPECT_TRUE(dialog(d::TForm2).visible);
    EXPECT_EQ(dialog(d::TForm2).color, 255u);
    EXPECT_EQ(main(w::ComboBox1).index, 1);
    const auto raises = views.settings.raiseCount();
    openFromMenu(w::Nastaven1);
    EXPECT_EQ(views.settings.raiseCount(), raises + 1);
    views.settings.setText(d::RulePath, "/usr/bin/backup");
    form->intents().textEdited(d::RulePath, "/usr/bin/backup");
    form->intents().clicked(d::RuleAddButton);
    ASSERT_EQ(form->externalApps().rules().size(), 1u);
    EXPECT_EQ(form->externalApps().rules()[0].path, "/usr/bin/backup");
    EXPECT_EQ(fs.readAll("/app/Data/alice_ExternApp.dat")->size(), extapps::kRuleRecordSize);
    form->intents().clicked(d::CancelButton);
    EXPECT_FALSE(dialog(d::TForm2).visible);

    openFromMenu();
    dialogs.colorAnswers = {0x00112233u};
    form->intents().clicked(d::ColorButton);
    EXPECT_EQ(main(w::TForm1).color, 0x00112233u);
    form->intents().clicked(d::SaveButton);
    form->activated();
    EXPECT_EQ(main(w::TForm1).color, 0x00112233u) << "saved, so the main window's own load keeps it";
    EXPECT_FALSE(fs.exists("/app/Error.log"));
}

// The slider reaches an open floating window; the save closes it, and opens it again at the file's position or at
// 10, 10 when the file has none.
TEST_F(SettingsDialogWiringTest, TheSliderAndTheSaveReachTheOpenFloatingWindow) {
    fs.put("/app/Nastaveni.ini", "[Okno]\r\nShow=1\r\n");
    started();
    form->state().isConnected = true;
    form->floating().OpenFloatingWindow();
    form->timers().timer(11).start();
    ASSERT_TRUE(form->floating().exists());
    openFromMenu();
    views.settings.setIndex(d::OpacitySlider, 12);
    form->intents().indexChanged(d::OpacitySlider, 12);
    EXPECT_EQ(form->floating().placement().opacity, 120);
    toggle(d::FloatShowBox, false);
    form->intents().clicked(d::SaveButton);
    EXPECT_FALSE(form->floating().exists());
    EXPECT_FALSE(views.floating.window().visible);
    EXPECT_FALSE(form->timers().timer(11).enabled());
    EXPECT_FALSE(form->floatWindowOn());

    openFromMenu();
    toggle(d::FloatShowBox, true);
    form->intents().clicked(d::SaveButton);
    EXPECT_TRUE(form->floating().exists());
    EXPECT_EQ(form->floating().placement().opacity, 120);
    EXPECT_EQ(std::pair(form->floating().placement().left, form->floating().placement().top), std::pair(10, 10))
        << "the file has no position: the save's own default";
    EXPECT_TRUE(form->timers().timer(11).enabled());
}

} // namespace
} // namespace qv::test
