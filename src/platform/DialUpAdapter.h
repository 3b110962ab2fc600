#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qv::platform {

/// One active dial-up connection as the system lists it.
struct ActiveConnection {
    std::uint32_t handle = 0;
    int state = 0; ///< dial state code (8192 connected)
    int error = 0;
    std::string entryName;
    std::string deviceType;
    std::string deviceName;
};

/// The details of a connection as the monitor reports them.
struct ConnectionDetails {
    std::uint32_t handle = 0;
    std::string entryName;
    std::string deviceType;
    std::string deviceName;
    std::string clientIp;      ///< dotted, this side of the link
    std::string serverIp;      ///< dotted, the provider's side
    std::string interfaceName; ///< the link's network interface ("ppp0"); empty when the system has none to name
};

/// What an entry editor shows and stores for one phonebook entry.
struct EntryDefinition {
    std::string name;
    std::string number; ///< for example "#777"
    std::string device; ///< the modem's device, for example "/dev/ttyUSB0"
    std::string userName;
    std::string password;
};

/// The dialler: phonebook entries, credentials, asynchronous dial with progress, hang-up and the list of active
/// connections. Every call and every event is on the UI thread. Results are the system's codes: 0 = success.
class DialUpAdapter {
public:
    struct Events {
        std::function<void(const std::string& entryName)> OnEntryGet;
        /// During Dial, after the stored parameters were read and before the request.
        std::function<void()> OnDialing;
        /// Every progress notification of a dial, one at a time, in order, never merged or dropped. `text` is the
        /// state's Czech text, or the error's text when `error` is not 0. A dial ends with an error, or, once its
        /// link has come up (8192), with 8193 and error 0 when that link goes; a dial that was hung up reports
        /// nothing more.
        std::function<void(int state, int error, const std::string& text)> OnAsyncEvent;
        /// Reading the stored parameters failed, or the dial request was refused at once.
        std::function<void(int code, const std::string& message)> OnError;
        std::function<void(const ActiveConnection& connection, const std::string& statusText)> OnActiveConnection;
    };

    virtual ~DialUpAdapter() = default;

    Events events;
    /// The current entry: Dial, the entry operations and the credentials act on it.
    std::string Entry;
    /// The names found by the last GetEntries, in the system's order.
    const std::vector<std::string>& Entries() const { return entries_; }

    /// Lists the phonebook (room for 100 names), firing OnEntryGet per name.
    virtual int GetEntries() = 0;
    /// Starts dialling Entry; progress follows as OnAsyncEvent. 0 = dialling started.
    virtual int Dial() = 0;
    /// Ends a connection and waits (pumping) until it is gone. Non-zero at once for an unknown handle; also
    /// non-zero when the connection does not go away within the adapter's bound.
    virtual int HangUp(std::uint32_t handle) = 0;
    /// Fires OnActiveConnection per active connection (up to 100).
    virtual int GetActiveConnections() = 0;
    /// The handle of the connection the last Dial made (0 = none).
    virtual std::uint32_t connectionHandle() const = 0;

    /// Entry storage: what an entry editor shows, creates, changes and deletes.
    virtual int ReadEntry(EntryDefinition& out) = 0;
    virtual int CreateEntry(const EntryDefinition& entry) = 0;
    virtual int EditEntry(const EntryDefinition& entry) = 0;
    virtual int DeleteEntry() = 0;

    virtual int GetUserName(std::string& out) = 0;
    /// Empty when no password is stored.
    virtual int GetPassword(std::string& out) = 0;
    virtual int SetUserName(const std::string& userName) = 0;
    virtual int SetPassword(const std::string& password) = 0;

protected:
    std::vector<std::string> entries_;
};

} // namespace qv::platform
