#pragma once
// The program's message boxes on screen: modal QMessageBoxes over the main
// window.

#include "config/Prompter.h"

#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget *parent = nullptr) : parent_(parent) {}

    // The window the boxes are modal to and centred on; may be null.
    void setParentWidget(QWidget *parent) { parent_ = parent; }

    void message(const QString &text, const QString &title = QString(), Icon icon = Icon::None) override;
    Answer askYesNo(const QString &text, const QString &title, Icon icon) override;
    // A box that is not shown any more goes to the standard error output,
    // so that what it said is not lost.
    void dismissAll() override;

private:
    // Shows the box modally and returns its result; 0 when not shown.
    int present(QMessageBox &box);

    QPointer<QWidget> parent_;
    QList<QPointer<QMessageBox>> open_; // innermost last
    bool dismissed_ = false;
};
