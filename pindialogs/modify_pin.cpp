#include "modify_pin.h"

#include "pin_texts.h"

using namespace ravenet;

namespace {

constexpr FormRow kRows[] = {
    {FormRow::Field, texts::kOldPinLabel, PinRole::Current, 0, "oldPinEdit"},
    {FormRow::Hint, texts::kRetryHint, PinRole::Current, 0, nullptr},
    {FormRow::Field, texts::kNewPinLabel, PinRole::New, kPinFieldMaxChars, "newPinEdit"},
    {FormRow::Field, nullptr, PinRole::Confirmation, kPinFieldMaxChars, "confirmPinEdit"},
    {FormRow::Hint, texts::kStrengthHint, PinRole::Current, 0, nullptr},
};

constexpr PinCheck kChecks[] = {
    {[](const PinEntries &e) { return !e.current.empty(); }, texts::kOldPinEmptyMessage},
    {[](const PinEntries &e) { return hasAllowedPinLength(e.newPin); }, texts::kNewPinLengthMessage},
    {[](const PinEntries &e) { return e.newPin == e.confirmation; }, texts::kMismatchMessage},
    {[](const PinEntries &e) { return !(e.newPin == e.current); }, texts::kSameAsOldMessage},
};

constexpr DialogTemplate kTemplate = {
    texts::kModifyCaption, "MS Shell Dlg", 8, QSize(289, 112), PinIcon::Modify, PinRole::Current, kRows, kChecks,
};

} // namespace

CModifyPIN::CModifyPIN() : PinDialog(kTemplate) {}
