// Finds the Qt platforms that can open a window here. Asked before we create a
// QApplication, because Qt ends the process when no platform starts.
#pragma once

#include <QByteArray>

namespace ravenet {

// The platforms asked for (QT_QPA_PLATFORM, else the X11 default) that are
// installed and can reach their display server, ';'-separated in the order
// asked for; empty when none can.
QByteArray usablePlatforms();

} // namespace ravenet
