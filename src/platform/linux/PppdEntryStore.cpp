#include "platform/linux/PppdEntryStore.h"

#include "platform/DialTexts.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace qv::platform {

namespace {

constexpr mode_t kPeerFileMode = 0640; // readable by the dialling group (dip), like the rest of the peers directory
constexpr mode_t kSecretsMode = 0600;
constexpr std::size_t kMaxName = 256;

// The lines a new entry gets and an edited one keeps or gains; the rest of a file belongs to whoever wrote it.
// That includes `persist`: pppd then brings a dropped link up again by itself, which the monitor sees as a
// disconnection and a new connection, and the metering as a new interface.
constexpr std::string_view kStandardOptions[] = {"noauth", "noipdefault", "defaultroute", "usepeerdns"};

bool validName(const std::string& name) {
    if (name.empty() || name.size() > kMaxName || name.front() == '.' || name.back() == '~')
        return false;
    return std::none_of(name.begin(), name.end(),
                        [](char c) { return c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

// What a dial string may hold; anything else could break out of the chat command's quoting.
bool validNumber(const std::string& number) {
    return number.find_first_not_of("0123456789*#+,;!@WwPpTt") == std::string::npos;
}

bool validDevice(const std::string& device) {
    return !device.empty() && std::none_of(device.begin(), device.end(), [](char c) {
        return c == ' ' || c == '"' || c == '\'' || c == '\\' || c == '#' || static_cast<unsigned char>(c) < 0x21;
    });
}

bool isDeviceWord(std::string_view w) {
    return w.starts_with("/dev/") || w.starts_with("tty");
}

int codeOfWriteError(int err) {
    switch (err) {
    case 0:
        return 0;
    case EACCES:
    case EPERM:
    case EROFS:
        return dialerror::kAccessDenied;
    case ENOENT:
        return dialerror::kCannotFindEntry; // no peers directory at all
    default:
        return dialerror::kUnknown;
    }
}

std::optional<std::string> readFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rbe");
    if (!f)
        return std::nullopt;
    std::string text;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, n);
    std::fclose(f);
    return text;
}

// Writes a whole file through a temporary beside it and a rename; returns 0 or errno. The temporary is created
// with `mode` from the start, so a secret is never readable by others, not even for a moment. An existing file
// keeps its mode and owner.
int writeFileAtomic(const std::string& path, std::string_view bytes, mode_t mode) {
    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    struct stat old {};
    const bool hadOld = ::stat(path.c_str(), &old) == 0;
    if (hadOld)
        mode = old.st_mode & 07777;
    std::string tmp = dir + "/." + base + ".XXXXXX"; // a dotfile: never listed as an entry if left by a crash
    const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    int err = 0;
    if (::fchmod(fd, mode) != 0)
        err = errno;
    if (hadOld && err == 0)
        (void)!::fchown(fd, old.st_uid, old.st_gid); // only root can; others leave the file theirs
    for (std::size_t done = 0; err == 0 && done < bytes.size();) {
        const ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0) {
            if (errno != EINTR)
                err = errno;
            continue;
        }
        done += static_cast<std::size_t>(w);
    }
    if (err == 0 && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0 && ::rename(tmp.c_str(), path.c_str()) != 0)
        err = errno;
    if (err != 0)
        ::unlink(tmp.c_str());
    return err;
}

int makeDirs(const std::string& dir) {
    if (dir.empty())
        return 0;
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    if (const auto slash = dir.rfind('/'); slash != std::string::npos && slash > 0)
        if (const int err = makeDirs(dir.substr(0, slash)); err != 0)
            return err;
    return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST ? 0 : errno;
}

// Secrets file fields: backslash escapes for the characters that would break a line apart.
std::string escapeField(std::string_view s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string unescapeField(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

struct SecretLine {
    std::string raw;   ///< kept as found when it is not ours to understand
    std::string entry; ///< empty for a line that did not parse
    std::string password;
};

std::vector<SecretLine> parseSecrets(std::string_view text) {
    std::vector<SecretLine> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.empty())
            continue;
        SecretLine s{std::string(line), {}, {}};
        if (const auto tab = line.find('\t'); tab != std::string_view::npos && tab > 0) {
            s.entry = unescapeField(line.substr(0, tab));
            s.password = unescapeField(line.substr(tab + 1));
        }
        lines.push_back(std::move(s));
    }
    return lines;
}

// The dial string inside a connect command: after "ATD" up to the end of that chat word.
struct NumberSpan {
    std::size_t pos = std::string::npos;
    std::size_t len = 0;
};

NumberSpan findNumber(std::string_view script) {
    for (std::size_t i = 0; i + 3 <= script.size(); ++i) {
        if ((script[i] | 0x20) == 'a' && (script[i + 1] | 0x20) == 't' && (script[i + 2] | 0x20) == 'd') {
            std::size_t j = i + 3;
            while (j < script.size() && std::string_view(" '\"\\^").find(script[j]) == std::string_view::npos)
                ++j;
            return {i + 3, j - (i + 3)};
        }
    }
    // A shared chat script with the number given as `-T NUMBER` (Debian's provider example).
    if (const auto t = script.find(" -T "); t != std::string_view::npos) {
        std::size_t i = t + 4;
        while (i < script.size() && script[i] == ' ')
            ++i;
        std::size_t j = i;
        while (j < script.size() && script[j] != ' ')
            ++j;
        return {i, j - i};
    }
    return {};
}

std::string connectLine(std::string_view existingScript, const std::string& number) {
    std::string script(existingScript);
    const NumberSpan at = findNumber(script);
    if (at.pos != std::string::npos)
        script.replace(at.pos, at.len, number);
    else if (script.empty() || !number.empty())
        script = PppdEntryStore::chatCommand(number); // a script whose number we cannot see stays unless one is given
    return "connect " + PppdEntryStore::pppdQuote(script);
}

} // namespace

