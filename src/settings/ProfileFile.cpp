#include "settings/ProfileFile.h"

#include "common/Cp1250.h"

namespace qv::settings {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
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
    if (bytes.starts_with(kUtf8Bom)) {
        file.bom_ = kUtf8Bom;
        bytes.remove_prefix(kUtf8Bom.size());
    }
    while (!bytes.empty()) {
        const auto nl = bytes.find('\n');
        std::string_view line = bytes.substr(0, nl);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        file.lines_.emplace_back(line);
        if (nl == std::string_view::npos)
            break;
        bytes.remove_prefix(nl + 1);
    }
    return file;
}

std::optional<ProfileFile::SectionRange> ProfileFile::findSection(std::string_view name) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto found = sectionName(lines_[i]);
        if (!found || !cp1250::equalsIgnoreCase(*found, name))
            continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && !sectionName(lines_[end]))
            ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<std::string> ProfileFile::readString(std::string_view section, std::string_view key) const {
    const std::string wantedKey = cp1250::fromUtf8(key);
    if (trim(wantedKey).empty())
        return std::nullopt;
    const auto range = findSection(cp1250::fromUtf8(section));
    if (!range)
        return std::nullopt;
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        const auto kv = keyLine(lines_[i]);
        if (kv && cp1250::equalsIgnoreCase(kv->key, wantedKey))
            return cp1250::toUtf8(unquote(kv->value));
    }
    return std::nullopt;
}

void ProfileFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    value = value.substr(0, value.find_first_of("\r\n"));
    const std::string sectionBytes = cp1250::fromUtf8(section);
    const std::string keyBytes = cp1250::fromUtf8(key);
    std::string line = keyBytes + '=' + cp1250::fromUtf8(value);

    const auto range = findSection(sectionBytes);
    if (!range) {
        // A blank line between sections keeps a file that people edit by hand readable.
        if (!lines_.empty() && !trim(lines_.back()).empty())
            lines_.emplace_back();
        lines_.push_back('[' + sectionBytes + ']');
        lines_.push_back(std::move(line));
        return;
    }
    std::size_t insertAt = range->header + 1;
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        const auto kv = keyLine(lines_[i]);
        if (!kv)
            continue;
        if (cp1250::equalsIgnoreCase(kv->key, keyBytes)) {
            lines_[i] = std::move(line);
            return;
        }
        insertAt = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
}

std::string ProfileFile::serialize() const {
    std::size_t size = bom_.size();
    for (const auto& line : lines_)
        size += line.size() + 2;
    std::string out;
    out.reserve(size);
    out += bom_;
    for (const auto& line : lines_) {
        out += line;
        out += "\r\n";
    }
    return out;
}

} // namespace qv::settings
