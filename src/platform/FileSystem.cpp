#include "platform/FileSystem.h"

namespace qv::platform {

bool FileSystem::rename(const std::string& from, const std::string& to) {
    if (from == to)
        return exists(from);
    const std::optional<std::string> bytes = readAll(from);
    return bytes && writeAtomic(to, *bytes) && remove(from);
}

} // namespace qv::platform
