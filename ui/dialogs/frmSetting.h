#pragma once
// The setting dialog "Setting": a thin window over SettingForm. It shows the
// form's state in its widgets, hands every edit to the form, and ticks the
// form's Timer1 once a second from the moment it is created.

#include "config/SettingForm.h"

#include <QDialog>

#include <array>

class Prompter;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QWidget;
struct SharedState;

class frmSetting : public QDialog {
    Q_OBJECT
public:
    frmSetting(SharedState &state, Prompter &prompter, QWidget *parent = nullptr);

    // The dialog's logic; setting transfer writes into it, and the program's
    // wiring (app/MonitorApp) sets its SetMainWindow and setPanelTitle calls.
    SettingForm &form() { return form_; }

    // The channel menu items Dv00..Dv30: shows the dialog modeless on channel n.
    void openForChannel(int n);

protected:
    // Escape and closing from the frame act as Cancel: the dialog only hides.
    void reject() override;

private:
    QLabel *addLabel(const QString &name, const QString &caption, int left, int top, int width, int height);
    QComboBox *addCombo(const QString &name, const QStringList &entries, int left, int top, int width, int height);
    QLineEdit *addField(int item, int left, int top, int width, int height);
    QWidget *fieldWidget(int item) const;
    void showForm();

    SettingForm form_;
    // The dialog's elements carry their names from the layout (so do their
    // object names); everything else follows the usual Qt style.
    QComboBox *DvN = nullptr;
    QComboBox *MEflag = nullptr;
    QComboBox *DPp = nullptr;
    std::array<QLabel *, SettingForm::FieldCount> ItemName{};
    std::array<QLineEdit *, SettingForm::FieldCount> ItemV{}; // no ItemV(4): DPp
    QPushButton *OK = nullptr;
    QPushButton *Cancele = nullptr;
    QTimer *Timer1 = nullptr;
};
