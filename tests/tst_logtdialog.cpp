// The logging interval dialog: which entries OK accepts, when the schedule
// restarts and the store is written, and how the window is left.
#include "logging/LogIntervalSetting.h"
#include "logging/LogSchedule.h"
#include "ui/dialogs/frmLogT.h"

#include "config/Configuration.h"
#include "config/Numbers.h"
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
} // namespace

class tst_logtdialog : public QObject {
    Q_OBJECT

    SharedState state_;
    MemoryStore store_;
    ScriptedPrompter prompter_;
    FakeClock clock_;
    std::unique_ptr<LogSchedule> schedule_;

private slots:
    void init()
    {
        state_ = SharedState();
        store_.values.clear();
        store_.saves = 0;
        store_.values[QStringLiteral("LogT")] = state_.LogT = QStringLiteral("45");
        prompter_.clear();
        clock_.set(QTime(23, 59, 50));
        schedule_ = std::make_unique<LogSchedule>(state_);
        state_.LogStartSecond = UntouchedPoint;
    }

    // OK takes 1..18000 seconds, fractions and blanks around allowed: a new
    // interval restarts the schedule from now and is stored; the stored text
    // changes nothing; a refused entry is told and the stored text comes back.
    void okChecksTheEntry_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("startSecond"); // -1: refused
        QTest::newRow("1") << "1" << 86391;
        QTest::newRow("18000") << "18000" << (86390 + 18000) % 86400;
        QTest::newRow("blanks around") << " 30 " << 20;
        QTest::newRow("fraction") << "2.5" << 86392;
        QTest::newRow("stored text is no change") << "45" << UntouchedPoint;
        QTest::newRow("0.5") << "0.5" << -1;
        QTest::newRow("18000.5") << "18000.5" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("nan") << "nan" << -1;
    }
    void okChecksTheEntry()
    {
        QFETCH(QString, entry);
        QFETCH(int, startSecond);
        const bool valid = startSecond >= 0;
        state_.acceptedLogInterval = 7;
        state_.LogT = entry;
        LogIntervalSetting setting(state_, store_, prompter_, *schedule_, clock_);
        QCOMPARE(setting.accept(entry), valid);
        QCOMPARE(state_.LogStartSecond, valid ? startSecond : UntouchedPoint);
        const bool changed = valid && entry != QLatin1String("45");
        QCOMPARE(store_.saves, changed ? 1 : 0);
        QCOMPARE(store_.values.value(QStringLiteral("LogT")), changed ? entry : QStringLiteral("45"));
        QCOMPARE(state_.LogT, valid ? entry : QStringLiteral("45")); // the stored value back
        QCOMPARE(state_.acceptedLogInterval, valid ? entry.toDouble() : 7.0);
        QCOMPARE(prompter_.texts(), valid ? QStringList() : QStringList{Invalid});
    }

    // A stored text that is no interval puts 60 in force and in the field, so
    // OK on the unchanged dialog repairs the store.
    void storedTextAtStartUp_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("field");
        QTest::newRow("interval kept as written") << " 2.5 " << " 2.5 ";
        QTest::newRow("hexadecimal") << "&H12C" << "&H12C";
        QTest::newRow("number then letters") << "12abc" << "60";
        QTest::newRow("below the range") << "0" << "60";
    }
    void storedTextAtStartUp()
    {
        QFETCH(QString, stored);
        QFETCH(QString, field);
        store_.values[QStringLiteral("LogT")] = stored;
        configuration::regRead(state_, store_);
        QCOMPARE(state_.LogT, field);
        QCOMPARE(state_.acceptedLogInterval, numbers::readNumber(field)); // what the schedule steps by
        LogIntervalSetting setting(state_, store_, prompter_, *schedule_, clock_);
        QVERIFY(!setting.accept(QStringLiteral("x")));
        QCOMPARE(state_.LogT, field);
        QVERIFY(setting.accept(field));
        QCOMPARE(store_.values.value(QStringLiteral("LogT")), field);
    }

    // Typing edits the text the program reads (focus in the field: x11/operator_input.py); Cancel,
    // Escape and the frame's close put the stored text back and only hide.
    void windowCancelAndClose()
    {
        frmLogT dialog(state_, store_, prompter_, *schedule_, clock_);
        auto *field = dialog.findChild<QLineEdit *>(QStringLiteral("LogT"));
        QCOMPARE(field->text(), QStringLiteral("45"));
        dialog.show();
        QTest::keyClicks(field, QStringLiteral("x"));
        QCOMPARE(state_.LogT, QStringLiteral("x"));
        for (int way = 0; way < 3; ++way) {
            dialog.show();
            field->selectAll();
            QTest::keyClicks(field, QStringLiteral("99"));
            if (way == 0)
                QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("Command2")), Qt::LeftButton);
            else if (way == 1)
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                QVERIFY(dialog.close());
            QVERIFY(!dialog.isVisible());
            QCOMPARE(field->text(), QStringLiteral("45"));
            QCOMPARE(state_.LogT, QStringLiteral("45"));
        }
        QCOMPARE(store_.saves, 0);
    }
};

QTEST_MAIN(tst_logtdialog)
#include "tst_logtdialog.moc"
