#include "reset_pin.h"

#include "pin_texts.h"

using namespace ravenet;

namespace {

constexpr FormRow kRows[] = {
    {FormRow::Field, texts::kNewPinLabel, PinRole::New, kPinFieldMaxChars, "newPinEdit"},
    {FormRow::Field, nullptr, PinRole::Confirmation, kPinFieldMaxChars, "confirmPinEdit"},
    {FormRow::Hint, texts::kStrengthHint, PinRole::New, 0, nullptr},
};

constexpr PinCheck kChecks[] = {
    {[](const PinEntries &e) { return hasAllowedPinLength(e.newPin); }, texts::kNewPinLengthMessage},
    {[](const PinEntries &e) { return e.newPin == e.confirmation; }, texts::kMismatchMessage},
    {[](const PinEntries &e) { return !isDefaultUserPin(e.newPin); }, texts::kDefaultPinRefusedMessage},
};

constexpr DialogTemplate kTemplate = {
    texts::kResetCaption, "MS Shell Dlg", 8, QSize(277, 84), PinIcon::Reset, PinRole::New, kRows, kChecks,
};

} // namespace

CResetPIN::CResetPIN() : PinDialog(kTemplate) {}
