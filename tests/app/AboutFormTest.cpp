#include "ShellFixture.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>
#include <vector>

namespace qv::test {
namespace {

namespace a = names::TForm3;

struct AboutFormTest : ShellFixture {
    const shell::WidgetState& about(const shell::WidgetName& name) { return views.about.get(name); }
};

// "O aplikaci" → "Licence": one window, made on first use with the main window's colour, freed when closed by its
// button or its close box, and made again (with the colour of then) on the next use.
TEST_F(AboutFormTest, LicenceOpensOneWindowThatFreesItselfWhenClosed) {
    fs.put("/app/Nastaveni.ini", "[Aplikace]\r\nBarva=255\r\n");
    started();
    EXPECT_FALSE(about(a::TForm3).visible);
    form->intents().clicked(w::Licence1);
    EXPECT_TRUE(about(a::TForm3).visible);
    EXPECT_EQ(about(a::TForm3).text, "Licence");
    EXPECT_EQ(about(a::TForm3).color, 0x0000FFu);
    EXPECT_EQ(about(a::Label1).text, "Quorvex 1.32 Beta");
    const auto raises = views.about.raiseCount();
    form->intents().clicked(w::Licence1);
    EXPECT_EQ(views.about.raiseCount(), raises + 1); // the same window comes up again

    form->intents().clicked(a::Button1);
    EXPECT_FALSE(about(a::TForm3).visible);
    fs.put("/app/Nastaveni.ini", "[Aplikace]\r\nBarva=65280\r\n");
    form->activated();
    form->intents().clicked(w::Licence1);
    EXPECT_EQ(about(a::TForm3).color, 0x00FF00u);
    form->intents().windowEvent(a::TForm3, shell::WindowEvent::Closed);
    EXPECT_FALSE(about(a::TForm3).visible);
    EXPECT_FALSE(fs.exists("/app/Error.log"));
}

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string word; in >> word;)
        out.push_back(word);
    return out;
}

// The program's licence is the LICENSE file of the source tree, word for word, followed by the libraries'.
TEST_F(AboutFormTest, ShowsTheLicenceFileAndTheLibrariesLicences) {
    std::ifstream file(QV_SOURCE_DIR "/LICENSE");
    ASSERT_TRUE(file);
    std::ostringstream licence;
    licence << file.rdbuf();
    const auto expected = words(licence.str());
    ASSERT_GT(expected.size(), 100u);
    ASSERT_EQ(expected.front(), "MIT");

    make();
    const std::string text = views.about.get(a::Memo1).text;
    const auto shown = words(text);
    const auto at = std::search(shown.begin(), shown.end(), expected.begin(), expected.end());
    ASSERT_NE(at, shown.end());
    const std::string libraries = text.substr(text.find("SOFTWARE.\n"));
    for (const char* library : {"Qt 6", "LGPL-3.0", "libpcap", "libcurl"})
        EXPECT_NE(libraries.find(library), std::string::npos) << library;
}

// The licence file is wrapped for a terminal; the window wraps each paragraph to its own width.
TEST(AboutFormReflowTest, JoinsTheLinesOfEachParagraph) {
    const std::pair<const char*, const char*> cases[] = {
        {"one\ntwo\n\nthree\r\nfour\n", "one two\n\nthree four"},
        {"\n\nlead\n\n\n\ngap\n", "lead\n\ngap"},
        {"", ""},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(shell::AboutForm::reflow(in), out) << in;
}

TEST_F(AboutFormTest, AFailureWhileShowingIsLoggedWithTheAboutWindowsTag) {
    started();
    views.about.subscribe([](const shell::WidgetName& name) {
        if (name.isWindow())
            throw std::runtime_error("no window");
    });
    form->intents().clicked(w::Licence1);
    EXPECT_EQ(lines("/app/Error.log"), (std::vector<std::string>{"5.3.2026 14:07:09 : 11,3"}));
}

} // namespace
} // namespace qv::test
