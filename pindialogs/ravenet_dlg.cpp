#include "ravenet_dlg.h"

#include "pin_texts.h"

using namespace ravenet;

namespace {

constexpr FormRow kRows[] = {
    {FormRow::Field, texts::kUserPinLabel, PinRole::Current, 0, "pinEdit"},
};

constexpr PinCheck kChecks[] = {
    {[](const PinEntries &e) { return hasAllowedPinLength(e.current); }, texts::kPinLengthMessage},
};

constexpr DialogTemplate kTemplate = {
    texts::kVerifyCaption, "宋体", 10, QSize(160, 74), PinIcon::Verify, PinRole::Current, kRows, kChecks,
};

} // namespace

CRavenetDlg::CRavenetDlg() : PinDialog(kTemplate) {}