PppdEntryStore::PppdEntryStore(std::string peersDir, std::string secretsPath)
    : peersDir_(std::move(peersDir)), secretsPath_(std::move(secretsPath)) {}

std::string PppdEntryStore::pppdQuote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u == 0x7f) {
            char oct[5];
            std::snprintf(oct, sizeof oct, "\\%03o", u);
            out += oct;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::vector<std::string> PppdEntryStore::pppdWords(std::string_view line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (i < line.size()) {
        while (i < line.size() && isSpace(line[i]))
            ++i;
        if (i == line.size() || line[i] == '#')
            break;
        std::string word;
        char quote = 0;
        while (i < line.size() && (quote || !isSpace(line[i]))) {
            const char c = line[i++];
            if (c == '\\' && i < line.size()) {
                char e = line[i++];
                if (e >= '0' && e <= '7') {
                    int value = e - '0';
                    for (int k = 0; k < 2 && i < line.size() && line[i] >= '0' && line[i] <= '7'; ++k)
                        value = value * 8 + (line[i++] - '0');
                    word += static_cast<char>(value);
                    continue;
                }
                switch (e) {
                case 'n':
                    e = '\n';
                    break;
                case 't':
                    e = '\t';
                    break;
                case 'r':
                    e = '\r';
                    break;
                case 's':
                    e = ' ';
                    break;
                default:
                    break;
                }
                word += e;
            } else if (quote && c == quote) {
                quote = 0;
            } else if (!quote && (c == '"' || c == '\'')) {
                quote = c;
            } else {
                word += c;
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::string PppdEntryStore::chatCommand(const std::string& number) {
    // -s: chat's log goes to stderr, which pppd passes to its own output; the dial progress and the reason of a
    // failure ("Failed (BUSY)") are read from there.
    return "/usr/sbin/chat -v -s ABORT BUSY ABORT 'NO CARRIER' ABORT 'NO DIALTONE' ABORT 'NO DIAL TONE' "
           "ABORT 'NO ANSWER' ABORT ERROR ABORT VOICE '' ATZ OK 'ATD" +
           number + "' CONNECT ''";
}

EntryDefinition PppdEntryStore::parsePeerFile(std::string_view text) {
    EntryDefinition e;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        const auto w = pppdWords(text.substr(pos, end - pos));
        pos = end + 1;
        if (w.empty())
            continue;
        if (w[0] == "user" && w.size() >= 2) {
            e.userName = w[1]; // the last one wins, as in pppd
        } else if (w[0] == "connect" && w.size() >= 2) {
            const NumberSpan at = findNumber(w[1]);
            if (at.pos != std::string::npos)
                e.number = w[1].substr(at.pos, at.len);
        } else if (e.device.empty() && isDeviceWord(w[0])) {
            e.device = w[0];
        }
    }
    return e;
}

std::string PppdEntryStore::renderPeerFile(std::string_view existing, const EntryDefinition& entry) {
    const std::string nameWord = pppdQuote(entry.name);
    const std::string userLine = "user " + pppdQuote(entry.userName);
    std::string out;
    if (existing.empty()) {
        out += "# Dial-up entry " + entry.name + ", written by Quorvex. The password is kept by the user's account.\n";
        out += entry.device + "\n115200\n";
        out += connectLine({}, entry.number) + "\n";
        for (const auto opt : kStandardOptions)
            out += std::string(opt) + "\n";
        out += "linkname " + nameWord + "\nipparam " + nameWord + "\n";
        if (!entry.userName.empty())
            out += userLine + "\n";
        return out;
    }

    bool device = false, connect = false, user = false, linkname = false, ipparam = false;
    std::vector<std::string> present;
    std::size_t pos = 0;
    while (pos < existing.size()) {
        auto end = existing.find('\n', pos);
        if (end == std::string_view::npos)
            end = existing.size();
        const std::string_view line = existing.substr(pos, end - pos);
        pos = end + 1;
        const auto w = pppdWords(line);
        if (w.empty()) {
            out.append(line).append("\n");
            continue;
        }
        const std::string& key = w[0];
        if (isDeviceWord(key) && !entry.device.empty()) {
            if (device)
                continue; // a second device line would override the first
            device = true;
            // Keep whatever else the line holds ("/dev/ttyUSB0 115200").
            const auto at = line.find(key);
            out += entry.device + std::string(line.substr(at + key.size())) + "\n";
        } else if (key == "connect") {
            if (!connect)
                out += connectLine(w.size() >= 2 ? w[1] : std::string(), entry.number) + "\n";
            connect = true;
        } else if (key == "user") {
            if (!user && !entry.userName.empty())
                out += userLine + "\n";
            user = true;
        } else if (key == "linkname" || key == "ipparam") {
            bool& done = key == "linkname" ? linkname : ipparam;
            if (!done)
                out += key + " " + nameWord + "\n";
            done = true;
        } else {
            present.push_back(key);
            out.append(line).append("\n");
        }
    }
    if (!device && !entry.device.empty())
        out += entry.device + "\n";
    if (!connect)
        out += connectLine({}, entry.number) + "\n";
    for (const auto opt : kStandardOptions)
        if (std::find(present.begin(), present.end(), opt) == present.end())
            out += std::string(opt) + "\n";
    if (!linkname)
        out += "linkname " + nameWord + "\n";
    if (!ipparam)
        out += "ipparam " + nameWord + "\n";
    if (!user && !entry.userName.empty())
        out += userLine + "\n";
    return out;
}

int PppdEntryStore::list(std::vector<std::string>& names, std::size_t room) const {
    names.clear();
    DIR* dir = ::opendir(peersDir_.c_str());
    if (!dir)
        return errno == ENOENT ? 0 : dialerror::kAccessDenied; // no peers directory: an empty phonebook
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name.empty() || name[0] == '.' || name.back() == '~')
            continue;
        struct stat st {};
        if (::stat(peerPath(name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    if (names.size() > room)
        names.resize(room);
    return 0;
}

std::optional<std::string> PppdEntryStore::readPeer(const std::string& name) const {
    if (!validName(name))
        return std::nullopt;
    return readFile(peerPath(name));
}

bool PppdEntryStore::exists(const std::string& name) const {
    struct stat st {};
    return validName(name) && ::stat(peerPath(name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int PppdEntryStore::read(const std::string& name, EntryDefinition& out) const {
    const auto text = readPeer(name);
    if (!text)
        return dialerror::kCannotFindEntry;
    out = parsePeerFile(*text);
    out.name = name;
    password(name, out.password);
    return 0;
}

int PppdEntryStore::userName(const std::string& name, std::string& out) const {
    out.clear();
    const auto text = readPeer(name);
    if (!text)
        return dialerror::kCannotFindEntry;
    out = parsePeerFile(*text).userName;
    return 0;
}

int PppdEntryStore::password(const std::string& name, std::string& out) const {
    out.clear();
    if (!exists(name))
        return dialerror::kCannotFindEntry;
    if (const auto text = readFile(secretsPath_))
        for (const auto& line : parseSecrets(*text))
            if (line.entry == name)
                out = line.password;
    return 0;
}

int PppdEntryStore::writePeer(const std::string& name, const std::string& text) {
    return codeOfWriteError(writeFileAtomic(peerPath(name), text, kPeerFileMode));
}

int PppdEntryStore::storePassword(const std::string& name, const std::string& password,
                                  const std::string& renamedFrom) {
    const auto text = readFile(secretsPath_);
    auto lines = text ? parseSecrets(*text) : std::vector<SecretLine>{};
    std::erase_if(lines, [&](const SecretLine& l) {
        return !l.entry.empty() && (l.entry == name || (!renamedFrom.empty() && l.entry == renamedFrom));
    });
    if (!password.empty())
        lines.push_back({escapeField(name) + "\t" + escapeField(password), name, password});
    if (!text && lines.empty())
        return 0; // nothing stored, nothing to store: no file is created
    std::string out;
    for (const auto& l : lines)
        out += l.raw + "\n";
    const auto slash = secretsPath_.rfind('/');
    if (slash != std::string::npos)
        if (const int err = makeDirs(secretsPath_.substr(0, slash)); err != 0)
            return codeOfWriteError(err == ENOENT ? EACCES : err);
    return codeOfWriteError(writeFileAtomic(secretsPath_, out, kSecretsMode));
}

int PppdEntryStore::create(const EntryDefinition& entry) {
    if (!validName(entry.name))
        return dialerror::kInvalidName;
    if (!validNumber(entry.number) || !validDevice(entry.device))
        return dialerror::kInvalidParameter;
    if (exists(entry.name))
        return dialerror::kAlreadyExists;
    if (const int rc = writePeer(entry.name, renderPeerFile({}, entry)); rc != 0)
        return rc;
    return storePassword(entry.name, entry.password);
}

int PppdEntryStore::edit(const std::string& name, const EntryDefinition& entry) {
    const auto text = readPeer(name);
    if (!text)
        return dialerror::kCannotFindEntry;
    EntryDefinition target = entry;
    if (target.name.empty())
        target.name = name;
    if (!validName(target.name))
        return dialerror::kInvalidName;
    // An empty device keeps the file's own device lines (an entry written by hand may name none).
    if (!validNumber(target.number) || (!target.device.empty() && !validDevice(target.device)))
        return dialerror::kInvalidParameter;
    const bool rename = target.name != name;
    if (rename && exists(target.name))
        return dialerror::kAlreadyExists;
    if (const int rc = writePeer(target.name, renderPeerFile(*text, target)); rc != 0)
        return rc;
    if (rename && ::unlink(peerPath(name).c_str()) != 0) {
        const int err = errno;
        ::unlink(peerPath(target.name).c_str()); // leave one entry, not two
        return codeOfWriteError(err);
    }
    return storePassword(target.name, target.password, rename ? name : std::string());
}

int PppdEntryStore::remove(const std::string& name) {
    if (!validName(name))
        return dialerror::kCannotFindEntry;
    if (::unlink(peerPath(name).c_str()) != 0)
        return errno == ENOENT ? dialerror::kCannotFindEntry : codeOfWriteError(errno);
    storePassword(name, {}); // the entry is gone either way; a stale password line is harmless
    return 0;
}

int PppdEntryStore::setUserName(const std::string& name, const std::string& userName) {
    const auto text = readPeer(name);
    if (!text)
        return dialerror::kCannotFindEntry;
    // Only the user line changes: a hand-written entry stays as its author made it.
    std::string out;
    bool done = false;
    std::size_t pos = 0;
    while (pos < text->size()) {
        auto end = text->find('\n', pos);
        if (end == std::string::npos)
            end = text->size();
        const std::string_view line = std::string_view(*text).substr(pos, end - pos);
        pos = end + 1;
        const auto w = pppdWords(line);
        if (!w.empty() && w[0] == "user") {
            if (!done && !userName.empty())
                out += "user " + pppdQuote(userName) + "\n";
            done = true;
            continue;
        }
        out.append(line).append("\n");
    }
    if (!done && !userName.empty())
        out += "user " + pppdQuote(userName) + "\n";
    return writePeer(name, out);
}

int PppdEntryStore::setPassword(const std::string& name, const std::string& password) {
    if (!exists(name))
        return dialerror::kCannotFindEntry;
    return storePassword(name, password);
}

} // namespace qv::platform
