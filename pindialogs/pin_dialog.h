// Common frame of the PIN dialogs: a fixed-size, topmost modal dialog at the
// top-left corner with a picture, password fields, hints and OK / Cancel.
// OK closes it only when the entries pass the dialog's checks; a failed check
// is explained in an error message box and the dialog stays open.
#pragma once

#include <QDialog>
#include <QSize>
#include <array>
#include <span>

#include "pin_checks.h"
#include "pin_icon.h"

class QLineEdit;
class QShowEvent;

namespace ravenet {

enum class PinRole { Current, New, Confirmation };

// One line of the form: a labelled password field or a hint.
struct FormRow {
    enum Kind { Field, Hint } kind;
    const char *text; // label of a field (nullptr: none), or the hint
    PinRole role;     // fields only
    int maxChars;     // fields only; 0: no limit
    const char *objectName;
};

struct DialogTemplate {
    const char *caption;
    const char *fontFamily;
    int fontPointSize;
    QSize sizeInDialogUnits;
    PinIcon icon;
    PinRole firstField; // receives the focus when the dialog opens
    std::span<const FormRow> rows;
    std::span<const PinCheck> checks;
};

class PinDialog : public QDialog {
    Q_OBJECT
public:
    explicit PinDialog(const DialogTemplate &layout);
    ~PinDialog() override;

    // What the user entered; filled when the dialog was accepted.
    const PinEntries &entries() const { return entries_; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildForm(const DialogTemplate &layout);
    QLineEdit *addPinField(const FormRow &row);
    void onOk();
    PinEntries readEntries() const;
    void showError(const char *message);
    void wipeFields();

    std::array<QLineEdit *, 3> fields_{}; // by PinRole
    QLineEdit *firstField_ = nullptr;
    std::span<const PinCheck> checks_;
    PinEntries entries_;
};

} // namespace ravenet
