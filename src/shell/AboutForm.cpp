#include "shell/AboutForm.h"

#include "shell/ProgramInfo.h"
#include "shell/ProgramLicence.h"
#include "shell/ShellNames.h"

#include <string>

namespace qv::shell {

namespace w = names::TForm3;

namespace {

// The libraries the program ships with, each under its own licence. Qt is linked as shared libraries, which is what
// the LGPL asks for: the user can put another build of the same version in their place.
constexpr const char* kLibraries =
    "Quorvex používá tyto knihovny, každou pod její vlastní licencí:\n"
    "\n"
    "Qt 6 (https://www.qt.io/)\n"
    "GNU Lesser General Public License, verze 3 (LGPL-3.0). Quorvex používá Qt jako sdílené knihovny, které lze "
    "nahradit jiným sestavením téže verze. Text licence: https://www.gnu.org/licenses/lgpl-3.0.html, zdrojový kód "
    "Qt: https://download.qt.io/.\n"
    "\n"
    "libpcap (https://www.tcpdump.org/)\n"
    "Licence BSD (3 ustanovení). Copyright (c) The Regents of the University of California a The Tcpdump Group.\n"
    "\n"
    "libcurl (https://curl.se/)\n"
    "Licence curl (odvozená od licence MIT/X). Copyright (c) Daniel Stenberg a další přispěvatelé.";

} // namespace

AboutForm::AboutForm(WindowView& view) : window_(view) {
    view.setText(w::TForm3, "Licence");
    view.setText(w::Label1, kProgramTitle);
    view.setText(w::Memo1, licenceText());
}

std::string AboutForm::licenceText() {
    return std::string("Quorvex je svobodný software pod touto licencí:\n\n") + reflow(kProgramLicence) + "\n\n" +
           kLibraries;
}

std::string AboutForm::reflow(std::string_view text) {
    // The file is wrapped for a terminal; in the window's box each paragraph is one line that the box wraps itself.
    std::string out;
    std::size_t newlines = 0;
    for (char c : text) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            ++newlines;
            continue;
        }
        if (newlines > 0 && !out.empty())
            out += newlines > 1 ? "\n\n" : " ";
        newlines = 0;
        out += c;
    }
    return out;
}

void AboutForm::Show(std::optional<std::uint32_t> mainColor) {
    window_.ensureCreated(mainColor);
    window_.show();
}

} // namespace qv::shell
