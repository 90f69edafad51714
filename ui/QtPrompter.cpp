#include "ui/QtPrompter.h"

#include "ui/InputHold.h"

#include <QDebug>
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

int QtPrompter::present(QMessageBox &box)
{
    if (dismissed_) {
        qWarning().noquote() << box.windowTitle() + QStringLiteral(": ") + box.text();
        return 0;
    }
    open_.append(&box);
    const InputHold::ModalScope takesInput;
    const int result = box.exec();
    open_.removeAll(&box);
    return result;
}

void QtPrompter::dismissAll()
{
    dismissed_ = true;
    for (const QPointer<QMessageBox> &box : std::as_const(open_)) {
        if (box)
            box->done(0);
    }
}

void QtPrompter::message(const QString &text, const QString &title, Icon icon)
{
    QMessageBox box(boxIcon(icon), boxTitle(title), text, QMessageBox::Ok, parent_);
    box.setObjectName(QStringLiteral("PrompterMessage"));
    present(box);
}

Prompter::Answer QtPrompter::askYesNo(const QString &text, const QString &title, Icon icon)
{
    QMessageBox box(boxIcon(icon), boxTitle(title), text, QMessageBox::Yes | QMessageBox::No, parent_);
    box.setObjectName(QStringLiteral("PrompterQuestion"));
    box.setDefaultButton(QMessageBox::Yes);
    // Closing the box without choosing counts as No, the answer that ends
    // nothing.
    box.setEscapeButton(QMessageBox::No);
    return present(box) == QMessageBox::Yes ? Answer::Yes : Answer::No;
}
