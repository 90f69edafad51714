#include "ui/dialogs/frmDevNo.h"

#include "config/Configuration.h"
#include "config/SharedState.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
// Layout in pixels: four columns of eight number/field pairs.
constexpr int ColumnWidth = 110;
constexpr int RowHeight = 26;
constexpr int Left = 12;
constexpr int Top = 34;
constexpr int NumberWidth = 30;
constexpr int FieldWidth = 56;
} // namespace

frmDevNo::frmDevNo(SharedState &state, SettingsStore &store, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), state_(state), store_(store)
{
    setObjectName(QStringLiteral("frmDevNo"));
    setWindowTitle(QStringLiteral("Device Address Setting"));
    setModal(false);

    auto *heading = new QLabel(QStringLiteral("No."), this);
    heading->setObjectName(QStringLiteral("Label2"));
    heading->setGeometry(Left, 10, NumberWidth, 20);
    heading->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto *addressHeading = new QLabel(QStringLiteral("Address"), this);
    addressHeading->setObjectName(QStringLiteral("Label3"));
    addressHeading->setGeometry(Left + NumberWidth + 8, 10, FieldWidth + 10, 20);

    DvOK = new QPushButton(QStringLiteral("OK"), this);
    DvOK->setObjectName(QStringLiteral("DvOK"));
    DvCan = new QPushButton(QStringLiteral("Cancel"), this);
    DvCan->setObjectName(QStringLiteral("DvCan"));
    const int buttonsTop = Top + 8 * RowHeight + 12;
    const int width = Left + 4 * ColumnWidth;
    // No default button: Enter in an address field presses nothing (a
    // stray Enter would store all 31 fields and close the window).
    DvOK->setAutoDefault(false);
    DvCan->setAutoDefault(false);
    DvOK->setGeometry(width - 2 * 84, buttonsTop, 76, 28);
    DvCan->setGeometry(width - 84, buttonsTop, 76, 28);
    connect(DvOK, &QPushButton::clicked, this, &frmDevNo::DvOK_Click);
    connect(DvCan, &QPushButton::clicked, this, &frmDevNo::DvCan_Click);

    QWidget *previous = DvCan;
    setTabOrder(DvOK, DvCan);
    for (int i = 0; i < ChannelCount; ++i) {
        const int x = Left + (i / 8) * ColumnWidth;
        const int y = Top + (i % 8) * RowHeight;
        auto *number = new QLabel(QString::number(i), this);
        number->setObjectName(QStringLiteral("Label1%1").arg(i));
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        number->setGeometry(x, y, NumberWidth, 22);

        auto *field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("DvtoN%1").arg(i));
        field->setGeometry(x + NumberWidth + 8, y, FieldWidth, 22);
        connect(field, &QLineEdit::textEdited, this,
                [this, i](const QString &text) { state_.DvtoN[std::size_t(i)] = text; });
        DvtoN[std::size_t(i)] = field;
        setTabOrder(previous, field);
        previous = field;
    }
    setFixedSize(width + 8, buttonsTop + 40);
    refreshFields();
}

void frmDevNo::refreshFields()
{
    for (int i = 0; i < ChannelCount; ++i)
        DvtoN[std::size_t(i)]->setText(state_.DvtoN[std::size_t(i)]);
}

void frmDevNo::DvCan_Click()
{
    configuration::reloadAddresses(state_, store_);
    refreshFields();
    hide();
}

void frmDevNo::DvOK_Click()
{
    configuration::saveAddresses(state_, store_);
    hide();
}

void frmDevNo::closeEvent(QCloseEvent *event)
{
    event->ignore();
    DvCan_Click();
}

void frmDevNo::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    DvOK->setFocus();
}

void frmDevNo::reject()
{
    // Escape, like the frame's close button, acts as Cancel.
    DvCan_Click();
}
