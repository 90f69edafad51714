#pragma once
// The program's QApplication: it holds the operator's input while a step of
// the main loop runs (see InputHold).

#include "ui/InputHold.h"

#include <QApplication>

class MonitorApplication : public QApplication {
public:
    MonitorApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

private:
    InputHold hold_;
};
