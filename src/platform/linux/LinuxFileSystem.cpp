#include "platform/linux/LinuxFileSystem.h"

#include "platform/linux/UniqueFd.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace qv::platform {

namespace {

using Fd = UniqueFd;

bool writeFully(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

std::optional<std::string> LinuxFileSystem::readAll(const std::string& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.ok())
        return std::nullopt;
    std::string out;
    struct stat st {};
    if (::fstat(fd.get(), &st) == 0 && st.st_size > 0)
        out.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (n == 0)
            break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

bool LinuxFileSystem::exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::uint64_t> LinuxFileSystem::size(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

bool LinuxFileSystem::writeAtomic(const std::string& path, std::string_view bytes) {
    return replace(path, bytes, std::nullopt);
}

bool LinuxFileSystem::writeAtomicPrivate(const std::string& path, std::string_view bytes) {
    return replace(path, bytes, 0600);
}

bool LinuxFileSystem::replace(const std::string& path, std::string_view bytes, std::optional<unsigned> wanted) {
    // The temporary file sits beside the target so the rename stays within one file system; its name is unique per
    // call, so two threads replacing the same file never share one.
    static std::atomic<unsigned> serial{0};
    const std::string tmp = path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(++serial);
    mode_t mode = 0644;
    struct stat st {};
    if (wanted)
        mode = static_cast<mode_t>(*wanted);
    else if (::stat(path.c_str(), &st) == 0)
        mode = st.st_mode & 07777; // a replaced file keeps its permissions (a private file stays private)
    // Created with the mode already (the umask can only take bits away), and a wanted mode set exactly once open (a
    // stale temporary file keeps its own), so that a private file is never readable by others, not even as its
    // temporary copy.
    Fd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode));
    if (!fd.ok())
        return false;
    const bool written =
        (!wanted || ::fchmod(fd.get(), mode) == 0) && writeFully(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    const bool closed = ::close(fd.release()) == 0;
    if (!written || !closed || ::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

bool LinuxFileSystem::append(const std::string& path, std::string_view bytes) {
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (!fd.ok())
        return false;
    return writeFully(fd.get(), bytes);
}

bool LinuxFileSystem::createEmpty(const std::string& path) {
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    return fd.ok();
}

bool LinuxFileSystem::remove(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool LinuxFileSystem::rename(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

} // namespace qv::platform
