#include "platform/linux/LinuxAutostart.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qv::platform {

namespace {

/// Creates `dir` and its missing parents (0700 for what is made here, as the XDG base directory rules want);
/// false when it is not a directory afterwards.
bool makeDirectories(const std::string& dir) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const auto slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !makeDirectories(dir.substr(0, slash)))
        return false;
    return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string directoryFrom(const ProcessEnvironment& env) {
    // The XDG base directory rules ignore a relative XDG_CONFIG_HOME.
    if (const auto xdg = env.variable("XDG_CONFIG_HOME"); xdg && xdg->starts_with('/'))
        return *xdg + "/autostart";
    const auto home = env.variable("HOME");
    return home && home->starts_with('/') ? *home + "/.config/autostart" : std::string();
}

} // namespace

LinuxAutostart::LinuxAutostart(const ProcessEnvironment& env)
    : directory_(directoryFrom(env)), program_(env.executablePath()) {}

std::string LinuxAutostart::execValue(const std::string& program) {
    static const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string argument;
    const bool quote = program.find_first_of(reserved) != std::string::npos;
    for (const char c : program) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            argument += '\\';
        argument += c;
        if (c == '%')
            argument += '%'; // a literal percent, not a field code
    }
    if (quote)
        argument = '"' + argument + '"';
    // The string value rule comes on top of the quoting: a backslash is written twice, control characters escaped.
    std::string value;
    for (const char c : argument) {
        switch (c) {
        case '\\':
            value += "\\\\";
            break;
        case '\n':
            value += "\\n";
            break;
        case '\t':
            value += "\\t";
            break;
        case '\r':
            value += "\\r";
            break;
        default:
            value += c;
        }
    }
    return value;
}

std::string LinuxAutostart::entryText(const std::string& program) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Quorvex\n"
           "Exec=" +
           execValue(program) +
           "\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool LinuxAutostart::enable() {
    if (directory_.empty() || program_.empty() || !program_.starts_with('/') || !makeDirectories(directory_))
        return false;
    const std::string target = directory_ + "/" + kEntryName;
    std::string temp = directory_ + "/." + kEntryName + ".XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    temp = name.data();
    // Written, on disk, and only then in place: a crash leaves the old entry or the new one, never a part.
    bool ok = ::fchmod(fd, 0644) == 0 && writeAll(fd, entryText(program_)) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // The rename itself lasts once the directory is synced; an entry that is in place already counts as written.
    const int dirFd = ::open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

bool LinuxAutostart::disable() {
    if (directory_.empty())
        return false;
    const std::string target = directory_ + "/" + kEntryName;
    return ::unlink(target.c_str()) == 0 || errno == ENOENT || errno == ENOTDIR;
}

} // namespace qv::platform
