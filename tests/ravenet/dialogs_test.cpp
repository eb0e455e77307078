// The four dialogs driven through the library's exports by a host that owns a
// QApplication: the checks of each dialog, the ways to close it, and what the
// caller's buffers receive.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "dialog_driver.h"
#include "pin_buffers.h"
#include "ravenet.h"

using namespace ravenet_test;

namespace {

using DialogCall = std::function<int(PinBuffer &, PinBuffer &)>;

const DialogCall kVerify = [](PinBuffer &pin, PinBuffer &) { return Ravenet_ShowDialog(pin.bytes, &pin.length); };
const DialogCall kModify = [](PinBuffer &a, PinBuffer &b) {
    return ModifyPIN_ShowDialog(a.bytes, &a.length, b.bytes, &b.length);
};
const DialogCall kUnblock = [](PinBuffer &a, PinBuffer &b) {
    return UnblockPIN_ShowDialog(a.bytes, &a.length, b.bytes, &b.length);
};
const DialogCall kReset = [](PinBuffer &a, PinBuffer &b) {
    return ResetPIN_ShowDialog(a.bytes, &a.length, b.bytes, &b.length);
};

using Fields = std::vector<std::pair<const char *, QString>>;

struct Outcome {
    int result = 0;
    PinBuffer first;
    PinBuffer second;
    std::optional<SeenMessage> message;
    bool stayedOpen = false;
};

// Types the fields and presses OK; when a message box answers, notes whether
// the dialog stayed open and then cancels it.
Outcome enterAndConfirm(const DialogCall &call, const Fields &fields, std::uint32_t firstCapacity = 32,
                        std::uint32_t secondCapacity = 32)
{
    Outcome outcome;
    outcome.first.length = firstCapacity;
    outcome.second.length = secondCapacity;
    onDialogShown([&](QDialog *dialog) {
        for (const auto &[name, text] : fields)
            typeInto(dialog, name, text);
        outcome.message = pressOk(dialog);
        if (dialog->isVisible()) {
            outcome.stayedOpen = true;
            pressCancel(dialog);
        }
    });
    outcome.result = call(outcome.first, outcome.second);
    return outcome;
}

struct CheckCase {
    const char *name;
    Fields fields;
    const char *message;   // expected refusal, or nullptr when OK is accepted
    const char *firstOut;  // accepted: what the first buffer holds
    const char *secondOut; // accepted: what the second buffer holds (nullptr: not used)
};

void runCheckCases(const DialogCall &call, const std::vector<CheckCase> &cases)
{
    for (const CheckCase &c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome = enterAndConfirm(call, c.fields);
        if (c.message != nullptr) {
            ASSERT_TRUE(outcome.message.has_value());
            EXPECT_EQ(outcome.message->text.toStdString(), c.message);
            EXPECT_EQ(outcome.message->title.toStdString(), "错误");
            EXPECT_EQ(outcome.message->icon, QMessageBox::Critical);
            EXPECT_EQ(outcome.message->buttonText.toStdString(), "确定");
            EXPECT_TRUE(outcome.stayedOpen);
            EXPECT_EQ(outcome.result, RAVENET_CANCELLED);
            EXPECT_TRUE(outcome.first.untouchedFrom(0) && outcome.second.untouchedFrom(0));
            continue;
        }
        EXPECT_FALSE(outcome.message.has_value()) << outcome.message->text.toStdString();
        ASSERT_EQ(outcome.result, RAVENET_OK);
        EXPECT_EQ(outcome.first.stored(), c.firstOut);
        EXPECT_TRUE(outcome.first.untouchedFrom(outcome.first.length)) << "no terminator expected";
        if (c.secondOut != nullptr) {
            EXPECT_EQ(outcome.second.stored(), c.secondOut);
            EXPECT_TRUE(outcome.second.untouchedFrom(outcome.second.length));
        }
    }
}

const QString k16 = QStringLiteral("0123456789abcdef");
const QString k17 = QStringLiteral("0123456789abcdefg");

TEST(VerifyDialog, ChecksThePinLengthInBytes)
{
    runCheckCases(kVerify, {
        {"empty", {}, "密码长度只能是6位到16位（含）之间!", nullptr, nullptr},
        {"five", {{"pinEdit", "12345"}}, "密码长度只能是6位到16位（含）之间!", nullptr, nullptr},
        {"six", {{"pinEdit", "123456"}}, nullptr, "123456", nullptr},
        {"sixteen", {{"pinEdit", k16}}, nullptr, "0123456789abcdef", nullptr},
        {"seventeen", {{"pinEdit", k17}}, "密码长度只能是6位到16位（含）之间!", nullptr, nullptr},
        {"gbk bytes", {{"pinEdit", QStringLiteral("密码12")}}, nullptr, "\xC3\xDC\xC2\xEB" "12", nullptr},
        {"three characters, six bytes", {{"pinEdit", QStringLiteral("密码密")}}, nullptr,
         "\xC3\xDC\xC2\xEB\xC3\xDC", nullptr},
        {"nine characters, eighteen bytes", {{"pinEdit", QStringLiteral("密码密码密码密码密")}},
         "密码长度只能是6位到16位（含）之间!", nullptr, nullptr},
    });
}

TEST(ModifyDialog, ChecksInOrder)
{
    runCheckCases(kModify, {
        {"all empty", {}, "旧密码不能为空,请重新输入密码!", nullptr, nullptr},
        {"old empty", {{"newPinEdit", "654321"}, {"confirmPinEdit", "654321"}}, "旧密码不能为空,请重新输入密码!",
         nullptr, nullptr},
        {"new short, also unconfirmed", {{"oldPinEdit", "1"}, {"newPinEdit", "12345"}},
         "新密码长度只能是6位到16位（含）之间!", nullptr, nullptr},
        {"new seventeen", {{"oldPinEdit", "1"}, {"newPinEdit", k17}, {"confirmPinEdit", k17}},
         "新密码长度只能是6位到16位（含）之间!", nullptr, nullptr},
        {"mismatch", {{"oldPinEdit", "1"}, {"newPinEdit", "12345678"}, {"confirmPinEdit", "12345679"}},
         "输入的两个新密码不一致!", nullptr, nullptr},
        {"same as old", {{"oldPinEdit", "111111"}, {"newPinEdit", "111111"}, {"confirmPinEdit", "111111"}},
         "输入的新密码与旧密码一致!", nullptr, nullptr},
        {"differs only in case", {{"oldPinEdit", "abcdef"}, {"newPinEdit", "ABCDEF"}, {"confirmPinEdit", "ABCDEF"}},
         nullptr, "abcdef", "ABCDEF"},
        {"old of one character", {{"oldPinEdit", "1"}, {"newPinEdit", "654321"}, {"confirmPinEdit", "654321"}},
         nullptr, "1", "654321"},
    });
}

TEST(UnblockDialog, ChecksInOrder)
{
    runCheckCases(kUnblock, {
        {"admin empty", {{"newPinEdit", "user1234"}, {"confirmPinEdit", "user1234"}}, "密码不能为空,请重新输入密码!",
         nullptr, nullptr},
        {"new empty", {{"adminPinEdit", "admin123"}}, "密码不能为空,请重新输入密码!", nullptr, nullptr},
        {"admin short", {{"adminPinEdit", "12345"}, {"newPinEdit", "user1234"}, {"confirmPinEdit", "user1234"}},
         "密码长度只能是6位到16位（含）之间!", nullptr, nullptr},
        // 23 keys typed, 20 kept by the field: still too long.
        {"admin long", {{"adminPinEdit", "12345678901234567890abc"}, {"newPinEdit", "user1234"},
                        {"confirmPinEdit", "user1234"}},
         "密码长度只能是6位到16位（含）之间!", nullptr, nullptr},
        {"new short", {{"adminPinEdit", "admin123"}, {"newPinEdit", "12345"}, {"confirmPinEdit", "12345"}},
         "新密码长度只能是6位到16位（含）之间!", nullptr, nullptr},
        {"confirmation empty", {{"adminPinEdit", "admin123"}, {"newPinEdit", "user1234"}}, "输入的两个新密码不一致!",
         nullptr, nullptr},
        {"accepted", {{"adminPinEdit", "admin123"}, {"newPinEdit", "user1234"}, {"confirmPinEdit", "user1234"}},
         nullptr, "admin123", "user1234"},
    });
}

TEST(ResetDialog, ChecksInOrder)
{
    runCheckCases(kReset, {
        {"new short", {{"newPinEdit", "12345"}, {"confirmPinEdit", "12345"}}, "新密码长度只能是6位到16位（含）之间!",
         nullptr, nullptr},
        {"new seventeen", {{"newPinEdit", k17}, {"confirmPinEdit", k17}}, "新密码长度只能是6位到16位（含）之间!",
         nullptr, nullptr},
        {"mismatch before default", {{"newPinEdit", "907158"}, {"confirmPinEdit", "907159"}},
         "输入的两个新密码不一致!", nullptr, nullptr},
        {"default refused", {{"newPinEdit", "907158"}, {"confirmPinEdit", "907158"}}, "不允许输入该密码，请重新输入!",
         nullptr, nullptr},
        {"accepted", {{"newPinEdit", "246810"}, {"confirmPinEdit", "246810"}}, nullptr, "907158", "246810"},
    });
}

TEST(DialogFields, KeepAtMostTwentyCharactersWhereLimited)
{
    onDialogShown([](QDialog *dialog) {
        typeInto(dialog, "adminPinEdit", "123456789012345678901234");
        typeInto(dialog, "newPinEdit", QStringLiteral("密码密码密码密码密码密码密码密码密码密码密码"));
        EXPECT_EQ(field(dialog, "adminPinEdit")->text(), "12345678901234567890");
        EXPECT_EQ(field(dialog, "newPinEdit")->text().size(), 20);
        pressCancel(dialog);
    });
    PinBuffer a, b;
    EXPECT_EQ(kUnblock(a, b), RAVENET_CANCELLED);
}

// Each way to end a dialog, tried on the change dialog with valid entries.
TEST(DialogEnding, OkAndEnterAcceptCancelEscAndCloseBoxCancel)
{
    struct Way {
        const char *name;
        std::function<void(QDialog *)> end;
        int result;
    };
    const std::vector<Way> ways = {
        {"OK button", [](QDialog *d) { pressOk(d); }, RAVENET_OK},
        {"Enter key", [](QDialog *d) { QTest::keyClick(field(d, "confirmPinEdit"), Qt::Key_Return); }, RAVENET_OK},
        {"Cancel button", [](QDialog *d) { pressCancel(d); }, RAVENET_CANCELLED},
        {"Esc key", [](QDialog *d) { QTest::keyClick(field(d, "newPinEdit"), Qt::Key_Escape); }, RAVENET_CANCELLED},
        {"close box", [](QDialog *d) { d->close(); }, RAVENET_CANCELLED},
    };
    for (const Way &way : ways) {
        SCOPED_TRACE(way.name);
        onDialogShown([&](QDialog *dialog) {
            typeInto(dialog, "oldPinEdit", "oldpin");
            typeInto(dialog, "newPinEdit", "newpin");
            typeInto(dialog, "confirmPinEdit", "newpin");
            way.end(dialog);
        });
        PinBuffer a, b;
        ASSERT_EQ(kModify(a, b), way.result);
        if (way.result == RAVENET_OK) {
            EXPECT_EQ(a.stored(), "oldpin");
            EXPECT_EQ(b.stored(), "newpin");
        } else {
            EXPECT_TRUE(a.untouchedFrom(0) && b.untouchedFrom(0));
            EXPECT_EQ(a.length, 32u);
            EXPECT_EQ(b.length, 32u);
        }
    }
}

TEST(PinCopy, CapacityRules)
{
    const Fields verify = {{"pinEdit", "123456"}};
    const Fields modify = {{"oldPinEdit", "oldpin1"}, {"newPinEdit", "newpin12"}, {"confirmPinEdit", "newpin12"}};
    const Fields unblock = {{"adminPinEdit", "admin12"}, {"newPinEdit", "newpin12"}, {"confirmPinEdit", "newpin12"}};
    const Fields reset = {{"newPinEdit", "newpin12"}, {"confirmPinEdit", "newpin12"}};
    struct CopyCase {
        const char *name;
        DialogCall call;
        Fields fields;
        std::uint32_t firstCapacity, secondCapacity;
        int result;
        const char *firstOut;  // nullptr: untouched
        const char *secondOut; // nullptr: untouched
    };
    const std::vector<CopyCase> cases = {
        {"verify, capacity equal to the PIN", kVerify, verify, 6, 32, RAVENET_OK, "123456", nullptr},
        {"verify, one byte short", kVerify, verify, 5, 32, RAVENET_BUFFER_TOO_SMALL, nullptr, nullptr},
        {"change, exact capacities", kModify, modify, 7, 8, RAVENET_OK, "oldpin1", "newpin12"},
        {"change, first short", kModify, modify, 6, 8, RAVENET_BUFFER_TOO_SMALL, nullptr, nullptr},
        {"change, second short", kModify, modify, 7, 7, RAVENET_BUFFER_TOO_SMALL, "oldpin1", nullptr},
        {"unblock, first short", kUnblock, unblock, 6, 8, RAVENET_BUFFER_TOO_SMALL, nullptr, nullptr},
        {"unblock, second short", kUnblock, unblock, 7, 7, RAVENET_BUFFER_TOO_SMALL, "admin12", nullptr},
        {"reset, first capacity 5", kReset, reset, 5, 8, RAVENET_BUFFER_TOO_SMALL, nullptr, nullptr},
        {"reset, exact capacities", kReset, reset, 6, 8, RAVENET_OK, "907158", "newpin12"},
        {"reset, second short", kReset, reset, 6, 7, RAVENET_BUFFER_TOO_SMALL, "907158", nullptr},
    };
    for (const CopyCase &c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome = enterAndConfirm(c.call, c.fields, c.firstCapacity, c.secondCapacity);
        EXPECT_FALSE(outcome.message.has_value());
        EXPECT_EQ(outcome.result, c.result);
        const std::pair<const PinBuffer &, std::pair<const char *, std::uint32_t>> buffers[] = {
            {outcome.first, {c.firstOut, c.firstCapacity}},
            {outcome.second, {c.secondOut, c.secondCapacity}},
        };
        for (const auto &[buffer, expected] : buffers) {
            if (expected.first == nullptr) {
                EXPECT_EQ(buffer.length, expected.second);
                EXPECT_TRUE(buffer.untouchedFrom(0));
            } else {
                EXPECT_EQ(buffer.stored(), expected.first);
                EXPECT_TRUE(buffer.untouchedFrom(buffer.length));
            }
        }
    }
}

// Refused calls must return without a dialog; a dialog that shows anyway is
// cancelled so the test ends, and noted.
TEST(Arguments, MissingLengthOrBufferFailsWithoutDialog)
{
    PinBuffer a, b;
    std::uint32_t capacity = 8;
    const std::vector<std::pair<const char *, std::function<int()>>> calls = {
        {"verify, no length", [] { return Ravenet_ShowDialog(nullptr, nullptr); }},
        {"verify, no buffer", [&] { return Ravenet_ShowDialog(nullptr, &capacity); }},
        {"change, no second length", [&] { return ModifyPIN_ShowDialog(a.bytes, &a.length, b.bytes, nullptr); }},
        {"unblock, no first buffer", [&] { return UnblockPIN_ShowDialog(nullptr, &capacity, b.bytes, &b.length); }},
        {"reset, no first length", [&] { return ResetPIN_ShowDialog(a.bytes, nullptr, b.bytes, &b.length); }},
    };
    for (const auto &[name, call] : calls) {
        SCOPED_TRACE(name);
        bool shown = false;
        QPointer<QTimer> watch = onDialogShown([&](QDialog *dialog) {
            shown = true;
            pressCancel(dialog);
        });
        EXPECT_EQ(call(), RAVENET_FAILED);
        stopWatching(watch);
        EXPECT_FALSE(shown);
    }
    // A missing buffer with no capacity is only too small for the PIN.
    std::uint32_t none = 0;
    onDialogShown([](QDialog *dialog) {
        typeInto(dialog, "pinEdit", "123456");
        pressOk(dialog);
    });
    EXPECT_EQ(Ravenet_ShowDialog(nullptr, &none), RAVENET_BUFFER_TOO_SMALL);
}

TEST(Threads, CallFromAnotherThreadThanTheApplicationsFails)
{
    PinBuffer pin;
    int result = 0;
    std::thread caller([&] { result = Ravenet_ShowDialog(pin.bytes, &pin.length); });
    caller.join();
    EXPECT_EQ(result, RAVENET_FAILED);
    EXPECT_TRUE(pin.untouchedFrom(0));
}

struct Appearance {
    const char *className;
    DialogCall call;
    const char *caption;
    std::vector<const char *> labels; // texts in form order, hints included
    std::vector<std::pair<const char *, int>> fields; // name, input limit
    const char *firstField;
};

constexpr int kNoLimit = 32767; // QLineEdit's default
constexpr char kRetry[] = "PIN码输入次数有限制，请输入正确的用户PIN，小心被锁定！";
constexpr char kStrength[] = "为保证您的PIN码安全，请设置足够强度的PIN码，并定期更换。";

// Checks what a person sees when each dialog opens, and saves a picture of it.
TEST(DialogAppearance, TextsFieldsPlacementFocusAndScreenshot)
{
    const std::vector<Appearance> dialogs = {
        {"CRavenetDlg", kVerify, "验证UKEY用户PIN", {"用户PIN:"}, {{"pinEdit", kNoLimit}}, "pinEdit"},
        {"CModifyPIN", kModify, "UKEY用户PIN修改", {"请输入旧PIN:", kRetry, "请输入新PIN:", kStrength},
         {{"oldPinEdit", kNoLimit}, {"newPinEdit", 20}, {"confirmPinEdit", 20}}, "oldPinEdit"},
        {"CUnblockPIN", kUnblock, "解锁UKEY用户PIN", {"管理员PIN:", kRetry, "请输入用户新PIN:", kStrength},
         {{"adminPinEdit", 20}, {"newPinEdit", 20}, {"confirmPinEdit", 20}}, "adminPinEdit"},
        {"CResetPIN", kReset, "重置UKEY用户PIN", {"请输入新PIN:", kStrength},
         {{"newPinEdit", 20}, {"confirmPinEdit", 20}}, "newPinEdit"},
    };
    const QString shots = QStringLiteral(RAVENET_SCREENSHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(shots));
    for (const Appearance &expected : dialogs) {
        SCOPED_TRACE(expected.className);
        onDialogShown([&](QDialog *dialog) {
            EXPECT_STREQ(dialog->metaObject()->className(), expected.className);
            EXPECT_EQ(dialog->windowTitle().toStdString(), expected.caption);
            EXPECT_TRUE(dialog->isModal());
            EXPECT_TRUE(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
            EXPECT_EQ(dialog->frameGeometry().topLeft(), QPoint(0, 0));

            std::vector<std::string> labels;
            for (const QLabel *label : dialog->findChildren<QLabel *>()) {
                if (!label->text().isEmpty())
                    labels.push_back(label->text().toStdString());
            }
            EXPECT_EQ(labels, std::vector<std::string>(expected.labels.begin(), expected.labels.end()));
            const QList<QLineEdit *> edits = dialog->findChildren<QLineEdit *>();
            EXPECT_EQ(edits.size(), static_cast<int>(expected.fields.size()));
            for (const auto &[name, limit] : expected.fields) {
                QLineEdit *edit = field(dialog, name);
                ASSERT_NE(edit, nullptr) << name;
                EXPECT_EQ(edit->echoMode(), QLineEdit::Password) << name;
                EXPECT_EQ(edit->maxLength(), limit) << name;
            }
            auto *buttons = dialog->findChild<QDialogButtonBox *>();
            ASSERT_NE(buttons, nullptr);
            EXPECT_EQ(buttons->buttons().size(), 2);
            EXPECT_EQ(buttons->button(QDialogButtonBox::Ok)->text().toStdString(), "确定");
            EXPECT_TRUE(buttons->button(QDialogButtonBox::Ok)->isDefault());
            EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text().toStdString(), "取消");

            // Keys pressed right after opening land in the first PIN field.
            ASSERT_NE(dialog->focusWidget(), nullptr);
            EXPECT_EQ(dialog->focusWidget()->objectName().toStdString(), expected.firstField);
            QTest::keyClicks(dialog->focusWidget(), "abc");
            EXPECT_EQ(field(dialog, expected.firstField)->text(), "abc");

            const QString path = shots + QLatin1Char('/') + QLatin1String(expected.className) + ".png";
            const QPixmap shot = dialog->grab();
            EXPECT_TRUE(shot.save(path, "PNG"));
            EXPECT_EQ(QImage(path).size(), dialog->size());
            pressCancel(dialog);
        });
        PinBuffer a, b;
        EXPECT_EQ(expected.call(a, b), RAVENET_CANCELLED);
    }
}

} // namespace
