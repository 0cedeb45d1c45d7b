#include "core/input_rules.h"

#include "core/ansi_text.h"
#include "core/text_conversions.h"

namespace cobalin {

namespace {

constexpr size_t kNameMin = 4, kNameMax = 16;
constexpr size_t kPasswordMin = 8, kPasswordMax = 16;

// The characters that are refused, spelt out the way users know the message.
const std::string kForbidden = std::string("( # ),( ' ),( ") + '"' + " ),( ; ),( & ),( \\ ) and Space characters are not allowed for ";

bool EndsWith(std::string_view s, std::string_view end) {
    return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

}  // namespace

bool IsNameSafe(long c) {
    if (c < 0x21 || c > 0x7E) return false;  // space, control characters and everything past ASCII
    switch (c) {
        case '#': case '&': case ';': case '\'': case '"': case '\\':
            return false;
        default:
            return true;
    }
}

size_t CharacterCount(std::string_view utf8) { return CodePoints(utf8).size(); }

bool IsValidText(std::string_view utf8, size_t minLength, size_t maxLength) {
    const std::vector<long> chars = CodePoints(utf8);
    if (chars.empty()) return false;
    if (minLength > 0 && chars.size() < minLength) return false;
    if (maxLength > 0 && chars.size() > maxLength) return false;
    for (long c : chars)
        if (!IsNameSafe(c)) return false;
    return true;
}

RefusalReport ReportOf(Refusal refusal, bool detailed) {
    using R = Refusal;
    using F = ReportForm;
    const std::string invalid = "Invalid Input";
    auto hidden = [detailed](std::string text) { return detailed ? text : std::string(kInvalidConfiguration); };
    switch (refusal) {
        case R::NotAuthenticated:
            return {refusal, "Please enter the password for authentication!", "Password Authentication", F::PanelReport};
        case R::NameTooShort:
            return {refusal, "<Name>, <Location> requires a minimum 4 characters.", invalid, F::PanelReport};
        case R::NameNotSafe:
            return {refusal, kForbidden + "<Name>, <Location>.", invalid, F::PanelReport};
        case R::NewPasswordTooShort:
            return {refusal, "<New password> and <Confirm new password> requires a minimum 8 characters.", invalid,
                    F::PanelReport};
        case R::NewPasswordNotSafe:
            return {refusal, kForbidden + "<New password>, <Confirm new password>.", invalid, F::PanelReport};
        case R::InvalidIpAddress:
            return {refusal, "Invalid IP address.", invalid, F::PanelReport};
        case R::InvalidSubnet:
            return {refusal, "Invalid subnet address.", invalid, F::PanelReport};
        case R::InvalidGateway:
            return {refusal, "Invalid gateway address.", invalid, F::PanelReport};
        case R::SetupNotAuthenticated:
            return {refusal, hidden("Please enter password authentication for the setup device!"), "", F::PlainBox};
        case R::PasswordsDiffer:
            return {refusal, hidden("Please enter a valid password.\r\n(8 characters)"), "", F::PlainBox};
        case R::NewPasswordTooLong:
            return {refusal,
                    hidden("Please enter new password and enter passwrod(confirm)!\r\n"
                           "(Leave it blank to update network configuration only!)"),
                    "", F::PlainBox};
        case R::NoDeviceSelected:
            return {refusal, "Please select a device to setup", "", F::StatusOnly};
    }
    return {refusal, "", "", F::StatusOnly};
}

std::optional<Refusal> CheckSave(const SaveFields& f) {
    using R = Refusal;
    if (f.password != f.devicePassword) return R::NotAuthenticated;
    if (CharacterCount(f.name) < kNameMin || CharacterCount(f.location) < kNameMin) return R::NameTooShort;
    if (!IsValidText(f.location, kNameMin, kNameMax) || !IsValidText(f.name, kNameMin, kNameMax)) return R::NameNotSafe;
    // Both new-password fields empty: the device keeps its password.
    if (!f.newPassword.empty() || !f.confirmPassword.empty()) {
        if (CharacterCount(f.newPassword) < kPasswordMin || CharacterCount(f.confirmPassword) < kPasswordMin)
            return R::NewPasswordTooShort;
        if (!IsValidText(f.confirmPassword, kPasswordMin, kPasswordMax) ||
            !IsValidText(f.newPassword, kPasswordMin, kPasswordMax))
            return R::NewPasswordNotSafe;
    }
    // The addresses are checked whatever the boot mode.
    if (!IsValidAddress(f.ipAddress, true)) return R::InvalidIpAddress;
    if (!IsValidAddress(f.subnetMask, false)) return R::InvalidSubnet;
    if (!IsValidAddress(f.gateway, true)) return R::InvalidGateway;
    return std::nullopt;
}

std::optional<Refusal> CheckApply(const ApplyFields& f) {
    using R = Refusal;
    if (f.superPassword != f.devicePassword) return R::SetupNotAuthenticated;
    if (f.stagedPassword != f.stagedConfirm) return R::PasswordsDiffer;
    if (CharacterCount(f.stagedPassword) > kPasswordMax) return R::NewPasswordTooLong;
    if (!f.deviceSelected) return R::NoDeviceSelected;
    return std::nullopt;
}

bool IsAcceptedNetworkSetting(std::string_view ip, std::string_view subnet, std::string_view gateway) {
    if (!IsDottedQuad(ip) || !IsDottedQuad(subnet) || !IsDottedQuad(gateway)) return false;
    return !EndsWith(ip, "255") && !EndsWith(ip, ".0") && ip != "127.0.0.1";
}

}  // namespace cobalin
