#pragma once

#include "common/LocaleFormats.h"

namespace qv::platform {

/// The user's number, date and time conventions.
class LocaleProvider {
public:
    virtual ~LocaleProvider() = default;
    virtual LocaleFormats formats() const = 0;
};

} // namespace qv::platform
