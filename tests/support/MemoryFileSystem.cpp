#include "support/MemoryFileSystem.h"

namespace qv::test {

std::string MemoryFileSystem::normDir(std::string dir) {
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

void MemoryFileSystem::setReadOnly(const std::string& dir, bool ro) {
    if (ro)
        readOnly_.insert(normDir(dir));
    else
        readOnly_.erase(normDir(dir));
}

bool MemoryFileSystem::writable(const std::string& path) {
    const auto cut = path.rfind('/');
    const std::string dir = cut == std::string::npos ? "/" : path.substr(0, cut + 1);
    if (!dirs_.count(dir) || readOnly_.count(dir))
        return false;
    if (writesLeft_ == 0)
        return false;
    if (writesLeft_ > 0)
        --writesLeft_;
    return true;
}

std::optional<std::string> MemoryFileSystem::readAll(const std::string& path) {
    auto it = files_.find(path);
    if (it == files_.end())
        return std::nullopt;
    return it->second;
}

std::optional<std::uint64_t> MemoryFileSystem::size(const std::string& path) {
    auto it = files_.find(path);
    if (it == files_.end())
        return std::nullopt;
    return it->second.size();
}

bool MemoryFileSystem::writeAtomic(const std::string& path, std::string_view bytes) {
    if (!writable(path))
        return false;
    files_[path] = std::string(bytes);
    private_.erase(path);
    return true;
}

bool MemoryFileSystem::writeAtomicPrivate(const std::string& path, std::string_view bytes) {
    if (!writeAtomic(path, bytes))
        return false;
    private_.insert(path);
    return true;
}

bool MemoryFileSystem::append(const std::string& path, std::string_view bytes) {
    if (!writable(path))
        return false;
    files_[path] += bytes;
    return true;
}

bool MemoryFileSystem::createEmpty(const std::string& path) {
    if (!writable(path))
        return false;
    files_[path].clear();
    return true;
}

bool MemoryFileSystem::remove(const std::string& path) {
    const auto cut = path.rfind('/');
    if (readOnly_.count(path.substr(0, cut + 1)))
        return false;
    private_.erase(path);
    return files_.erase(path) != 0;
}

bool MemoryFileSystem::rename(const std::string& from, const std::string& to) {
    const auto dirOf = [](const std::string& p) { return p.substr(0, p.rfind('/') + 1); };
    auto it = files_.find(from);
    if (it == files_.end() || !dirs_.count(dirOf(to)) || readOnly_.count(dirOf(to)) || readOnly_.count(dirOf(from)))
        return false;
    std::string bytes = std::move(it->second);
    files_.erase(it);
    files_[to] = std::move(bytes);
    return true;
}

} // namespace qv::test
