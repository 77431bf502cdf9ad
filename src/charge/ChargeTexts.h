#pragma once

// Every text the charge control shows, in one place, in the words of what Linux offers: the
// battery's attributes, the vendor drivers and the tarvel group that may write them.
namespace tarvel::charge_texts {

// Charger access.
inline constexpr const char* kSMCNotFound = "Charge control attribute not found";
inline constexpr const char* kSMCUnavailable = "Charge control unavailable";
inline constexpr const char* kNotPrivileged =
    "Not privileged — charge control write refused on this machine; join the tarvel group "
    "(udev rule 70-tarvel-charge.rules).";
inline constexpr const char* kErrorDomain = "SMC";

// Backend names.
inline constexpr const char* kBackendSMC = "Kernel charge control (sysfs)";
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
    "Charge control not available. It needs the battery's charge_behaviour or charge thresholds, "
    "or a vendor driver's charge switch (ideapad_acpi, samsung-laptop, sony-laptop).";
inline constexpr const char* kDetailNoBattery = "No internal battery.";
inline constexpr const char* kDetailDischarging =
    "Forcing discharge even if the charger is connected. Stop override to resume normal "
    "management.";
inline constexpr const char* kDetailChargeToFull =
    "Temporarily charging to full. Stops at 100% or when you stop the override.";
inline constexpr const char* kDetailOnBattery =
    "Charge limit applies when a power adapter is connected.";
inline constexpr const char* kFirmwareOwnLevel = "at its own level (about 60% or 80%, by model)";
inline constexpr const char* kFootnote =
    "Uses the battery’s charge_behaviour or charge thresholds, or the vendor driver’s charge "
    "switch. Writing needs the tarvel group (udev rule 70-tarvel-charge.rules) — Tarvel will "
    "say so. Don’t run two charge managers at once.";
inline constexpr const char* kDetailDisabled =
    "Charge management off — the firmware controls charging.";

}  // namespace tarvel::charge_texts
