#pragma once

// Every text the charge control shows, in one place. They name the SMC and macOS on purpose:
// the product uses the same words on every platform (the README says what they mean here).
namespace tarvel::charge_texts {

// Charger access.
inline constexpr const char* kSMCNotFound = "AppleSMC not found";
inline constexpr const char* kSMCUnavailable = "SMC unavailable";
inline constexpr const char* kNotPrivileged = "Not privileged — SMC write blocked on this Mac.";
inline constexpr const char* kErrorDomain = "SMC";

// Backend names.
inline constexpr const char* kBackendSMC = "AppleSMC (CH0B/CH0C/CH0I)";
inline constexpr const char* kBackendUnavailable = "Unavailable";

// Status raw values.
inline constexpr const char* kStatusOff = "Off";
inline constexpr const char* kStatusOnBattery = "Charger not connected";
inline constexpr const char* kStatusChargingToLimit = "Charging";
inline constexpr const char* kStatusHolding = "Inhibiting charging";
inline constexpr const char* kStatusChargeToFull = "Charging to 100%";
inline constexpr const char* kStatusDischarging = "Discharging";
inline constexpr const char* kStatusUnsupported = "Control unavailable";

// Mode descriptions and labels.
inline constexpr const char* kAutomatic = "Automatic";
inline constexpr const char* kCharging = "Charging";
inline constexpr const char* kInhibiting = "Inhibiting charging";
inline constexpr const char* kChargingToFull = "Charging to 100%";
inline constexpr const char* kDischarging = "Discharging";
inline constexpr const char* kChargerNotConnected = "Charger not connected";
inline constexpr const char* kControlUnavailableLine = "Charge control unavailable";

// Details.
inline constexpr const char* kDetailInitial =
    "Manage charging: hold a limit, charge to full, or discharge on AC.";
inline constexpr const char* kDetailSMCUnavailable =
    "AppleSMC not available. Charge control needs SMC access (often requires a privileged helper "
    "on locked-down Macs).";
inline constexpr const char* kDetailNoBattery = "No internal battery.";
inline constexpr const char* kDetailDischarging =
    "Forcing discharge even if the charger is connected. Stop override to resume normal "
    "management.";
inline constexpr const char* kDetailChargeToFull =
    "Temporarily charging to full. Stops at 100% or when you stop the override.";
inline constexpr const char* kDetailOnBattery =
    "Charge limit applies when a power adapter is connected.";
inline constexpr const char* kDetailDisabled = "Charge management off — macOS controls charging.";

}  // namespace tarvel::charge_texts
