#include "StatsCommand.h"

#include "common/Formats.h"
#include "common/OleDate.h"
#include "settings/SettingsRecord.h"
#include "shell/AppPaths.h"
#include "shell/Logs.h"
#include "statistics/LocalMoment.h"
#include "statistics/SpreadsheetExport.h"
#include "statistics/StatisticsFile.h"
#include "statistics/StatisticsGrid.h"
#include "statistics/UsageTotals.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

namespace qv::tools {

namespace {

using statistics::StatisticsRecord;
using statistics::UsageTotals;

constexpr const char* kHelp =
    "Použití: quorvex-stats [VOLBY]\n"
    "Přenesená data ze statistiky Quorvexu (Statistiky/Pripojeni.sts v adresáři aplikace).\n"
    "\n"
    "Bez voleb vypíše data za dnešek, za min. 6 + dnes a za min. 30 dní podle pásem a směrů,\n"
    "celkem a s přepočtem (data 2. pásma se počítají pětinou), pro všechny uživatele.\n"
    "\n"
    "  --user JMÉNO          jen záznamy tohoto uživatele (\"Vše\" = všichni)\n"
    "  --home ADRESÁŘ        adresář aplikace (jinak QUORVEX_HOME, jinak adresář tohoto programu)\n"
    "  --today RRRR-MM-DD    počítat, jako by dnes byl tento den\n"
    "  --json                souhrn jako objekt JSON: today, week, month, v každém down1, up1,\n"
    "                        down2, up2, total a recalculated v MB\n"
    "  --list                záznamy v pořadí souboru, jeden na řádek, pole oddělená tabulátorem\n"
    "  --export-xls SOUBOR   záznamy v pořadí souboru jako tabulka SYLK, jakou ukládá okno Statistika\n"
    "  --export-csv SOUBOR   záznamy v pořadí souboru jako CSV v UTF-8 s řádkem záhlaví\n"
    "                        (datum RRRR-MM-DD, čas HH:MM:SS, MB s desetinnou tečkou)\n"
    "  --help                tato nápověda\n"
    "  --version             verze\n"
    "\n"
    "Chybějící soubor statistiky znamená žádné záznamy. Soubor se jen čte.\n"
    "Návratový kód: 0 v pořádku; 1 chybná volba, soubor nelze přečíst nebo export zapsat;\n"
    "2 soubor statistiky není ve formátu tohoto programu (zůstane beze změny).\n";

enum class Mode { Summary, Json, List, ExportXls, ExportCsv };

struct Options {
    Mode mode = Mode::Summary;
    std::string target; ///< the export's file
    std::string user;
    std::optional<std::string> home;
    std::optional<int> today;
    bool help = false;
    bool version = false;
};

/// "2026-03-05" as a day count, or nothing.
std::optional<int> parseDate(const std::string& text) {
    int y = 0, m = 0, d = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &rest) != 3 || m < 1 || m > 12 || d < 1 || d > 31)
        return std::nullopt;
    const int day = static_cast<int>(oleFromDate(y, m, d));
    const CivilDateTime back = civilFromOle(day);
    if (back.year != y || back.month != m || back.day != d)
        return std::nullopt; // 31 April and the like
    return day;
}

/// Parses the arguments; on a mistake writes why and returns nothing.
std::optional<Options> parse(const std::vector<std::string>& args, std::ostream& err) {
    Options o;
    bool modeSet = false;
    const auto setMode = [&](Mode mode, const std::string& option) {
        if (modeSet) {
            err << "quorvex-stats: " << option << " nejde kombinovat s jiným výstupem\n";
            return false;
        }
        o.mode = mode;
        modeSet = true;
        return true;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = option.find('='); option.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = option.substr(eq + 1);
            option.resize(eq);
        }
        const auto value = [&]() -> std::optional<std::string> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < args.size())
                return args[++i];
            err << "quorvex-stats: " << option << " potřebuje hodnotu\n";
            return std::nullopt;
        };
        const bool takesValue = option == "--user" || option == "--home" || option == "--today" ||
                                option == "--export-xls" || option == "--export-csv";
        if (inlineValue && !takesValue) {
            err << "quorvex-stats: " << option << " nemá hodnotu\n";
            return std::nullopt;
        }
        if (option == "--help" || option == "-h") {
            o.help = true;
        } else if (option == "--version") {
            o.version = true;
        } else if (option == "--json") {
            if (!setMode(Mode::Json, option))
                return std::nullopt;
        } else if (option == "--list") {
            if (!setMode(Mode::List, option))
                return std::nullopt;
        } else if (takesValue) {
            const auto v = value();
            if (!v)
                return std::nullopt;
            if (option == "--user") {
                o.user = *v;
            } else if (option == "--home") {
                o.home = *v;
            } else if (option == "--today") {
                o.today = parseDate(*v);
                if (!o.today) {
                    err << "quorvex-stats: --today čeká datum RRRR-MM-DD, ne \"" << *v << "\"\n";
                    return std::nullopt;
                }
            } else {
                if (!setMode(option == "--export-xls" ? Mode::ExportXls : Mode::ExportCsv, option))
                    return std::nullopt;
                if (v->empty()) {
                    err << "quorvex-stats: " << option << " potřebuje jméno souboru\n";
                    return std::nullopt;
                }
                o.target = *v;
            }
        } else {
            err << "quorvex-stats: neznámá volba \"" << args[i] << "\" (nápověda: --help)\n";
            return std::nullopt;
        }
    }
    return o;
}

