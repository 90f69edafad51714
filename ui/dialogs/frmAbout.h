#pragma once
// The version information box of the Help menu: title, version and the
// rights notice, closed by OK, Enter or Escape.

#include <QDialog>

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget *owner = nullptr);

    // Creates the box anew, shows it modal to the owner, centred on it, and
    // returns when the operator has closed it; the box is then gone.
    static void showModal(QWidget *owner);

protected:
    void showEvent(QShowEvent *event) override;
};
