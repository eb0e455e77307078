// Asks for the administrator PIN and a new user PIN, entered twice.
#pragma once

#include "pin_dialog.h"

class CUnblockPIN : public ravenet::PinDialog {
    Q_OBJECT
public:
    CUnblockPIN();
};