// --- output ---

std::size_t displayWidth(std::string_view utf8) {
    std::size_t n = 0;
    for (char c : utf8)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

std::string padLeft(const std::string& s, std::size_t width) {
    const std::size_t w = displayWidth(s);
    return w >= width ? s : std::string(width - w, ' ') + s;
}

std::string padRight(const std::string& s, std::size_t width) {
    const std::size_t w = displayWidth(s);
    return w >= width ? s : s + std::string(width - w, ' ');
}

void summary(std::ostream& out, const std::string& user, int today, const UsageTotals (&w)[3],
             const LocaleFormats& locale) {
    const auto mb = [&](double v) { return formatFixed(v, 8, 1, locale); };
    out << "Statistika pro: " << user << " (dnes " << formatShortDate(today, locale) << ")\n";
    constexpr std::size_t kLabel = 20, kValue = 15;
    out << padRight("[MB]", kLabel);
    for (const char* heading : {"dnes", "min. 6 + dnes", "min. 30 dní"})
        out << padLeft(heading, kValue);
    out << '\n';
    const auto row = [&](const char* label, double (*pick)(const UsageTotals&)) {
        out << padRight(label, kLabel);
        for (const UsageTotals& t : w)
            out << padLeft(mb(pick(t)), kValue);
        out << '\n';
    };
    row("1. pásmo Down", [](const UsageTotals& t) { return t.Down1; });
    row("1. pásmo Up", [](const UsageTotals& t) { return t.Up1; });
    row("2. pásmo Down", [](const UsageTotals& t) { return t.Down2; });
    row("2. pásmo Up", [](const UsageTotals& t) { return t.Up2; });
    row("Celkem", [](const UsageTotals& t) { return t.total(); });
    row("S přepočtem", [](const UsageTotals& t) { return t.recalculatedTotal(); });
}

/// The shortest text that reads back as the same number; JSON has no NaN or infinity, so those are null.
std::string jsonNumber(double v) {
    if (!std::isfinite(v))
        return "null";
    char buf[32];
    const auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
    return std::string(buf, end);
}

void json(std::ostream& out, const UsageTotals (&w)[3]) {
    const char* keys[] = {"today", "week", "month"};
    out << '{';
    for (int i = 0; i < 3; ++i) {
        const UsageTotals& t = w[i];
        out << (i ? "," : "") << '"' << keys[i] << "\":{\"down1\":" << jsonNumber(t.Down1)
            << ",\"up1\":" << jsonNumber(t.Up1) << ",\"down2\":" << jsonNumber(t.Down2)
            << ",\"up2\":" << jsonNumber(t.Up2) << ",\"total\":" << jsonNumber(t.total())
            << ",\"recalculated\":" << jsonNumber(t.recalculatedTotal()) << '}';
    }
    out << "}\n";
}

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + '"';
}

std::string csv(const std::vector<const StatisticsRecord*>& records) {
    // Plain conventions whatever the user's locale, for other programs to read.
    const LocaleFormats plain{'.', "yyyy-MM-dd", "HH:mm:ss"};
    std::string out = "Uživatel,Datum,Od,Do,1. Download MB,1. Upload MB,2. Download MB,2. Upload MB\n";
    for (const StatisticsRecord* r : records) {
        out += csvField(statistics::cellText(*r, 0, plain));
        for (int c = 1; c <= 3; ++c)
            out += ',' + statistics::cellText(*r, c, plain);
        for (double v : {r->Down1, r->Up1, r->Down2, r->Up2})
            out += ',' + (std::isfinite(v) ? formatDecimal(v, plain) : std::string());
        out += '\n';
    }
    return out;
}

} // namespace

