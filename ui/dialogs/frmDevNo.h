#pragma once
// The device address dialog. Its 31 fields edit the live address table in
// SharedState as the operator types: the next command to a channel already
// goes to the new address, before OK.

#include <QDialog>

#include <array>

class QLineEdit;
class QPushButton;
class SettingsStore;
struct SharedState;

class frmDevNo : public QDialog {
    Q_OBJECT
public:
    frmDevNo(SharedState &state, SettingsStore &store, QWidget *parent = nullptr);

    // Reloads every field from the store and hides the window.
    void DvCan_Click();
    // Stores all 31 fields exactly as typed and hides the window.
    void DvOK_Click();
    // Shows the texts of the address table in the fields.
    void refreshFields();

protected:
    // Closing from the frame acts as Cancel; the addresses outlive it.
    void closeEvent(QCloseEvent *event) override;
    void reject() override;
    // The focus starts on OK, first in the tab order.
    void showEvent(QShowEvent *event) override;

private:
    SharedState &state_;
    SettingsStore &store_;
    std::array<QLineEdit *, 31> DvtoN{};
    QPushButton *DvOK = nullptr;
    QPushButton *DvCan = nullptr;
};
