#pragma once

#include <string>

namespace qv::platform {

/// A regular file this process may execute.
bool isExecutableFile(const std::string& path);

/// The first executable file named `name` in the directories of `path` (a PATH value); empty when there is none.
/// Relative entries are skipped: what they find would depend on where this program happens to run.
std::string findOnPath(const std::string& name, const std::string& path);

} // namespace qv::platform
