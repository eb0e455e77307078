// Asks for the user PIN before the caller verifies it.
#pragma once

#include "pin_dialog.h"

class CRavenetDlg : public ravenet::PinDialog {
    Q_OBJECT
public:
    CRavenetDlg();
};
