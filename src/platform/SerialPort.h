#pragma once

#include <functional>
#include <string>

namespace qv::platform {

/// A serial port: the modem's AT port. Fixed line settings for the whole run (9600 baud, 8 data bits, odd parity,
/// 2 stop bits, DTR and RTS on, no flow control, receive and transmit buffers of 8192 bytes). Every method and both
/// events belong to the UI thread; a receive thread of the implementation only hands data to it.
class SerialPort {
public:
    struct Events {
        /// Data arrived. With line mode on: once per complete received line, as soon as its line end has arrived,
        /// and readAvailable() then returns exactly that line, line end included; text before a missing line end
        /// waits in the port's buffer. With line mode off: whenever bytes arrive.
        std::function<void()> onDataAvailable;
        /// A port error, or an error in the receive thread (the device went away): the port is unusable until it is
        /// closed and opened again.
        std::function<void(const std::string& what)> onError;
    };
    Events events;

    virtual ~SerialPort() = default;

    /// The port to use from the next open on, as the system names it (a device path on Linux).
    virtual void setPort(const std::string& name) = 0;
    virtual void setLineEnd(const std::string& lineEnd) = 0;
    virtual void setLineMode(bool on) = 0;

    /// The open/close switch: setting the state it already has does nothing. Opening a port that is missing or held
    /// by another program fails: false, and the port stays closed. Closing discards whatever was not read.
    virtual bool setOpen(bool open) = 0;
    virtual bool isOpen() const = 0;
    /// True when the port is open already; otherwise opens it and closes it again at once, and says whether that
    /// worked.
    virtual bool available() = 0;
    /// Opens the port unless it is open: whether it is open now.
    virtual bool tryOpen() = 0;

    /// Sends the bytes of `text`; false when the port is closed or the bytes could not be written.
    virtual bool write(const std::string& text) = 0;
    /// Everything received and not read yet (with line mode on: the complete lines delivered so far).
    virtual std::string readAvailable() = 0;
};

} // namespace qv::platform
