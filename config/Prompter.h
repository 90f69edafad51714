#pragma once
// The one seam through which every modal message box of the program goes, so
// that tests can answer them. The window build shows real QMessageBoxes.

#include <QString>

class Prompter {
public:
    enum class Icon { None, Information, Warning, Critical, Question };
    enum class Answer { Ok, Yes, No };

    virtual ~Prompter() = default;

    // A modal box with one OK button; returns when the operator closed it.
    // An empty title means the application title "VTX-500 MONITOR".
    virtual void message(const QString &text, const QString &title = QString(), Icon icon = Icon::None) = 0;

    // A modal box with Yes and No buttons.
    virtual Answer askYesNo(const QString &text, const QString &title, Icon icon) = 0;

    // The program is ending and cannot wait for the operator: the open boxes
    // close (a question as No), and later ones are not shown.
    virtual void dismissAll() {}
};

inline const QString ApplicationTitle = QStringLiteral("VTX-500 MONITOR");
