// The settings dialog's save and reload through the real file system: the save writes every key of a full
// "Nastaveni.ini" in one flushed atomic replace; the reload (after the save and at every activation) loads the file
// through the dialog's controls into the settings record.
#include "platform/linux/LinuxFileSystem.h"
#include "settings/LoadSettings.h"
#include "settings/SettingsFile.h"
#include "settingsdialog/SettingsDialogKeys.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

namespace {

using namespace qv;
namespace n = names::TForm2;

// The load through the dialog: every key into its control of the view, the record from the controls.
void load(const settings::SettingsFile& file, shell::WindowView& view, settings::SettingsRecord& record) {
    settingsdialog::ViewControls controls(view, file.locale(), {});
    settings::LoadSettings(file, record, {}, &controls);
}

bool save(settings::SettingsFile& file, const shell::WindowView& view) {
    const auto saved = settingsdialog::entriesToSave(view);
    std::vector<settings::ProfileEntry> entries;
    entries.reserve(saved.size());
    for (const auto& e : saved)
        entries.push_back({e.section, e.key, e.value});
    return file.write(entries);
}

void onDisk(benchmark::State& state, bool saving) {
    // $TMPDIR or /tmp: pick the file system to measure.
    std::string tmpl = (std::filesystem::temp_directory_path() / "qv-settings-bench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) {
        state.SkipWithError("no temporary directory");
        return;
    }
    const std::filesystem::path dir = tmpl.c_str();
    {
        platform::LinuxFileSystem fs;
        settings::SettingsFile file(fs, dir.string() + "/");
        shell::WindowView view(n::kAll);
        settings::SettingsRecord record;
        load(file, view, record); // no file yet: every default
        for (const auto& field : {n::StopSecondsField, n::StopMegabytesField, n::StartSecondsField})
            view.setText(field, "0"); // the rule editor's fields as a new dialog has them
        view.setText(n::ConnectAtTime, "7:30:00");
        if (!save(file, view)) {
            state.SkipWithError("the settings file cannot be written");
            return;
        }
        for (auto _ : state) {
            if (saving)
                benchmark::DoNotOptimize(save(file, view));
            else
                load(file, view, record);
        }
        state.counters["bytes"] = static_cast<double>(fs.size(file.path()).value_or(0));
    }
    std::filesystem::remove_all(dir);
}

void BM_SaveSettingsOnDisk(benchmark::State& state) {
    onDisk(state, true);
}
BENCHMARK(BM_SaveSettingsOnDisk)->Unit(benchmark::kMicrosecond);

void BM_ReloadThroughDialogOnDisk(benchmark::State& state) {
    onDisk(state, false);
}
BENCHMARK(BM_ReloadThroughDialogOnDisk)->Unit(benchmark::kMicrosecond);

} // namespace
