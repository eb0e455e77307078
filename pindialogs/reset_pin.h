// Asks for a new user PIN, entered twice; the default user PIN is refused.
#pragma once

#include "pin_dialog.h"

class CResetPIN : public ravenet::PinDialog {
    Q_OBJECT
public:
    CResetPIN();
};
