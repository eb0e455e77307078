#include "unblock_pin.h"

#include "pin_texts.h"

using namespace ravenet;

namespace {

constexpr FormRow kRows[] = {
    {FormRow::Field, texts::kAdminPinLabel, PinRole::Current, kPinFieldMaxChars, "adminPinEdit"},
    {FormRow::Hint, texts::kRetryHint, PinRole::Current, 0, nullptr},
    {FormRow::Field, texts::kNewUserPinLabel, PinRole::New, kPinFieldMaxChars, "newPinEdit"},
    {FormRow::Field, nullptr, PinRole::Confirmation, kPinFieldMaxChars, "confirmPinEdit"},
    {FormRow::Hint, texts::kStrengthHint, PinRole::Current, 0, nullptr},
};

constexpr PinCheck kChecks[] = {
    {[](const PinEntries &e) { return !e.current.empty() && !e.newPin.empty(); }, texts::kPinEmptyMessage},
    {[](const PinEntries &e) { return hasAllowedPinLength(e.current); }, texts::kPinLengthMessage},
    {[](const PinEntries &e) { return hasAllowedPinLength(e.newPin); }, texts::kNewPinLengthMessage},
    {[](const PinEntries &e) { return e.newPin == e.confirmation; }, texts::kMismatchMessage},
};

constexpr DialogTemplate kTemplate = {
    texts::kUnblockCaption, "MS Shell Dlg", 8, QSize(289, 112), PinIcon::Unblock, PinRole::Current, kRows, kChecks,
};

} // namespace

CUnblockPIN::CUnblockPIN() : PinDialog(kTemplate) {}
