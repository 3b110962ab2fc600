#include "platform/DialTexts.h"

#include <array>
#include <string_view>

namespace qv::platform {

namespace {

struct StateText {
    int state;
    std::string_view czech;
    std::string_view english;
};

constexpr std::array<StateText, 28> kStates{{
    {0, "Otevírá se port", "Opening port"},
    {1, "Port otevřen", "Port opened"},
    {2, "Probíhá spojování", "Connecting device"},
    {3, "Navázáno spojení", "Device connected"},
    {4, "Všechna zařízení spojena", "All devices connected"},
    {5, "Začínají se ověřovat uživatelské informace", "Start authenticating"},
    {6, "Ověření: oznámení", "Authentication: notify"},
    {7, "Ověření: opakování", "Authentication: retry"},
    {8, "Ověření: zpětné volání", "Authentication: callback"},
    {9, "Ověření: změna hesla", "Authentication: change password"},
    {10, "Ověření: návrh", "Authentication: projecting"},
    {11, "Ověření: spojovací rychlost", "Authentication: link speed"},
    {12, "Ověření: potvrzení", "Authentication: acknowledge"},
    {13, "Ověření: znovuověření", "Authentication: reauthenticate"},
    {14, "Ověřeno", "Authenticated"},
    {15, "Příprava na zpetné volání", "Preparing for callback"},
    {16, "Čeká se na reset modemu", "Waiting for modem reset"},
    {17, "Čeká se na zpětné volání", "Waiting for callback"},
    {18, "Navrhnuto", "Projected"},
    {19, "Ověřování uživatelských informací", "Start authentication"},
    {20, "Zpetné volání hotovo", "Callback complete"},
    {21, "Připojuje se na síť", "Logging on network"},
    {4096, "Interakce", "Interactive"},
    {4097, "Opakování oveření", "Retry Authentication"},
    {4098, "Zpeětné volání zvoleno uživatelem", "Callback set by caller"},
    {4099, "Platnost hesla vypršela", "Password expired"},
    {8192, "Spojeno", "Connected"},
    {8193, "Rozpojeno", "Disconnected"},
}};

struct ErrorText {
    int code;
    std::string_view text;
};

constexpr std::array<ErrorText, 26> kErrors{{
    {dialerror::kAccessDenied, "Access denied: changing dial-up entries needs administrator rights."},
    {dialerror::kInvalidHandle, "The connection handle is not valid."},
    {dialerror::kInvalidParameter, "A field of the entry holds characters that cannot be stored."},
    {dialerror::kInvalidName, "The entry name is not valid."},
    {dialerror::kAlreadyExists, "An entry with this name already exists."},
    {dialerror::kDeviceDoesNotExist, "The modem device does not exist. Is the modem plugged in?"},
    {dialerror::kPortDisconnected, "The modem port was disconnected before the connection was made."},
    {dialerror::kCannotFindEntry, "The phonebook entry for this connection cannot be found."},
    {dialerror::kUserDisconnection, "The dial was ended on request."},
    {dialerror::kPortNotAvailable, "The modem is in use by another program or cannot be opened."},
    {dialerror::kUnknown, "The dialler failed for an unknown reason."},
    {dialerror::kDeviceError, "The modem reported an error."},
    {dialerror::kUnrecognizedResponse, "The modem gave an answer that was not expected."},
    {dialerror::kLineBusy, "The line is busy."},
    {dialerror::kVoiceAnswer, "A voice answered instead of a modem."},
    {dialerror::kNoAnswer, "The remote side did not answer."},
    {dialerror::kNoCarrier, "The modem found no carrier."},
    {dialerror::kNoDialtone, "The modem found no dial tone."},
    {dialerror::kAuthenticationFailure, "The user name or password was not accepted by the provider."},
    {dialerror::kCannotInitialize, "The dial-up service could not start (no PPP device)."},
    {dialerror::kNoProtocols, "The link came up but no network protocol could be agreed with the provider."},
    {dialerror::kNoResponse, "The provider's access server did not respond."},
    {dialerror::kLcpTerminated, "The provider ended the link while it was being set up."},
    {dialerror::kLoopback, "The line is looped back."},
    {dialerror::kCannotAuthenticateServer, "The provider's server could not be authenticated."},
    {dialerror::kHangUpTimedOut, "The connection did not end after the hang-up."},
}};

} // namespace

std::string dialStateText(int state, DialLanguage language) {
    for (const auto& s : kStates)
        if (s.state == state)
            return std::string(language == DialLanguage::Czech ? s.czech : s.english);
    return {};
}

std::string dialErrorText(int code) {
    for (const auto& e : kErrors)
        if (e.code == code)
            return std::string(e.text);
    return "Dial-up error " + std::to_string(code) + ".";
}

std::string dialProgressText(int state, int error) {
    return error != 0 ? dialErrorText(error) : dialStateText(state, DialLanguage::Czech);
}

} // namespace qv::platform
