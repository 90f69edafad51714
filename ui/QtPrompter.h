#pragma once
// The program's message boxes on screen: modal QMessageBoxes over the main
// window.

#include "app/Prompter.h"

#include <QPointer>
#include <QWidget>

class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget *parent = nullptr) : parent_(parent) {}

    // The window the boxes are modal to and centred on; may be null.
    void setParentWidget(QWidget *parent) { parent_ = parent; }

    void message(const QString &text, const QString &title = QString(), Icon icon = Icon::None) override;
    Answer askYesNo(const QString &text, const QString &title, Icon icon) override;

private:
    QPointer<QWidget> parent_;
};
