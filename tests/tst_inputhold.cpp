// The operator's input during a step of the main loop, with a step's message
// box open. Events come through the window-system queue (QTest on a QWindow).
// Held keys, clicks, double clicks and widget timers are checked where they
// really arrive: tests/x11/ (real keys and clicks during polling steps) and
// tst_busystep (a window's timer during a step over the simulator).
#include "ui/InputHold.h"
#include "ui/MonitorApplication.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

namespace {

// A step as the main loop runs it; arrive() is what reaches the program
// meanwhile.
void step(InputHold &hold, const std::function<void()> &arrive)
{
    hold.stepBegins();
    if (arrive)
        arrive();
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 20) {
        InputHold::serveInStep();
        QThread::msleep(2);
    }
    hold.stepEnds();
}

// Typed through the window-system queue (QTest has no QWindow form of keyClicks).
void type(QWindow *window, const QString &text)
{
    for (const QChar c : text)
        QTest::keyClick(window, c.toLatin1());
}

QWindow *shown(QWidget &window)
{
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        return nullptr;
    return window.windowHandle();
}

} // namespace

class tst_inputhold : public QObject {
    Q_OBJECT

    InputHold &hold() { return *InputHold::instance(); }

private slots:
    // A step's message box takes input at once and holds the step; the keys
    // that came for the window before it wait for the step's end.
    void stepsMessageBoxTakesInputAtOnce()
    {
        QWidget window;
        auto *field = new QLineEdit(&window);
        QWindow *handle = shown(window);
        QVERIFY(handle);
        field->setFocus();
        int answer = -1;
        QString fieldDuringBox;
        step(hold(), [&] {
            type(handle, QStringLiteral("42"));
            QMessageBox box(QMessageBox::Warning, QStringLiteral("VTX-500 MONITOR"), QStringLiteral("No response from VTX."),
                            QMessageBox::Ok, &window);
            QTimer::singleShot(100, &box, [&box] {
                if (box.windowHandle())
                    QTest::keyClick(box.windowHandle(), Qt::Key_Return);
            });
            const InputHold::ModalScope takesInput;
            answer = box.exec();
            fieldDuringBox = field->text();
        });
        QCOMPARE(answer, int(QMessageBox::Ok));
        QCOMPARE(fieldDuringBox, QString());
        QTRY_COMPARE(field->text(), QStringLiteral("42"));
    }
};

int main(int argc, char *argv[])
{
    MonitorApplication application(argc, argv);
    tst_inputhold test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_inputhold.moc"
