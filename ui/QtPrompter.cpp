#include "ui/QtPrompter.h"

#include "ui/InputHold.h"

#include <QMessageBox>

namespace {

QMessageBox::Icon boxIcon(Prompter::Icon icon)
{
    switch (icon) {
    case Prompter::Icon::Information:
        return QMessageBox::Information;
    case Prompter::Icon::Warning:
        return QMessageBox::Warning;
    case Prompter::Icon::Critical:
        return QMessageBox::Critical;
    case Prompter::Icon::Question:
        return QMessageBox::Question;
    case Prompter::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QString boxTitle(const QString &title)
{
    return title.isEmpty() ? ApplicationTitle : title;
}

} // namespace

void QtPrompter::message(const QString &text, const QString &title, Icon icon)
{
    QMessageBox box(boxIcon(icon), boxTitle(title), text, QMessageBox::Ok, parent_);
    box.setObjectName(QStringLiteral("PrompterMessage"));
    const InputHold::ModalScope takesInput;
    box.exec();
}

Prompter::Answer QtPrompter::askYesNo(const QString &text, const QString &title, Icon icon)
{
    QMessageBox box(boxIcon(icon), boxTitle(title), text, QMessageBox::Yes | QMessageBox::No, parent_);
    box.setObjectName(QStringLiteral("PrompterQuestion"));
    box.setDefaultButton(QMessageBox::Yes);
    // Closing the box without choosing counts as No, the answer that ends
    // nothing.
    box.setEscapeButton(QMessageBox::No);
    const InputHold::ModalScope takesInput;
    return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}
