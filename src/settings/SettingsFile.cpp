#include "settings/SettingsFile.h"

#include "common/Formats.h"
#include "settings/ProfileFile.h"

#include <charconv>
#include <limits>

namespace qv::settings {

std::optional<std::int32_t> parseProfileInt(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    } else if (text.starts_with('$')) {
        base = 16;
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    // Unsigned parsing rejects a second sign, so "+-5" and "0x-5" fail as they should.
    std::uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (ec != std::errc{} || end != text.data() + text.size())
        return std::nullopt;

    if (base == 16) {
        if (magnitude > std::numeric_limits<std::uint32_t>::max())
            return std::nullopt;
        auto pattern = static_cast<std::uint32_t>(magnitude);
        if (negative)
            pattern = ~pattern + 1u;
        return static_cast<std::int32_t>(pattern);
    }
    const std::uint64_t limit = negative ? std::uint64_t{1} << 31 : (std::uint64_t{1} << 31) - 1;
    if (magnitude > limit)
        return std::nullopt;
    return static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(magnitude)
                                              : static_cast<std::int64_t>(magnitude));
}

SettingsFile::SettingsFile(platform::FileSystem& fs, std::string appDir, LocaleFormats locale)
    : fs_(&fs), path_(std::move(appDir)), locale_(std::move(locale)) {
    if (!path_.empty() && path_.back() != '/')
        path_ += '/';
    path_ += kFileName;
}

std::optional<std::string> SettingsReader::readString(std::string_view section, std::string_view key) const {
    if (!profile_)
        return std::nullopt;
    return profile_->readString(section, key);
}

std::string SettingsReader::readText(std::string_view section, std::string_view key, std::string_view def) const {
    auto value = readString(section, key);
    return value ? std::move(*value) : std::string(def);
}

std::string SettingsReader::readNumberText(std::string_view section, std::string_view key, std::string_view def) const {
    return readText(section, key, def);
}

std::int32_t SettingsReader::readInt(std::string_view section, std::string_view key, std::int32_t def) const {
    const auto value = readString(section, key);
    if (!value)
        return def;
    return parseProfileInt(*value).value_or(def);
}

bool SettingsReader::readFlag(std::string_view section, std::string_view key, bool def) const {
    return readInt(section, key, def ? 1 : 0) != 0;
}

double SettingsReader::readDecimal(std::string_view section, std::string_view key, double def) const {
    const auto value = readString(section, key);
    if (!value)
        return def;
    return parseDecimal(*value, locale_).value_or(def);
}

double SettingsReader::readTime(std::string_view section, std::string_view key, double def) const {
    const auto value = readString(section, key);
    if (!value)
        return def;
    return parseTimeOfDay(*value, locale_).value_or(def);
}

SettingsReader SettingsFile::reader() const {
    auto bytes = fs_->readAll(path_);
    return SettingsReader(bytes ? std::optional(ProfileFile::parse(*bytes)) : std::nullopt, locale_);
}

bool SettingsFile::write(std::span<const ProfileEntry> entries) {
    auto bytes = fs_->readAll(path_);
    if (!bytes && fs_->exists(path_))
        return false;
    auto profile = ProfileFile::parse(bytes ? *bytes : std::string_view{});
    for (const auto& entry : entries)
        profile.writeString(entry.section, entry.key, entry.value);
    return fs_->writeAtomic(path_, profile.serialize());
}

bool SettingsFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    const ProfileEntry entry{section, key, value};
    return write(std::span(&entry, 1));
}

bool SettingsFile::writeInt(std::string_view section, std::string_view key, std::int32_t value) {
    return writeString(section, key, std::to_string(value));
}

} // namespace qv::settings
