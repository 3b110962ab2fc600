#pragma once

namespace qv::modem {

/// Flags of the modem status poll that the connection and exit paths wait on or set.
struct ModemPollState {
    bool modemPollBusy = false;
    bool modemPollAllowed = true; ///< cleared when the program is about to exit after a hang-up
};

} // namespace qv::modem
