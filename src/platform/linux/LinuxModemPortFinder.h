#pragma once

#include "platform/ModemPortFinder.h"
#include "platform/ProcessEnvironment.h"

#include <string>

namespace qv::platform {

/// Where the finder looks: the tty class in sysfs and the device directory (tests give trees of their own).
struct LinuxTtyRoots {
    std::string classTty = "/sys/class/tty";
    std::string dev = "/dev";
};

/// The modem's AT port on Linux: the tty of the USB device 05c6:3196, found through sysfs (a tty's `device` is
/// its USB interface for cdc_acm, or a usb-serial port below the interface for option and qcserial; the interface's
/// parent is the device with `idVendor` and `idProduct`). Of several ttys the one on the lowest interface number
/// is taken. A device named in QUORVEX_MODEM_PORT stands for the modem's AT port whatever sysfs says.
///
/// The numbered ports of the settings list: "Com1" … "Com8" are /dev/ttyUSB0 … /dev/ttyUSB7 (usb-serial modems),
/// "Com9" … "Com16" are /dev/ttyACM0 … /dev/ttyACM7 (CDC ACM modems); other numbers name no port.
class LinuxModemPortFinder final : public ModemPortFinder {
public:
    static constexpr const char* kVendor = "05c6";
    static constexpr const char* kProduct = "3196";
    static constexpr const char* kPortVariable = "QUORVEX_MODEM_PORT";

    /// `namedPort`: a device that is the modem's AT port (empty: look in sysfs).
    explicit LinuxModemPortFinder(LinuxTtyRoots roots = {}, std::string namedPort = {});
    /// The system's roots, and QUORVEX_MODEM_PORT when it is set.
    static LinuxModemPortFinder fromEnvironment(const ProcessEnvironment& env);

    std::string attachedTo() override;
    std::string numberedPort(int number) override;
    /// A restart of the modem may have given its tty another number: sysfs is asked again.
    std::string currentName(const std::string& attached) override;

private:
    std::string search() const;

    LinuxTtyRoots roots_;
    std::string namedPort_;
};

} // namespace qv::platform
