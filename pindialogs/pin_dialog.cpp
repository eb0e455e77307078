#include "pin_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QTextCodec>
#include <QVBoxLayout>
#include <string.h>

#include "dialog_units.h"
#include "pin_texts.h"

namespace ravenet {
namespace {

constexpr int kIconSide = 32;

std::size_t roleIndex(PinRole role)
{
    return static_cast<std::size_t>(role);
}

// PINs travel as GBK bytes, the code page the token's other software uses
// for text; a character GBK cannot hold becomes '?', as there.
QTextCodec *pinCodec()
{
    static QTextCodec *const codec = QTextCodec::codecForName("GBK");
    return codec;
}

SecretBytes textBytes(const QLineEdit *field)
{
    if (field == nullptr)
        return {};
    QByteArray encoded = pinCodec()->fromUnicode(field->text());
    SecretBytes bytes(encoded.constData(), static_cast<std::size_t>(encoded.size()));
    explicit_bzero(encoded.data(), static_cast<std::size_t>(encoded.size()));
    return bytes;
}

} // namespace

PinDialog::PinDialog(const DialogTemplate &layout) : QDialog(nullptr), checks_(layout.checks)
{
    setWindowTitle(QString::fromUtf8(layout.caption));
    // A modal frame with caption and close box, kept above other windows.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setModal(true);

    QFont font(QString::fromUtf8(layout.fontFamily), layout.fontPointSize);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);

    buildForm(layout);
    firstField_ = fields_[roleIndex(layout.firstField)];

    const QSize templateSize = dialogUnitsToPixels(layout.sizeInDialogUnits, font);
    setFixedSize(sizeHint().expandedTo(templateSize));
    // An explicit position keeps Qt from centring the dialog on show.
    move(0, 0);
    if (firstField_ != nullptr)
        firstField_->setFocus(Qt::OtherFocusReason);
}

PinDialog::~PinDialog()
{
    wipeFields();
}

void PinDialog::buildForm(const DialogTemplate &layout)
{
    auto *icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("pinIcon"));
    icon->setPixmap(drawPinIcon(layout.icon, kIconSide));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto *form = new QGridLayout;
    form->setColumnStretch(1, 1);
    int line = 0;
    for (const FormRow &row : layout.rows) {
        if (row.kind == FormRow::Hint) {
            auto *hint = new QLabel(QString::fromUtf8(row.text), this);
            hint->setWordWrap(true);
            form->addWidget(hint, line++, 0, 1, 2);
            continue;
        }
        QLineEdit *field = addPinField(row);
        if (row.text != nullptr) {
            auto *label = new QLabel(QString::fromUtf8(row.text), this);
            label->setBuddy(field);
            form->addWidget(label, line, 0);
        }
        form->addWidget(field, line++, 1);
    }

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(QString::fromUtf8(texts::kOkButton));
    ok->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8(texts::kCancelButton));
    // OK is checked first; only the checks may accept the dialog.
    connect(buttons, &QDialogButtonBox::accepted, this, &PinDialog::onOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *body = new QHBoxLayout;
    body->addWidget(icon, 0, Qt::AlignTop);
    body->addLayout(form, 1);
    auto *outer = new QVBoxLayout(this);
    outer->addLayout(body);
    outer->addStretch(1);
    outer->addWidget(buttons);
}

QLineEdit *PinDialog::addPinField(const FormRow &row)
{
    auto *field = new QLineEdit(this);
    field->setObjectName(QString::fromUtf8(row.objectName));
    field->setEchoMode(QLineEdit::Password);
    if (row.maxChars > 0)
        field->setMaxLength(row.maxChars);
    fields_[roleIndex(row.role)] = field;
    return field;
}

void PinDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    raise();
    activateWindow();
    if (firstField_ != nullptr)
        firstField_->setFocus(Qt::ActiveWindowFocusReason);
}

PinEntries PinDialog::readEntries() const
{
    PinEntries read;
    read.current = textBytes(fields_[roleIndex(PinRole::Current)]);
    read.newPin = textBytes(fields_[roleIndex(PinRole::New)]);
    read.confirmation = textBytes(fields_[roleIndex(PinRole::Confirmation)]);
    return read;
}

void PinDialog::onOk()
{
    PinEntries read = readEntries();
    if (const char *message = firstFailedCheck(checks_, read)) {
        showError(message);
        return;
    }
    entries_ = std::move(read);
    accept();
}

void PinDialog::showError(const char *message)
{
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(texts::kErrorCaption), QString::fromUtf8(message),
                    QMessageBox::Ok, this);
    box.button(QMessageBox::Ok)->setText(QString::fromUtf8(texts::kOkButton));
    box.exec();
}

// Overwrites the text the fields hold before they are released. The copy that
// text() returns shares the field's buffer, so wiping it wipes the field's own.
void PinDialog::wipeFields()
{
    for (QLineEdit *field : fields_) {
        if (field == nullptr)
            continue;
        QString text = field->text();
        // Literals placed by setText() live in read-only memory.
        if (!text.isEmpty() && !text.data_ptr()->ref.isStatic())
            explicit_bzero(const_cast<QChar *>(text.constData()), static_cast<std::size_t>(text.size()) * sizeof(QChar));
        field->clear();
    }
}

} // namespace ravenet
