#pragma once

#include "platform/LocaleProvider.h"

#include <string>
#include <string_view>

namespace qv::platform {

/// Our date/time pattern for a strftime pattern such as a locale's D_FMT or T_FMT ("%-d.%-m.%Y" -> "d.M.yyyy").
/// Letters of the literal text are quoted so they stay text; conversions we have no token for are dropped.
std::string patternFromStrftime(std::string_view strftimePattern);

/// True for the names of the portable locale ("C", "POSIX", "C.UTF-8"), whose conventions nobody chose.
bool isPosixLocaleName(std::string_view name);

/// The conventions of the locale the environment names (LC_ALL, then LC_NUMERIC / LC_TIME, then LANG). Where that is
/// the portable locale, cannot be loaded or gives no usable pattern, the Czech defaults stand. Read once, when built.
class LinuxLocaleProvider final : public LocaleProvider {
public:
    LinuxLocaleProvider();
    LocaleFormats formats() const override { return formats_; }

private:
    LocaleFormats formats_;
};

} // namespace qv::platform
