#include "dialog_driver.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace ravenet_test {
namespace {

constexpr int kPollMs = 5;
constexpr int kMaxPolls = 2000; // ten seconds

// Polls the event loop until `find` gives a widget, then stops polling and
// hands the widget to `act`. `act` may run nested event loops.
QPointer<QTimer> whenFound(std::function<QWidget *()> find, std::function<void(QWidget *)> act)
{
    auto *timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(kPollMs);
    auto polls = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, find, act, polls] {
        QWidget *widget = find();
        if (widget == nullptr && ++*polls < kMaxPolls)
            return;
        timer->stop();
        timer->deleteLater();
        if (widget == nullptr) {
            ADD_FAILURE() << "the expected window never showed";
            return;
        }
        act(widget);
    });
    timer->start();
    return timer;
}

QPushButton *standardButton(QDialog *dialog, QDialogButtonBox::StandardButton which)
{
    auto *box = dialog->findChild<QDialogButtonBox *>();
    return box != nullptr ? box->button(which) : nullptr;
}

} // namespace

QPointer<QTimer> onDialogShown(std::function<void(QDialog *)> action)
{
    return whenFound(
        [] {
            QWidget *modal = QApplication::activeModalWidget();
            const bool pinDialog = qobject_cast<QDialog *>(modal) != nullptr && qobject_cast<QMessageBox *>(modal) == nullptr;
            return pinDialog && modal->isVisible() ? modal : nullptr;
        },
        [action](QWidget *widget) { action(static_cast<QDialog *>(widget)); });
}

QLineEdit *field(QDialog *dialog, const char *objectName)
{
    return dialog->findChild<QLineEdit *>(QString::fromLatin1(objectName));
}

void typeInto(QDialog *dialog, const char *fieldName, const QString &text)
{
    QLineEdit *edit = field(dialog, fieldName);
    ASSERT_NE(edit, nullptr) << fieldName;
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(edit, c.toLatin1());
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QApplication::sendEvent(edit, &commit);
        }
    }
}

std::optional<SeenMessage> pressOk(QDialog *dialog)
{
    std::optional<SeenMessage> seen;
    QPointer<QTimer> watcher = whenFound([] { return qobject_cast<QMessageBox *>(QApplication::activeModalWidget()); },
                                         [&seen](QWidget *widget) {
                                             auto *box = static_cast<QMessageBox *>(widget);
                                             QAbstractButton *button = box->buttons().value(0);
                                             seen = SeenMessage{box->windowTitle(), box->text(), box->icon(),
                                                                button != nullptr ? button->text() : QString()};
                                             if (button != nullptr)
                                                 QTest::mouseClick(button, Qt::LeftButton);
                                         });
    QPushButton *ok = standardButton(dialog, QDialogButtonBox::Ok);
    EXPECT_NE(ok, nullptr);
    if (ok != nullptr)
        QTest::mouseClick(ok, Qt::LeftButton); // a message box runs and closes inside
    stopWatching(watcher);
    return seen;
}

void stopWatching(QPointer<QTimer> &watch)
{
    if (watch) {
        watch->stop();
        watch->deleteLater();
    }
}

void pressCancel(QDialog *dialog)
{
    QPushButton *cancel = standardButton(dialog, QDialogButtonBox::Cancel);
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
}

} // namespace ravenet_test
