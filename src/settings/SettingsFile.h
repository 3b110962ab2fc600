#pragma once

#include "common/LocaleFormats.h"
#include "platform/FileSystem.h"
#include "settings/ProfileFile.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qv::settings {

/// An integer as the settings file stores it: decimal with an optional sign, or hexadecimal after "0x", "0X" or
/// "$" (up to 8 digits, taken as a 32-bit pattern so that colours like 0xFF000005 read back as written). Nothing
/// when the text is not such a number or lies outside the 32-bit range.
std::optional<std::int32_t> parseProfileInt(std::string_view text);

/// One key to write: section, key and value text, UTF-8.
struct ProfileEntry {
    std::string_view section;
    std::string_view key;
    std::string_view value;
};

/// The typed readers over one reading of the file: a load of many keys opens the file once.
class SettingsReader final {
public:
    SettingsReader(std::optional<ProfileFile> profile, LocaleFormats locale)
        : profile_(std::move(profile)), locale_(std::move(locale)) {}

    std::optional<std::string> readString(std::string_view section, std::string_view key) const;
    std::string readText(std::string_view section, std::string_view key, std::string_view def) const;
    std::string readNumberText(std::string_view section, std::string_view key, std::string_view def) const;
    std::int32_t readInt(std::string_view section, std::string_view key, std::int32_t def) const;
    bool readFlag(std::string_view section, std::string_view key, bool def) const;
    double readDecimal(std::string_view section, std::string_view key, double def) const;
    double readTime(std::string_view section, std::string_view key, double def) const;

private:
    std::optional<ProfileFile> profile_; ///< nothing when the file is missing or unreadable
    LocaleFormats locale_;
};

/// "Nastaveni.ini" in the application directory. Every read and every write opens the file, works and closes it;
/// nothing is held between calls, so a value written elsewhere is seen by the next read. A missing file, section
/// or key reads as the caller's default. Sections and keys are UTF-8 (see ProfileFile).
class SettingsFile final {
public:
    static constexpr std::string_view kFileName = "Nastaveni.ini";

    /// `appDir` is the application directory; `fs` must outlive this object.
    SettingsFile(platform::FileSystem& fs, std::string appDir, LocaleFormats locale = {});

    const std::string& path() const { return path_; }
    const LocaleFormats& locale() const { return locale_; }

    /// The file as it is on disk now: each call reads it once, so a load of many keys opens it once.
    SettingsReader reader() const;

    /// Reads the file, changes the keys in order and replaces the file atomically, creating it when missing. False
    /// when the write fails or when the file exists but cannot be read (rewriting it would lose its other keys);
    /// the file is then unchanged.
    bool write(std::span<const ProfileEntry> entries);
    bool writeString(std::string_view section, std::string_view key, std::string_view value);
    bool writeInt(std::string_view section, std::string_view key, std::int32_t value);

private:
    platform::FileSystem* fs_;
    std::string path_;
    LocaleFormats locale_;
};

} // namespace qv::settings
