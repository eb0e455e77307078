// The padlock pictures shown at the left of each dialog.
#pragma once

#include <QPixmap>

namespace ravenet {

enum class PinIcon { Verify, Modify, Unblock, Reset };

QPixmap drawPinIcon(PinIcon kind, int side);

} // namespace ravenet
