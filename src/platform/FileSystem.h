#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv::platform {

/// Whole-file and per-line file access. Paths are absolute, '/'-separated. Every call opens, works and closes:
/// no handle is held between calls. Directories are never created.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    /// The whole content, or nothing when the file is missing or unreadable.
    virtual std::optional<std::string> readAll(const std::string& path) = 0;
    virtual bool exists(const std::string& path) = 0;
    /// Size in bytes, or nothing when missing.
    virtual std::optional<std::uint64_t> size(const std::string& path) = 0;
    /// Replaces the file as a whole: a temporary file beside it is written, flushed and renamed over it, so a
    /// crash or a full disk leaves either the old or the new content, never a mix. False on any failure.
    virtual bool writeAtomic(const std::string& path, std::string_view bytes) = 0;
    /// As writeAtomic, for a file that holds secrets: the new file is readable and writable by its owner only (on
    /// Linux mode 0600, whatever mode the old file had), from the moment its temporary copy is created. A file system
    /// without owners and permissions (the in-memory ones of tests) may keep this default.
    virtual bool writeAtomicPrivate(const std::string& path, std::string_view bytes) {
        return writeAtomic(path, bytes);
    }
    /// Appends with one write call on a freshly opened handle (created when missing). False when it cannot be
    /// opened or written.
    virtual bool append(const std::string& path, std::string_view bytes) = 0;
    /// Creates the file empty, or truncates it.
    virtual bool createEmpty(const std::string& path) = 0;
    virtual bool remove(const std::string& path) = 0;
    /// Moves a file to another name, replacing a file of that name in one step where the platform can. False on
    /// any failure. The default copies and removes, for stores that have no rename of their own.
    virtual bool rename(const std::string& from, const std::string& to);
};

} // namespace qv::platform
