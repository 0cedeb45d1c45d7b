// What the configuration faces accept of what a user typed, and the words,
// titles and forms in which they refuse it. Every check reads the text as
// typed (UTF-8, counted in characters), before any conversion to the
// device's single-byte texts: an "é" or a letter of another script must be
// refused here, not slip through as a "?" later.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace cobalin {

// A name, location or password may hold only these: the printable ASCII
// characters less space and # & ; ' " \ (88 characters).
bool IsNameSafe(long codePoint);

// Characters of a UTF-8 text (a malformed byte counts as one).
size_t CharacterCount(std::string_view utf8);

// Not empty, within the bounds (0: that side unbounded), and name-safe
// throughout.
bool IsValidText(std::string_view utf8, size_t minLength, size_t maxLength);

// How a refusal reaches the user.
enum class ReportForm {
    PanelReport,  // the panel's status line, then a box with the stop icon and a title
    PlainBox,     // a box without icon under the application's title
    StatusOnly,   // the status line in red, no box
};

enum class Refusal {
    // Save on the panel, in the order it checks.
    NotAuthenticated,
    NameTooShort,
    NameNotSafe,
    NewPasswordTooShort,
    NewPasswordNotSafe,
    InvalidIpAddress,
    InvalidSubnet,
    InvalidGateway,
    // Applying the panel's values, in the order it checks.
    SetupNotAuthenticated,
    PasswordsDiffer,
    NewPasswordTooLong,
    NoDeviceSelected,
};

struct RefusalReport {
    Refusal refusal;
    std::string text;
    std::string title;  // empty: the application's title (or no box)
    ReportForm form;
};

// The report of a refusal. Three refusals of the applying step say only
// "Invalid configuration!" unless the detailed texts are switched on
// (ShowPassword 1), so that a stranger cannot tell which check failed.
RefusalReport ReportOf(Refusal refusal, bool detailed = true);

// The panel's values that Save checks (UTF-8, as typed).
struct SaveFields {
    std::string password;         // "Password"
    std::string devicePassword;   // the selected device's current password
    std::string name;             // "Name" / "Rack No."
    std::string location;
    std::string newPassword;
    std::string confirmPassword;  // "Confirm new password"
    std::string ipAddress;
    std::string subnetMask;
    std::string gateway;
};
// The first refusal of Save, or none.
std::optional<Refusal> CheckSave(const SaveFields& f);

// The values that applying checks.
struct ApplyFields {
    std::string superPassword;    // "Super user password"
    std::string devicePassword;
    std::string stagedPassword;   // "New super user password"
    std::string stagedConfirm;    // "New password (confirm)"
    bool deviceSelected = false;
};
std::optional<Refusal> CheckApply(const ApplyFields& f);

// The network values the simple face's Update sends: three dotted quads, and
// an IP address that is no broadcast, network or loopback address.
bool IsAcceptedNetworkSetting(std::string_view ip, std::string_view subnet, std::string_view gateway);

// Texts of the refusals that stand on their own.
inline constexpr const char* kConfirmPasswordRefused = "Invalid confirm password!";
inline constexpr const char* kNetworkSettingsRefused = "Invalid network settings";
inline constexpr const char* kQueryNotAuthenticated = "Please enter password authentication to query a device!";
inline constexpr const char* kInvalidConfiguration = "Invalid configuration!";

}  // namespace cobalin
