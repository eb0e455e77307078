// The entries of a PIN dialog and the checks they must pass before OK closes it.
#pragma once

#include <cstddef>
#include <span>

#include "ravenet.h"
#include "secret_bytes.h"

namespace ravenet {

// What a dialog read from its fields. `current` is the PIN the user already
// has (the user PIN to verify, the old PIN, or the administrator PIN).
struct PinEntries {
    SecretBytes current;
    SecretBytes newPin;
    SecretBytes confirmation;
};

struct PinCheck {
    bool (*passes)(const PinEntries &entries);
    const char *message; // shown when the check fails
};

inline constexpr std::size_t kMinPinBytes = 6;
inline constexpr std::size_t kMaxPinBytes = 16;
// Input limit of the fields that have one, in characters.
inline constexpr int kPinFieldMaxChars = 20;

// The default user PIN stored by the reset dialog.
inline constexpr char kDefaultUserPin[] = RAVENET_DEFAULT_USER_PIN;

bool hasAllowedPinLength(const SecretBytes &pin);
bool isDefaultUserPin(const SecretBytes &pin);

// The message of the first check that fails, in table order, or nullptr.
const char *firstFailedCheck(std::span<const PinCheck> checks, const PinEntries &entries);

} // namespace ravenet
