// Drives a PIN dialog as a person would, from inside the modal event loop of
// the call that shows it.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

class QDialog;
class QLineEdit;

namespace ravenet_test {

struct SeenMessage {
    QString title;
    QString text;
    QMessageBox::Icon icon;
    QString buttonText;
};

// Runs `action` once a PIN dialog shows. Call it before the call that shows
// the dialog. The returned watch polls until then; stopWatching() ends it.
QPointer<QTimer> onDialogShown(std::function<void(QDialog *)> action);
void stopWatching(QPointer<QTimer> &watch);

QLineEdit *field(QDialog *dialog, const char *objectName);

// Types like a keyboard; text outside Latin-1 arrives as input-method commits.
void typeInto(QDialog *dialog, const char *fieldName, const QString &text);

// Presses OK. When that raises a message box, reads it, closes it with its
// button and returns what it said.
std::optional<SeenMessage> pressOk(QDialog *dialog);
void pressCancel(QDialog *dialog);

} // namespace ravenet_test
