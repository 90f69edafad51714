// The setting dialog: what loading a channel, the timer tick, OK and Cancel
// do to the channel table, and the window over that logic.
#include "config/SettingCodes.h"
#include "config/SettingForm.h"
#include "support/Channels.h"
#include "support/ScriptedPrompter.h"
#include "ui/dialogs/frmSetting.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class tst_setting : public QObject {
    Q_OBJECT

    SharedState state_;
    ScriptedPrompter prompter_;
    std::unique_ptr<SettingForm> form_;
    int redraws_ = 0;
    QList<QPair<int, QString>> titles_;

    // Opens the form on channel 3 (ON, address 3) with all fields filled.
    void openChannel3()
    {
        form_->openForChannel(3);
        for (int item = 0; item < SettingForm::FieldCount; ++item)
            form_->setFieldText(item, item == DecimalPointItem ? QStringLiteral("    xxxx.") : QStringLiteral(" 1"));
    }
    bool anyWriteQueued() const
    {
        for (int c = 0; c < TableChannels; ++c)
            for (int item = 0; item < TableItems; ++item)
                if (state_.channels(c, item).WriteRequest != 0)
                    return true;
        return false;
    }

private slots:
    void init()
    {
        state_ = SharedState();
        for (int c = 0; c < ChannelCount; ++c) {
            state_.channels(c, NameItem).Value = QStringLiteral("CH %1").arg(c);
            switchOn(state_, c, QString::number(c), QStringLiteral("      ON"));
        }
        prompter_.clear();
        redraws_ = 0;
        titles_.clear();
        form_ = std::make_unique<SettingForm>(state_, prompter_);
        form_->SetMainWindow = [this] { ++redraws_; };
        form_->setPanelTitle = [this](int c, const QString &name) { titles_ << qMakePair(c, name); };
    }

    void okEncodes_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("code");
        QTest::newRow("minus one") << 7 << "-1" << "FFFF";
        QTest::newRow("smallest signed") << 7 << "-32768" << "8000";
        QTest::newRow("half to even down") << 7 << "12.5" << "000C";
        QTest::newRow("half to even up") << 7 << "13.5" << "000E";
        QTest::newRow("hex") << 7 << "&H1F" << "001F";
        QTest::newRow("empty") << 7 << "" << "0000";
        QTest::newRow("leading blank") << 7 << " 100" << "0064";
        QTest::newRow("one place") << 4 << "    xxx.x" << "0001";
        QTest::newRow("three places upper case") << 4 << "X.XXX" << "0003";
        QTest::newRow("point first is zero places") << 4 << "    .xxxx" << "0000";
    }
    void okEncodes()
    {
        QFETCH(int, item);
        QFETCH(QString, text);
        QFETCH(QString, code);
        openChannel3();
        state_.DvtoN[3] = QStringLiteral("17");
        state_.DecimalPlaces[17] = 9;
        form_->setFieldText(0, QStringLiteral("Boiler"));
        form_->setFieldText(item, text);
        form_->OK_Click();
        QVERIFY(!form_->isShown());
        QCOMPARE(state_.channels(3, item).Value, code);
        for (int i = 1; i <= 10; ++i)
            QCOMPARE(state_.channels(3, i).WriteRequest, 1);
        QCOMPARE(state_.DecimalPlaces[17], item == 4 ? code.toShort() : 0);
        QCOMPARE(state_.channels(3, 0).Value, QStringLiteral("Boiler"));
        QCOMPARE(titles_, (QList<QPair<int, QString>>{{3, QStringLiteral("Boiler")}}));
        QVERIFY(prompter_.shown.isEmpty());
    }

    // Wrapping to 16 bits would send the instrument a different value.
    void okRefusesNumberBeyond16Bits_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("text");
        QTest::newRow("70000") << 2 << "70000";
        QTest::newRow("below smallest") << 10 << "-32769";
    }
    void okRefusesNumberBeyond16Bits()
    {
        QFETCH(int, item);
        QFETCH(QString, text);
        openChannel3();
        const QString before = state_.channels(3, item).Value;
        form_->setFieldText(0, QStringLiteral("Renamed"));
        form_->setFieldText(item, text);
        form_->OK_Click();
        QVERIFY(form_->isShown());
        QVERIFY(form_->field(item).red);
        QCOMPARE(prompter_.shown.size(), 1);
        QVERIFY(prompter_.shown[0].text.contains(settingcodes::itemCaption(item)));
        QVERIFY(prompter_.shown[0].text.contains(QStringLiteral("-32768 to 65535")));
        QVERIFY(!anyWriteQueued());
        QCOMPARE(state_.channels(3, item).Value, before);
        QCOMPARE(state_.channels(3, 0).Value, QStringLiteral("CH 3"));
        QVERIFY(titles_.isEmpty());
        // The mark follows each field as it is at the next OK.
        const int other = item == 2 ? 3 : 2;
        form_->setFieldText(item, QStringLiteral("5"));
        form_->setFieldText(other, text);
        form_->OK_Click();
        QVERIFY(!form_->field(item).red);
        QVERIFY(form_->field(other).red);
    }

    void okWithAddressOutsideRangeStoresNoPlace()
    {
        openChannel3();
        state_.DvtoN[3] = QStringLiteral("40");
        form_->setFieldText(DecimalPointItem, QStringLiteral("    x.xxx"));
        form_->OK_Click();
        QCOMPARE(state_.DecimalPlaces, DecimalPlaceTable{});
        QCOMPARE(state_.channels(3, 4).Value, QStringLiteral("0003")); // still queued; the transfer reports the address
        QCOMPARE(state_.channels(3, 4).WriteRequest, 1);
    }

    void switchingOffThroughTimer()
    {
        openChannel3();
        form_->Timer1_Timer(); // the tick after opening reloads and applies the state once
        QCOMPARE(redraws_, 1);
        form_->setMEflagText(QStringLiteral("      OFF"));
        QCOMPARE(state_.channels(3, StateItem).Value, QStringLiteral("      ON")); // only the tick applies it
        form_->Timer1_Timer();
        QCOMPARE(state_.channels(3, StateItem).Value, QStringLiteral("      OFF"));
        QCOMPARE(redraws_, 2);
        for (int item = 0; item <= 10; ++item)
            QVERIFY(form_->field(item).text.isEmpty() && !form_->field(item).enabled);
        form_->Timer1_Timer();
        QCOMPARE(redraws_, 2);
    }

    // A selector text naming no channel must not switch row 31 (or any
    // other) nor queue reads for it.
    void selectorNamingNoChannelIsIgnored_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("31") << "31";
        QTest::newRow("letters") << "abc";
        QTest::newRow("huge") << "1e300";
    }
    void selectorNamingNoChannelIsIgnored()
    {
        QFETCH(QString, text);
        openChannel3();
        form_->Timer1_Timer();
        state_.channels(3, 2).ReadRequest = 0;
        form_->setDvNText(text);
        form_->Timer1_Timer(); // reloads channel 3
        form_->setMEflagText(QStringLiteral("OFF"));
        form_->Timer1_Timer(); // switches channel 3 off
        QCOMPARE(form_->selectedChannel(), std::optional<int>(3));
        QCOMPARE(form_->channelSelectorText(), QStringLiteral("3"));
        QCOMPARE(state_.channels(3, 2).ReadRequest, 1);
        QCOMPARE(state_.channels(3, StateItem).Value, QStringLiteral("OFF"));
        QCOMPARE(state_.channels(0, StateItem).Value, QStringLiteral("      ON"));
        QCOMPARE(state_.channels(31, StateItem).Value, QString());
        for (int item = 0; item < TableItems; ++item)
            QCOMPARE(state_.channels(31, item).ReadRequest, 0);
    }

    // The focus starts on OK, first in the tab order, and what the operator
    // types into a list field stays as typed: "1" completed to "10" would
    // load channel 10 at the next tick.
    void windowStartsOnOkAndKeepsTypedText_data()
    {
        QTest::addColumn<QString>("combo");
        QTest::addColumn<QString>("typed");
        QTest::newRow("channel") << "DvN" << "1";
        QTest::newRow("monitoring") << "MEflag" << " ";
        QTest::newRow("decimal point") << "DPp" << " ";
    }
    void windowStartsOnOkAndKeepsTypedText()
    {
        QFETCH(QString, combo);
        QFETCH(QString, typed);
        frmSetting dialog(state_, prompter_);
        dialog.openForChannel(3);
        QCOMPARE(dialog.focusWidget(), dialog.findChild<QPushButton *>(QStringLiteral("OK")));
        QLineEdit *field = dialog.findChild<QComboBox *>(combo)->lineEdit();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        field->setFocus(); // completion works only in the focus field
        field->clear();
        QTest::keyClicks(field, typed);
        QCOMPARE(field->text(), typed);
    }

    void windowFollowsForm()
    {
        frmSetting dialog(state_, prompter_);
        QCOMPARE(dialog.findChild<QLabel *>("ItemName11")->text(), QStringLiteral("Monitorring ON/OFF"));
        QVERIFY(dialog.findChild<QTimer *>(QStringLiteral("Timer1"))->isActive());
        dialog.openForChannel(3);
        QVERIFY(dialog.isVisible());
        auto *field = dialog.findChild<QLineEdit *>(QStringLiteral("ItemV6"));
        QTest::keyClicks(field, QStringLiteral("42"));
        QCOMPARE(dialog.form().field(6).text, QStringLiteral("42"));
        dialog.form().markRefused(6);
        dialog.form().markRefused(4);
        QCOMPARE(field->palette().color(QPalette::Text), QColor(255, 0, 0));
        auto *places = dialog.findChild<QComboBox *>(QStringLiteral("DPp"));
        QCOMPARE(places->lineEdit()->palette().color(QPalette::Text), QColor(255, 0, 0));
        // Closing from the frame acts as Cancel: hidden, reloaded, red cleared.
        state_.channels(3, 5).ReadRequest = 0;
        dialog.close();
        QCOMPARE(state_.channels(3, 5).ReadRequest, 1);
        QVERIFY(!dialog.isVisible() && !dialog.form().isShown());
        QCOMPARE(field->palette().color(QPalette::Text), QPalette().color(QPalette::Text));
    }
};

QTEST_MAIN(tst_setting)
#include "tst_setting.moc"
