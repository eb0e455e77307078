#include "pin_delivery.h"

#include <cstring>

namespace ravenet {

bool isUsableOutput(PinOutput output)
{
    return output.length != nullptr && (output.buffer != nullptr || *output.length == 0);
}

bool storePin(const SecretBytes &pin, PinOutput output)
{
    if (*output.length < pin.size())
        return false;
    if (!pin.empty())
        std::memcpy(output.buffer, pin.data(), pin.size());
    *output.length = static_cast<std::uint32_t>(pin.size());
    return true;
}

} // namespace ravenet
