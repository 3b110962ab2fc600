#pragma once

#include "platform/DialUpAdapter.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::platform {

/// Phonebook entries as pppd peer files, and their passwords in a per-user file of mode 0600.
///
/// An entry is the file peersDir/NAME. The user name is its `user "NAME"` line; the number is the dial command of
/// its `connect` line. The password never goes into the peer file (dip members can read those): it is one
/// `NAME<TAB>PASSWORD` line (backslash escapes) in the secrets file. Every rewrite is whole and atomic: a
/// temporary file beside the target, flushed, renamed over it. Results are dial error codes: 0 = success.
class PppdEntryStore final {
public:
    PppdEntryStore(std::string peersDir, std::string secretsPath);

    /// Regular files of the peers directory, without dotfiles and '~' backups, in name order, at most `room`. A
    /// missing directory is an empty phonebook.
    int list(std::vector<std::string>& names, std::size_t room) const;
    bool exists(const std::string& name) const;
    int read(const std::string& name, EntryDefinition& out) const;
    int userName(const std::string& name, std::string& out) const;
    /// Empty, and 0, when no password is stored for an existing entry.
    int password(const std::string& name, std::string& out) const;

    int create(const EntryDefinition& entry);
    /// Rewrites entry `name` from `entry`, keeping the lines it does not manage; renames it when `entry.name`
    /// differs (and is not empty).
    int edit(const std::string& name, const EntryDefinition& entry);
    int remove(const std::string& name);
    int setUserName(const std::string& name, const std::string& userName);
    int setPassword(const std::string& name, const std::string& password);

    const std::string& peersDir() const { return peersDir_; }
    const std::string& secretsPath() const { return secretsPath_; }

    /// A word in pppd's options syntax: double quotes, backslash escapes, octal for control characters.
    static std::string pppdQuote(std::string_view text);
    /// The words of one options line as pppd reads them (quotes and escapes undone, a '#' word ends the line).
    static std::vector<std::string> pppdWords(std::string_view line);
    /// The peer file for `entry`: `existing` rewritten (unknown lines kept in place), or a new file when empty.
    static std::string renderPeerFile(std::string_view existing, const EntryDefinition& entry);
    /// Device, number and user name as a peer file holds them (the name and password are not in it).
    static EntryDefinition parsePeerFile(std::string_view text);
    /// The chat command of a new entry, dialling `number`.
    static std::string chatCommand(const std::string& number);

private:
    std::string peerPath(const std::string& name) const { return peersDir_ + "/" + name; }
    std::optional<std::string> readPeer(const std::string& name) const;
    int writePeer(const std::string& name, const std::string& text);
    /// Replaces the password line of `name` (none when empty), dropping the one of `renamedFrom`.
    int storePassword(const std::string& name, const std::string& password, const std::string& renamedFrom = {});

    std::string peersDir_;
    std::string secretsPath_;
};

} // namespace qv::platform
