#pragma once

#include "platform/FileSystem.h"

#include <map>
#include <set>
#include <string>

namespace qv::test {

/// Files in memory. Directories exist only when declared with addDir (the program never creates them), and a
/// directory can be made read-only; writes into a missing or read-only directory fail as on disk.
class MemoryFileSystem final : public platform::FileSystem {
public:
    MemoryFileSystem() { addDir("/"); }
    void addDir(const std::string& dir) { dirs_.insert(normDir(dir)); }
    void setReadOnly(const std::string& dir, bool ro);
    void put(const std::string& path, std::string bytes) { files_[path] = std::move(bytes); }
    /// Fail every write after this many more successful ones (a full disk); -1 = never.
    void failWritesAfter(int n) { writesLeft_ = n; }

    std::optional<std::string> readAll(const std::string& path) override;
    bool exists(const std::string& path) override { return files_.count(path) != 0; }
    std::optional<std::uint64_t> size(const std::string& path) override;
    bool writeAtomic(const std::string& path, std::string_view bytes) override;
    /// Written as writeAtomic, and remembered as private until a plain write replaces it.
    bool writeAtomicPrivate(const std::string& path, std::string_view bytes) override;
    bool isPrivate(const std::string& path) const { return private_.count(path) != 0; }
    bool append(const std::string& path, std::string_view bytes) override;
    bool createEmpty(const std::string& path) override;
    bool remove(const std::string& path) override;
    /// A move within memory: no space is needed, so a full disk does not stop it; read-only directories do.
    bool rename(const std::string& from, const std::string& to) override;

    const std::map<std::string, std::string>& files() const { return files_; }

private:
    static std::string normDir(std::string dir);
    bool writable(const std::string& path);

    std::map<std::string, std::string> files_;
    std::set<std::string> dirs_;
    std::set<std::string> readOnly_;
    std::set<std::string> private_;
    int writesLeft_ = -1;
};

} // namespace qv::test
