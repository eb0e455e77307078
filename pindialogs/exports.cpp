// The library's C entry points: each shows one dialog modally and hands the
// accepted PINs to the caller.
#include "ravenet.h"

#include <initializer_list>

#include "gui_session.h"
#include "modify_pin.h"
#include "pin_delivery.h"
#include "ravenet_dlg.h"
#include "reset_pin.h"
#include "unblock_pin.h"

using namespace ravenet;

namespace {

struct Delivery {
    const SecretBytes &pin;
    PinOutput output;
};

// Stores the PINs in order; the first that does not fit ends the delivery,
// leaving the earlier ones stored.
int deliver(std::initializer_list<Delivery> deliveries)
{
    for (const Delivery &delivery : deliveries) {
        if (!storePin(delivery.pin, delivery.output))
            return RAVENET_BUFFER_TOO_SMALL;
    }
    return RAVENET_OK;
}

bool usableOutputs(std::initializer_list<PinOutput> outputs)
{
    for (const PinOutput &output : outputs) {
        if (!isUsableOutput(output))
            return false;
    }
    return true;
}

template <class Dialog, class Deliver>
int showPinDialog(Deliver deliverEntries)
{
    GuiSession session;
    if (!session.ready())
        return RAVENET_FAILED;
    Dialog dialog;
    if (dialog.exec() != QDialog::Accepted)
        return RAVENET_CANCELLED;
    return deliverEntries(dialog.entries());
}

// A dialog that asks for the PIN the user has and a new one: the first goes
// into the first buffer, the new PIN into the second.
template <class Dialog>
int showChangeDialog(PinOutput currentOutput, PinOutput newOutput)
{
    if (!usableOutputs({currentOutput, newOutput}))
        return RAVENET_FAILED;
    return showPinDialog<Dialog>(
        [&](const PinEntries &e) { return deliver({{e.current, currentOutput}, {e.newPin, newOutput}}); });
}

// No exception may reach the caller.
template <class Body>
int guarded(Body body) noexcept
{
    try {
        return body();
    } catch (...) {
        return RAVENET_FAILED;
    }
}

} // namespace

extern "C" {

RAVENET_API int Ravenet_ShowDialog(char *pin, uint32_t *pin_len)
{
    return guarded([&] {
        const PinOutput output{pin, pin_len};
        if (!usableOutputs({output}))
            return RAVENET_FAILED;
        return showPinDialog<CRavenetDlg>([&](const PinEntries &e) { return deliver({{e.current, output}}); });
    });
}

RAVENET_API int ModifyPIN_ShowDialog(char *old_pin, uint32_t *old_pin_len, char *new_pin, uint32_t *new_pin_len)
{
    return guarded([&] { return showChangeDialog<CModifyPIN>({old_pin, old_pin_len}, {new_pin, new_pin_len}); });
}

RAVENET_API int UnblockPIN_ShowDialog(char *admin_pin, uint32_t *admin_pin_len, char *new_pin,
                                      uint32_t *new_pin_len)
{
    return guarded([&] { return showChangeDialog<CUnblockPIN>({admin_pin, admin_pin_len}, {new_pin, new_pin_len}); });
}

RAVENET_API int ResetPIN_ShowDialog(char *old_pin, uint32_t *old_pin_len, char *new_pin, uint32_t *new_pin_len)
{
    return guarded([&] {
        const PinOutput oldOutput{old_pin, old_pin_len};
        const PinOutput newOutput{new_pin, new_pin_len};
        if (!usableOutputs({oldOutput, newOutput}))
            return RAVENET_FAILED;
        return showPinDialog<CResetPIN>([&](const PinEntries &e) {
            // After a reset the token's user PIN is the default one; the
            // caller changes it from that to the new PIN.
            const SecretBytes defaultPin(kDefaultUserPin, sizeof kDefaultUserPin - 1);
            return deliver({{defaultPin, oldOutput}, {e.newPin, newOutput}});
        });
    });
}

} // extern "C"