int runStatsCommand(const std::vector<std::string>& args, StatsServices& s) {
    const std::optional<Options> o = parse(args, s.err);
    if (!o)
        return kExitFailed;
    if (o->help) {
        s.out << kHelp;
        return kExitOk;
    }
    if (o->version) {
        s.out << "quorvex-stats " << s.version << '\n';
        return kExitOk;
    }

    const shell::AppPaths paths(o->home ? *o->home : s.defaultAppDir, "");
    // The program's own reader; nothing here ever writes the statistics file or a log.
    shell::Logs logs(s.fs, s.clock, s.locale, paths);
    const settings::SettingsRecord settings;
    const statistics::StatisticsFile file(s.fs, s.clock, logs, settings, paths.statisticsFile());
    const statistics::FormatCheck check = file.checkFormat();
    using R = statistics::FormatCheck::Result;
    switch (check.result) {
    case R::Unreadable:
        s.err << "quorvex-stats: soubor " << file.path() << " nelze přečíst\n";
        return kExitFailed;
    case R::TooShort:
        s.err << "quorvex-stats: " << file.path()
              << " není soubor statistiky tohoto programu: je kratší než jeden záznam (88 bajtů). "
                 "Soubor zůstal beze změny.\n";
        return kExitMalformed;
    case R::ForeignTag:
        s.err << "quorvex-stats: " << file.path()
              << " není soubor statistiky tohoto programu: první záznam má značku formátu " << check.tag
              << ", ne 120. Soubor zůstal beze změny.\n";
        return kExitMalformed;
    case R::Missing:
    case R::Empty:
    case R::Valid:
        break;
    }
    std::vector<StatisticsRecord> records;
    try {
        records = file.LoadStatistics();
    } catch (const statistics::StatisticsFileError&) {
        s.err << "quorvex-stats: soubor " << file.path() << " nelze přečíst\n";
        return kExitFailed;
    }

    const statistics::UserFilter filter(o->user);
    const int today = o->today ? *o->today : statistics::localMoment(s.clock.now()).day;
    const std::string userShown = o->user.empty() ? std::string(statistics::UserFilter::kAllUsers) : o->user;

    if (o->mode == Mode::Summary || o->mode == Mode::Json) {
        const UsageTotals windows[3] = {
            statistics::windowTotals(records, filter, today, 0),
            statistics::windowTotals(records, filter, today, statistics::UsageWindows::kWeekDaysBack),
            statistics::windowTotals(records, filter, today, statistics::UsageWindows::kMonthDaysBack),
        };
        if (o->mode == Mode::Json)
            json(s.out, windows);
        else
            summary(s.out, userShown, today, windows, s.locale);
        return kExitOk;
    }

    std::vector<const StatisticsRecord*> selected;
    selected.reserve(records.size());
    for (const StatisticsRecord& r : records)
        if (filter.selects(r))
            selected.push_back(&r);

    switch (o->mode) {
    case Mode::List:
        for (const StatisticsRecord* r : selected) {
            for (int c = 0; c < statistics::kGridColumnCount; ++c)
                s.out << (c ? "\t" : "") << statistics::cellText(*r, c, s.locale);
            s.out << '\n';
        }
        return kExitOk;
    case Mode::ExportXls: {
        std::vector<StatisticsRecord> rows;
        rows.reserve(selected.size());
        for (const StatisticsRecord* r : selected)
            rows.push_back(*r);
        try {
            statistics::writeSpreadsheetFile(s.fs, o->target, statistics::statisticsSpreadsheet(rows, s.locale));
        } catch (const statistics::SpreadsheetWriteError&) {
            s.err << "quorvex-stats: soubor " << o->target << " nelze zapsat\n";
            return kExitFailed;
        }
        return kExitOk;
    }
    case Mode::ExportCsv:
        if (!s.fs.writeAtomic(o->target, csv(selected))) {
            s.err << "quorvex-stats: soubor " << o->target << " nelze zapsat\n";
            return kExitFailed;
        }
        return kExitOk;
    default:
        return kExitOk;
    }
}

} // namespace qv::tools
