#pragma once
// The logging interval dialog: one field for the seconds between two log
// records. It is created once, shown modeless from the menu and only hidden,
// never destroyed, so the field keeps the interval the operator typed.

#include "logging/LogIntervalSetting.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class frmLogT : public QDialog {
    Q_OBJECT
public:
    frmLogT(SharedState &state, SettingsStore &store, Prompter &prompter, LogSchedule &schedule, const Clock &clock,
            QWidget *parent = nullptr);

    // Puts SharedState::LogT into the field (after the configuration is read).
    void refreshFromState();

public slots:
    // Escape and the window manager's close action act as Cancel.
    void reject() override;

protected:
    // The focus starts in the field, first in the tab order.
    void showEvent(QShowEvent *event) override;

private:
    void Command1_Click();
    void Command2_Click();

    SharedState &state_;
    LogIntervalSetting setting_;
    QLabel *Label1;
    QLineEdit *LogT;
    QLabel *Label2;
    QLabel *Label3;
    QPushButton *Command1;
    QPushButton *Command2;
};
