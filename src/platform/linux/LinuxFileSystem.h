#pragma once

#include "platform/FileSystem.h"

namespace qv::platform {

class LinuxFileSystem final : public FileSystem {
public:
    std::optional<std::string> readAll(const std::string& path) override;
    bool exists(const std::string& path) override;
    std::optional<std::uint64_t> size(const std::string& path) override;
    bool writeAtomic(const std::string& path, std::string_view bytes) override;
    bool writeAtomicPrivate(const std::string& path, std::string_view bytes) override;
    bool append(const std::string& path, std::string_view bytes) override;
    bool createEmpty(const std::string& path) override;
    bool remove(const std::string& path) override;
    bool rename(const std::string& from, const std::string& to) override;

private:
    /// `mode`: the new file's permissions, or nothing to keep those of the file it replaces (0644 for a new one).
    static bool replace(const std::string& path, std::string_view bytes, std::optional<unsigned> mode);
};

} // namespace qv::platform
