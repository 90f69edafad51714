// The logging interval dialog: which entries OK accepts, when the schedule
// restarts and the store is written, and the window's own behaviour.
#include "logging/LogIntervalSetting.h"
#include "logging/LogSchedule.h"
#include "ui/dialogs/frmLogT.h"

#include "config/SettingsStore.h"
#include "config/SharedState.h"
#include "support/FakeClock.h"
#include "support/ScriptedPrompter.h"

#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QtTest>

namespace {

class MemoryStore : public SettingsStore {
public:
    QMap<QString, QString> values;
    int saves = 0;
    QString get(const QString &key, const QString &def) const override { return values.value(key, def); }
    void save(const QString &key, const QString &value) override
    {
        values[key] = value;
        ++saves;
    }
    bool contains(const QString &key) const override { return values.contains(key); }
};

const QString Invalid = QStringLiteral("The operation is invalid, or the setting is out of the range.");
constexpr int UntouchedPoint = 12345;

// The widget that Tab moves to from w (labels take no focus).
QWidget *nextTabStop(QWidget *w)
{
    do
        w = w->nextInFocusChain();
    while (!(w->focusPolicy() & Qt::TabFocus));
    return w;
}

} // namespace

class tst_logtdialog : public QObject {
    Q_OBJECT
private slots:
    void init();
    void okChecksTheEntry_data();
    void okChecksTheEntry();
    void windowOkCancelAndClose();

private:
    SharedState state_;
    MemoryStore store_;
    ScriptedPrompter prompter_;
    FakeClock clock_;
    std::unique_ptr<LogSchedule> schedule_;
};

void tst_logtdialog::init()
{
    state_ = SharedState();
    store_ = MemoryStore();
    prompter_.clear();
    clock_.set(QTime(23, 59, 50));
    schedule_ = std::make_unique<LogSchedule>(state_);
    state_.LogStartSecond = UntouchedPoint;
}

void tst_logtdialog::okChecksTheEntry_data()
{
    QTest::addColumn<QString>("stored"); // empty: nothing stored
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("startSecond");

    QTest::newRow("1") << "" << "1" << true << 86391;
    QTest::newRow("18000") << "" << "18000" << true << (86390 + 18000) % 86400;
    QTest::newRow("30 at 23:59:50 lies in the next day") << "45" << "30" << true << 20;
    QTest::newRow("2.5 rounds half to even") << "" << "2.5" << true << 86392;
    QTest::newRow("blanks around the number") << "" << " 30 " << true << 20;
    QTest::newRow("stored default 60 is no change") << "" << "60" << true << UntouchedPoint;
    QTest::newRow("stored text is no change") << "45" << "45" << true << UntouchedPoint;
    QTest::newRow("0") << "" << "0" << false << UntouchedPoint;
    QTest::newRow("0.5") << "45" << "0.5" << false << UntouchedPoint;
    QTest::newRow("18000.5") << "" << "18000.5" << false << UntouchedPoint;
    QTest::newRow("-5") << "" << "-5" << false << UntouchedPoint;
    QTest::newRow("letters") << "" << "abc" << false << UntouchedPoint;
    QTest::newRow("number then letters") << "45" << "12abc" << false << UntouchedPoint;
    QTest::newRow("empty") << "" << "" << false << UntouchedPoint;
    QTest::newRow("nan") << "" << "nan" << false << UntouchedPoint;
}

void tst_logtdialog::okChecksTheEntry()
{
    QFETCH(QString, stored);
    QFETCH(QString, entry);
    QFETCH(bool, valid);
    QFETCH(int, startSecond);
    if (!stored.isEmpty())
        store_.values[QStringLiteral("LogT")] = stored;
    const QString storedText = stored.isEmpty() ? QStringLiteral("60") : stored;
    const double before = state_.acceptedLogInterval = 7;
    state_.LogT = entry;

    LogIntervalSetting setting(state_, store_, prompter_, *schedule_, clock_);
    QCOMPARE(setting.accept(entry), valid);

    QCOMPARE(state_.LogStartSecond, startSecond);
    const bool changed = valid && entry != storedText;
    QCOMPARE(store_.saves, changed ? 1 : 0);
    QCOMPARE(store_.get(QStringLiteral("LogT"), QStringLiteral("60")), changed ? entry : storedText);
    if (valid) {
        QVERIFY(prompter_.shown.isEmpty());
        QCOMPARE(state_.LogT, entry);
        QCOMPARE(state_.acceptedLogInterval, entry.toDouble());
    } else {
        QCOMPARE(prompter_.texts(), QStringList{Invalid});
        QCOMPARE(prompter_.shown[0].title, QString());
        QCOMPARE(state_.LogT, storedText);
        QCOMPARE(state_.acceptedLogInterval, before);
    }
}

void tst_logtdialog::windowOkCancelAndClose()
{
    store_.values[QStringLiteral("LogT")] = QStringLiteral("45");
    state_.LogT = QStringLiteral("45");
    frmLogT dialog(state_, store_, prompter_, *schedule_, clock_);
    QVERIFY(!dialog.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!dialog.windowFlags().testFlag(Qt::WindowSystemMenuHint));
    auto *field = dialog.findChild<QLineEdit *>(QStringLiteral("LogT"));
    auto *ok = dialog.findChild<QPushButton *>(QStringLiteral("Command1"));
    auto *cancel = dialog.findChild<QPushButton *>(QStringLiteral("Command2"));
    QVERIFY(field && ok && cancel);
    QCOMPARE(nextTabStop(field), ok);
    QCOMPARE(nextTabStop(ok), cancel);
    QCOMPARE(field->text(), QStringLiteral("45"));

    // Typing edits the interval text the rest of the program reads.
    dialog.show();
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("1x"));
    QCOMPARE(state_.LogT, QStringLiteral("1x"));

    // A refused entry keeps the window open with the stored text back.
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(prompter_.texts(), QStringList{Invalid});
    QVERIFY(dialog.isVisible());
    QCOMPARE(field->text(), QStringLiteral("45"));

    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("30"));
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(store_.values.value(QStringLiteral("LogT")), QStringLiteral("30"));
    QCOMPARE(state_.LogStartSecond, 20);

    // Cancel, Escape and the window manager's close all put the stored text
    // back and only hide the window.
    for (int way = 0; way < 3; ++way) {
        dialog.show();
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("99"));
        if (way == 0)
            QTest::mouseClick(cancel, Qt::LeftButton);
        else if (way == 1)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            QVERIFY(dialog.close());
        QVERIFY2(!dialog.isVisible(), qPrintable(QString::number(way)));
        QCOMPARE(field->text(), QStringLiteral("30"));
        QCOMPARE(state_.LogT, QStringLiteral("30"));
    }
    QCOMPARE(state_.LogStartSecond, 20);
    QCOMPARE(store_.saves, 1);
}

QTEST_MAIN(tst_logtdialog)
#include "tst_logtdialog.moc"
