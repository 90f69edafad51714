// The setting dialog: what loading a channel, the timer tick, OK and Cancel
// do to the channel table, and the window over that logic.
#include "config/SettingCodes.h"
#include "config/SettingForm.h"
#include "support/Channels.h"
#include "support/ScriptedPrompter.h"
#include "ui/dialogs/frmSetting.h"

#include <QComboBox>
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

    // OK queues the ten items as coded from the fields (the numbers read as
    // tst_configuration's readNumber), renames the panel and keeps the place
    // for the address (an address beyond 0..31 has no entry).
    void okEncodes_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("code");
        QTest::newRow("lowest") << "17" << 7 << "-32768" << "8000";
        QTest::newRow("highest") << "17" << 7 << "65535" << "FFFF";
        QTest::newRow("one place") << "17" << 4 << "    xxx.x" << "0001";
        QTest::newRow("three places upper case") << "17" << 4 << "X.XXX" << "0003";
        QTest::newRow("point first is zero places") << "17" << 4 << "    .xxxx" << "0000";
        QTest::newRow("place of address 32 not kept") << "32" << 4 << "    x.xxx" << "0003";
    }
    void okEncodes()
    {
        QFETCH(QString, address);
        QFETCH(int, item);
        QFETCH(QString, text);
        QFETCH(QString, code);
        openChannel3();
        state_.DvtoN[3] = address;
        state_.DecimalPlaces[17] = 9;
        DecimalPlaceTable places = state_.DecimalPlaces;
        if (address == QLatin1String("17"))
            places[17] = item == DecimalPointItem ? code.toShort() : 0;
        form_->setFieldText(0, QStringLiteral("Boiler"));
        form_->setFieldText(item, text);
        form_->OK_Click();
        QVERIFY(!form_->isShown());
        QCOMPARE(state_.channels(3, item).Value, code);
        for (int i = 1; i <= 10; ++i)
            QCOMPARE(state_.channels(3, i).WriteRequest, 1);
        QCOMPARE(state_.DecimalPlaces, places);
        QCOMPARE(state_.channels(3, 0).Value, QStringLiteral("Boiler"));
        QCOMPARE(titles_, (QList<QPair<int, QString>>{{3, QStringLiteral("Boiler")}}));
        QVERIFY(prompter_.shown.isEmpty());
    }

    // A field with no number would be written as 0, one beyond 16 bits as
    // another value: OK refuses it, red while the dialog stays open, named.
    void okRefusesFieldsItCannotSend_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("text");
        QTest::newRow("above highest") << 2 << "65536";
        QTest::newRow("below lowest") << 10 << "-32769";
        QTest::newRow("letters") << 6 << "abc";
        QTest::newRow("empty, read not back") << 1 << "";
        QTest::newRow("blanks") << 9 << "   ";
        QTest::newRow("sign only") << 3 << "-";
    }
    void okRefusesFieldsItCannotSend()
    {
        QFETCH(int, item);
        QFETCH(QString, text);
        openChannel3();
        form_->setFieldText(0, QStringLiteral("Renamed"));
        form_->setFieldText(item, text);
        bool markedWhileOpen = false;
        prompter_.onShow = [&](const ScriptedPrompter::Shown &) {
            markedWhileOpen = form_->isShown() && form_->field(item).red;
        };
        form_->OK_Click();
        prompter_.onShow = nullptr;
        QVERIFY(form_->isShown());
        QVERIFY(markedWhileOpen);
        QCOMPARE(prompter_.shown.size(), 1);
        QVERIFY(prompter_.shown[0].text.contains(settingcodes::itemCaption(item)));
        for (int i = 1; i <= 10; ++i)
            QCOMPARE(state_.channels(3, i).WriteRequest, 0);
        QCOMPARE(state_.channels(3, 0).Value, QStringLiteral("CH 3"));
        QVERIFY(titles_.isEmpty());
    }

    // A monitoring state chosen takes effect once, at the next tick.
    void switchingOffThroughTimer()
    {
        openChannel3();
        form_->Timer1_Timer(); // the tick after opening reloads and applies the state once
        QCOMPARE(redraws_, 1);
        form_->setMEflagText(QStringLiteral("      OFF"));
        QCOMPARE(state_.channels(3, StateItem).Value, QStringLiteral("      ON"));
        form_->Timer1_Timer();
        QCOMPARE(state_.channels(3, StateItem).Value, QStringLiteral("      OFF"));
        QCOMPARE(redraws_, 2);
        for (int item = 0; item <= 10; ++item)
            QVERIFY(form_->field(item).text.isEmpty() && !form_->field(item).enabled);
        form_->Timer1_Timer();
        QCOMPARE(redraws_, 2);
    }

    // A selector text naming no channel must not switch row 31 (or any
    // other) nor queue reads for it; the dialog stays on its channel.
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

    // The focus starts on OK; a list field keeps what is typed ("1" completed
    // to "10" would load channel 10 at the next tick).
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

    // The window over the form: a refusal's box comes while the dialog is up
    // with the field red and nothing queued; a number typed takes the red
    // away; closing from the frame acts as Cancel (reloaded, red cleared).
    void windowShowsTheRefusalWhileOpen()
    {
        frmSetting dialog(state_, prompter_);
        QVERIFY(dialog.findChild<QTimer *>(QStringLiteral("Timer1"))->isActive());
        dialog.openForChannel(3); // the reads have not come back: every field empty
        auto *field = dialog.findChild<QLineEdit *>(QStringLiteral("ItemV6"));
        QTest::keyClicks(field, QStringLiteral("abc"));
        QCOMPARE(dialog.form().field(6).text, QStringLiteral("abc"));
        bool redWhileOpen = false;
        prompter_.onShow = [&](const ScriptedPrompter::Shown &) {
            redWhileOpen = dialog.isVisible() && field->palette().color(QPalette::Text) == QColor(255, 0, 0);
        };
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("OK")), Qt::LeftButton);
        prompter_.onShow = nullptr;
        QVERIFY(redWhileOpen);
        QVERIFY(dialog.isVisible()); // the box's text and nothing queued: okRefusesFieldsItCannotSend
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("12.5"));
        QCOMPARE(field->palette().color(QPalette::Text), QPalette().color(QPalette::Text));
        dialog.form().markRefused(4);
        QLineEdit *places = dialog.findChild<QComboBox *>(QStringLiteral("DPp"))->lineEdit();
        QCOMPARE(places->palette().color(QPalette::Text), QColor(255, 0, 0));
        state_.channels(3, 5).ReadRequest = 0;
        dialog.close();
        QCOMPARE(state_.channels(3, 5).ReadRequest, 1);
        QVERIFY(!dialog.isVisible() && !dialog.form().isShown());
        QCOMPARE(places->palette().color(QPalette::Text), QPalette().color(QPalette::Text));
    }
};

QTEST_MAIN(tst_setting)
#include "tst_setting.moc"
