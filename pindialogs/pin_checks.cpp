#include "pin_checks.h"

#include <cstring>

namespace ravenet {

bool hasAllowedPinLength(const SecretBytes &pin)
{
    return pin.size() >= kMinPinBytes && pin.size() <= kMaxPinBytes;
}

bool isDefaultUserPin(const SecretBytes &pin)
{
    const std::size_t length = sizeof kDefaultUserPin - 1;
    return pin.size() == length && std::memcmp(pin.data(), kDefaultUserPin, length) == 0;
}

const char *firstFailedCheck(std::span<const PinCheck> checks, const PinEntries &entries)
{
    for (const PinCheck &check : checks) {
        if (!check.passes(entries))
            return check.message;
    }
    return nullptr;
}

} // namespace ravenet
