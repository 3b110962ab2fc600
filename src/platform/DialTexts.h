#pragma once

#include <string>

namespace qv::platform {

/// Dial state codes the adapters report.
namespace dialstate {
inline constexpr int kOpenPort = 0;
inline constexpr int kPortOpened = 1;
inline constexpr int kConnectDevice = 2;
inline constexpr int kDeviceConnected = 3;
inline constexpr int kAllDevicesConnected = 4;
inline constexpr int kAuthenticate = 5;
inline constexpr int kAuthenticated = 14;
inline constexpr int kProjected = 18;
inline constexpr int kConnected = 8192;
inline constexpr int kDisconnected = 8193;
} // namespace dialstate

/// Dial error codes the adapters produce.
namespace dialerror {
inline constexpr int kAccessDenied = 5; ///< changing an entry needs rights the user does not have
inline constexpr int kInvalidHandle = 6;
inline constexpr int kInvalidParameter = 87; ///< an entry field holds characters the entry file cannot carry
inline constexpr int kInvalidName = 123;
inline constexpr int kAlreadyExists = 183;
inline constexpr int kDeviceDoesNotExist = 608;
inline constexpr int kPortDisconnected = 619;
inline constexpr int kCannotFindEntry = 623;
inline constexpr int kUserDisconnection = 631;
inline constexpr int kPortNotAvailable = 633;
inline constexpr int kUnknown = 635;
inline constexpr int kDeviceError = 651;
inline constexpr int kUnrecognizedResponse = 652;
inline constexpr int kLineBusy = 676;
inline constexpr int kVoiceAnswer = 677;
inline constexpr int kNoAnswer = 678;
inline constexpr int kNoCarrier = 679;
inline constexpr int kNoDialtone = 680;
inline constexpr int kAuthenticationFailure = 691;
inline constexpr int kCannotInitialize = 711;
inline constexpr int kNoProtocols = 720;
inline constexpr int kNoResponse = 721;
inline constexpr int kLcpTerminated = 734;
inline constexpr int kLoopback = 737;
inline constexpr int kCannotAuthenticateServer = 778;
inline constexpr int kHangUpTimedOut = 799; ///< our own: the connection did not go away after a hang-up
} // namespace dialerror

enum class DialLanguage { English, Czech };

/// The status text of a dial state; empty for a state not in the table.
std::string dialStateText(int state, DialLanguage language);
/// Our own English text for an error code (at most 100 characters); a generic text for unknown codes.
std::string dialErrorText(int code);
/// What OnAsyncEvent carries: the error's text when `error` is not 0, else the Czech state text.
std::string dialProgressText(int state, int error);

} // namespace qv::platform
