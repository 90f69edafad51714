#include "ui/dialogs/frmLogT.h"

#include "config/SharedState.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

frmLogT::frmLogT(SharedState &state, SettingsStore &store, Prompter &prompter, LogSchedule &schedule,
                 const Clock &clock, QWidget *parent)
    // No system menu and no close button: the window is left through OK or
    // Cancel.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), state_(state),
      setting_(state, store, prompter, schedule, clock), Label1(new QLabel(QStringLiteral("Interval Time"), this)),
      LogT(new QLineEdit(this)), Label2(new QLabel(QStringLiteral("[s]"), this)),
      Label3(new QLabel(QStringLiteral("(1 to 18000)"), this)), Command1(new QPushButton(QStringLiteral("OK"), this)),
      Command2(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("frmLogT"));
    setWindowTitle(QStringLiteral("Logging Interval Time"));
    setModal(false);
    Label1->setObjectName(QStringLiteral("Label1"));
    LogT->setObjectName(QStringLiteral("LogT"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Label3->setObjectName(QStringLiteral("Label3"));
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2->setObjectName(QStringLiteral("Command2"));
    Command1->setDefault(true);

    auto *grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(LogT, 0, 1);
    grid->addWidget(Label2, 0, 2);
    grid->addWidget(Label3, 1, 0, 1, 3);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(LogT, Command1);
    setTabOrder(Command1, Command2);

    // The field is the interval text the rest of the program sees, keystroke
    // by keystroke.
    connect(LogT, &QLineEdit::textEdited, this, [this](const QString &text) { state_.LogT = text; });
    connect(Command1, &QPushButton::clicked, this, &frmLogT::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmLogT::Command2_Click);

    refreshFromState();
}

void frmLogT::refreshFromState() { LogT->setText(state_.LogT); }

void frmLogT::reject() { Command2_Click(); }

void frmLogT::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    LogT->setFocus();
}

void frmLogT::Command1_Click()
{
    const bool accepted = setting_.accept(LogT->text());
    refreshFromState();
    if (accepted)
        hide();
}

void frmLogT::Command2_Click()
{
    setting_.cancel();
    refreshFromState();
    hide();
}
