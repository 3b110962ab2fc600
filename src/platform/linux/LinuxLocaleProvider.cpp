#include "platform/linux/LinuxLocaleProvider.h"

#include <cstdlib>
#include <initializer_list>
#include <langinfo.h>
#include <locale.h>
#include <utility>

namespace qv::platform {

namespace {

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Our token for one strftime conversion; empty for those we cannot show (names of days and months, zones …).
std::string_view tokenFor(char conversion, bool unpadded) {
    switch (conversion) {
    case 'd':
        return unpadded ? "d" : "dd";
    case 'e':
        return "d";
    case 'm':
        return unpadded ? "M" : "MM";
    case 'Y':
        return "yyyy";
    case 'y':
        return "yy";
    case 'H':
        return unpadded ? "H" : "HH";
    case 'k':
        return "H";
    case 'I':
        return unpadded ? "h" : "hh";
    case 'l':
        return "h";
    case 'M':
        return unpadded ? "m" : "mm";
    case 'S':
        return unpadded ? "s" : "ss";
    case 'p':
    case 'P':
        return "tt";
    case 'T':
        return "HH:mm:ss";
    case 'R':
        return "HH:mm";
    case 'D':
        return "MM/dd/yy";
    case 'F':
        return "yyyy-MM-dd";
    case 'r':
        return "hh:mm:ss tt";
    case '%':
        return "%";
    default:
        return {};
    }
}

// Whether the pattern, outside quoted text, uses every one of the given token letters.
bool usesAll(std::string_view pattern, std::string_view letters) {
    for (char letter : letters) {
        bool found = false;
        char quote = 0;
        for (char c : pattern) {
            if (quote != 0) {
                if (c == quote)
                    quote = 0;
            } else if (c == '\'' || c == '"') {
                quote = c;
            } else if (c == letter) {
                found = true;
                break;
            }
        }
        if (!found)
            return false;
    }
    return true;
}

std::string localeNameFor(const char* categoryVariable) {
    for (const char* variable : {"LC_ALL", categoryVariable, "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return value;
    }
    return "C";
}

LocaleFormats readFormats() {
    LocaleFormats formats;
    bool numeric = !isPosixLocaleName(localeNameFor("LC_NUMERIC"));
    bool time = !isPosixLocaleName(localeNameFor("LC_TIME"));
    if (!numeric && !time)
        return formats;

    locale_t loc = newlocale(LC_ALL_MASK, "", nullptr);
    if (loc == nullptr) {
        // Some category names a locale that is not installed; take the two we need one by one.
        loc = newlocale(LC_ALL_MASK, "C", nullptr);
        if (loc == nullptr)
            return formats;
        for (auto [mask, wanted] : {std::pair{LC_NUMERIC_MASK, &numeric}, std::pair{LC_TIME_MASK, &time}}) {
            if (!*wanted)
                continue;
            if (locale_t merged = newlocale(mask, "", loc))
                loc = merged;
            else
                *wanted = false;
        }
    }

    if (numeric) {
        const char* radix = nl_langinfo_l(RADIXCHAR, loc);
        // A separator of more than one byte (Arabic) does not fit the settings file's form.
        if (radix != nullptr && radix[0] != '\0' && radix[1] == '\0')
            formats.decimalSeparator = radix[0];
    }
    if (time) {
        if (std::string date = patternFromStrftime(nl_langinfo_l(D_FMT, loc)); usesAll(date, "dMy"))
            formats.shortDate = std::move(date);
        if (std::string longTime = patternFromStrftime(nl_langinfo_l(T_FMT, loc));
            usesAll(longTime, "m") && (usesAll(longTime, "H") || usesAll(longTime, "h")))
            formats.longTime = std::move(longTime);
    }
    freelocale(loc);
    return formats;
}

} // namespace

std::string patternFromStrftime(std::string_view strftimePattern) {
    std::string out;
    std::string letters; // literal letters waiting to be quoted
    auto flushLetters = [&] {
        if (letters.empty())
            return;
        out += '\'';
        out += letters;
        out += '\'';
        letters.clear();
    };

    std::size_t i = 0;
    const std::size_t n = strftimePattern.size();
    while (i < n) {
        const char c = strftimePattern[i];
        if (c != '%') {
            if (isAsciiLetter(c)) {
                letters += c;
            } else {
                flushLetters();
                if (c == '\'')
                    out += "\"'\"";
                else if (c == '"')
                    out += "'\"'";
                else
                    out += c;
            }
            ++i;
            continue;
        }
        flushLetters();
        std::size_t j = i + 1;
        bool unpadded = false;
        while (j < n && (strftimePattern[j] == '-' || strftimePattern[j] == '_' || strftimePattern[j] == '0' ||
                         strftimePattern[j] == '^' || strftimePattern[j] == '#')) {
            // Space padding has no token of its own; the unpadded number is the nearest.
            unpadded = unpadded || strftimePattern[j] == '-' || strftimePattern[j] == '_';
            ++j;
        }
        while (j < n && strftimePattern[j] >= '0' && strftimePattern[j] <= '9')
            ++j; // field width
        if (j < n && (strftimePattern[j] == 'E' || strftimePattern[j] == 'O'))
            ++j; // alternative era or digits: the plain form will do
        if (j >= n) {
            out += '%'; // a lone '%' at the end is text
            break;
        }
        out += tokenFor(strftimePattern[j], unpadded);
        i = j + 1;
    }
    flushLetters();
    return out;
}

bool isPosixLocaleName(std::string_view name) {
    return name == "C" || name == "POSIX" || name.starts_with("C.");
}

LinuxLocaleProvider::LinuxLocaleProvider() : formats_(readFormats()) {}

} // namespace qv::platform
