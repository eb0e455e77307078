// Asks for the old user PIN and a new one, entered twice.
#pragma once

#include "pin_dialog.h"

class CModifyPIN : public ravenet::PinDialog {
    Q_OBJECT
public:
    CModifyPIN();
};
