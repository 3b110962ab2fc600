#include "settings/ProfileFile.h"

#include "common/Cp1250.h"
#include "common/Unicode.h"

namespace qv::settings {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr char kCtrlZ = '\x1A';

std::string_view trim(std::string_view s) {
    constexpr std::string_view blanks = " \t\r\v\f\x1A";
    const auto first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

/// The length of the line end at `pos` (a CR or LF): a run of CRs with the LF after it is one line end, so a
/// doubled CR before LF adds no empty line; a CR without LF after it ends a line alone.
std::size_t lineEndLength(std::string_view text, std::size_t pos) {
    if (text[pos] == '\r') {
        const auto afterCrs = text.find_first_not_of('\r', pos);
        if (afterCrs != std::string_view::npos && text[afterCrs] == '\n')
            return afterCrs + 1 - pos;
    }
    return 1;
}

/// The plain form of a line end, for the lines the program adds.
std::string plainLineEnd(std::string_view end) {
    if (end.find('\n') == std::string_view::npos)
        return "\r";
    return end.front() == '\r' ? "\r\n" : "\n";
}

/// The name of a "[Name]" line: the text up to the first ']', trimmed. A '[' without ']' is no header.
std::optional<std::string_view> sectionName(std::string_view line) {
    line = trim(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return trim(line.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

/// Only meaningful for lines inside a section that are not headers themselves.
std::optional<KeyLine> keyLine(std::string_view line) {
    line = trim(line);
    if (line.empty() || line.front() == ';')
        return std::nullopt;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return KeyLine{trim(line.substr(0, eq)), trim(line.substr(eq + 1))};
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

ProfileFile ProfileFile::parse(std::string_view bytes) {
    ProfileFile file;
    std::string decoded;
    if (bytes.starts_with(kUtf8Bom)) {
        file.encoding_ = Encoding::Utf8Bom;
        bytes.remove_prefix(kUtf8Bom.size());
    } else if (bytes.starts_with(kUtf16LeBom)) {
        file.encoding_ = Encoding::Utf16LeBom;
        decoded = unicode::utf16leToUtf8(bytes.substr(kUtf16LeBom.size()));
        bytes = decoded;
    }
    const auto lastText = bytes.find_last_not_of(kCtrlZ);
    const std::size_t markAt = lastText == std::string_view::npos ? 0 : lastText + 1;
    file.endOfFileMark_ = bytes.substr(markAt);
    bytes = bytes.substr(0, markAt);

    while (!bytes.empty()) {
        const auto pos = bytes.find_first_of("\r\n");
        if (pos == std::string_view::npos) {
            file.lines_.push_back({std::string(bytes), {}});
            break;
        }
        const auto endLength = lineEndLength(bytes, pos);
        file.lines_.push_back({std::string(bytes.substr(0, pos)), std::string(bytes.substr(pos, endLength))});
        bytes.remove_prefix(pos + endLength);
    }
    if (!file.lines_.empty() && !file.lines_.front().end.empty())
        file.newLine_ = plainLineEnd(file.lines_.front().end);
    return file;
}

bool ProfileFile::sameName(std::string_view a, std::string_view b) const {
    return encoding_ == Encoding::Cp1250 ? cp1250::equalsIgnoreCase(a, b) : cp1250::equalsIgnoreCaseUtf8(a, b);
}

std::string ProfileFile::toFileText(std::string_view utf8) const {
    return encoding_ == Encoding::Cp1250 ? cp1250::fromUtf8(utf8) : std::string(utf8);
}

std::string ProfileFile::toUtf8(std::string_view fileText) const {
    return encoding_ == Encoding::Cp1250 ? cp1250::toUtf8(fileText) : std::string(fileText);
}

std::optional<ProfileFile::SectionRange> ProfileFile::findSection(std::string_view name) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto found = sectionName(lines_[i].text);
        if (!found || !sameName(*found, name))
            continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && !sectionName(lines_[end].text))
            ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<std::string> ProfileFile::readString(std::string_view section, std::string_view key) const {
    const std::string wantedKey = toFileText(key);
    if (trim(wantedKey).empty())
        return std::nullopt;
    const auto range = findSection(toFileText(section));
    if (!range)
        return std::nullopt;
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        const auto kv = keyLine(lines_[i].text);
        if (kv && sameName(kv->key, wantedKey))
            return toUtf8(unquote(kv->value));
    }
    return std::nullopt;
}

void ProfileFile::insertLine(std::size_t at, std::string text) {
    if (at > 0 && lines_[at - 1].end.empty())
        lines_[at - 1].end = newLine_;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), newLine_});
}

void ProfileFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    value = value.substr(0, value.find_first_of("\r\n"));
    const std::string sectionText = toFileText(section);
    const std::string keyText = toFileText(key);
    std::string line = keyText + '=' + toFileText(value);

    const auto range = findSection(sectionText);
    if (!range) {
        // A blank line between sections keeps a file that people edit by hand readable.
        if (!lines_.empty() && !trim(lines_.back().text).empty())
            insertLine(lines_.size(), {});
        insertLine(lines_.size(), '[' + sectionText + ']');
        insertLine(lines_.size(), std::move(line));
        return;
    }
    std::size_t insertAt = range->header + 1;
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        const auto kv = keyLine(lines_[i].text);
        if (!kv)
            continue;
        if (sameName(kv->key, keyText)) {
            lines_[i].text = std::move(line); // the line keeps its own line end
            return;
        }
        insertAt = i + 1;
    }
    insertLine(insertAt, std::move(line));
}

std::string ProfileFile::serialize() const {
    std::size_t size = endOfFileMark_.size();
    for (const auto& line : lines_)
        size += line.text.size() + line.end.size();
    std::string text;
    text.reserve(size);
    for (const auto& line : lines_) {
        text += line.text;
        text += line.end;
    }
    text += endOfFileMark_;
    switch (encoding_) {
    case Encoding::Cp1250:
        return text;
    case Encoding::Utf8Bom:
        return std::string(kUtf8Bom) + text;
    case Encoding::Utf16LeBom:
        return std::string(kUtf16LeBom) + unicode::utf8ToUtf16le(text);
    }
    return text;
}

} // namespace qv::settings
