// The setting dialog: what loading a channel, the timer tick, OK and Cancel
// do to the channel table, and the window's layout over that logic.
#include "config/SettingCodes.h"
#include "config/SettingForm.h"
#include "config/SharedState.h"
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
private slots:
    void init();
    void loadingOnChannelQueuesReadsAndClearsRed();
    void okEncodes_data();
    void okEncodes();
    void okRefusesNumberBeyond16Bits_data();
    void okRefusesNumberBeyond16Bits();
    void okOnOffChannelOnlyHides();
    void okWithAddressOutsideRangeStoresNoPlace();
    void switchingOffThroughTimer();
    void selectorNamingNoChannelIsIgnored_data();
    void selectorNamingNoChannelIsIgnored();
    void windowLayout_data();
    void windowLayout();
    void windowFollowsForm();

private:
    // Opens the form on channel 3 (ON, address 3) with all fields filled.
    void openChannel3();
    bool anyWriteQueued() const;

    SharedState state_;
    ScriptedPrompter prompter_;
    std::unique_ptr<SettingForm> form_;
    int redraws_ = 0;
    QList<QPair<int, QString>> titles_;
};

void tst_setting::init()
{
    state_ = SharedState();
    for (int c = 0; c < ChannelCount; ++c) {
        state_.channels(c, NameItem).Value = QStringLiteral("CH %1").arg(c);
        state_.channels(c, StateItem).Value = QStringLiteral("      ON");
        state_.DvtoN[std::size_t(c)] = QString::number(c);
    }
    prompter_.clear();
    redraws_ = 0;
    titles_.clear();
    form_ = std::make_unique<SettingForm>(state_, prompter_);
    form_->SetMainWindow = [this] { ++redraws_; };
    form_->setPanelTitle = [this](int c, const QString &name) { titles_ << qMakePair(c, name); };
}

void tst_setting::openChannel3()
{
    form_->openForChannel(3);
    for (int item = 0; item < SettingForm::FieldCount; ++item)
        form_->setFieldText(item, item == DecimalPointItem ? QStringLiteral("    xxxx.") : QStringLiteral(" 1"));
}

bool tst_setting::anyWriteQueued() const
{
    for (int c = 0; c < TableChannels; ++c)
        for (int item = 0; item < TableItems; ++item)
            if (state_.channels(c, item).WriteRequest != 0)
                return true;
    return false;
}

void tst_setting::loadingOnChannelQueuesReadsAndClearsRed()
{
    openChannel3();
    form_->markRefused(6);
    form_->markRefused(4);
    form_->openForChannel(5);
    QVERIFY(form_->isShown());
    QCOMPARE(form_->DvN(), QStringLiteral("5"));
    QCOMPARE(form_->MEflag(), QStringLiteral("      ON"));
    QCOMPARE(form_->field(0).text, QStringLiteral("CH 5"));
    for (int item = 1; item <= 10; ++item) {
        QCOMPARE(state_.channels(5, item).ReadRequest, 1);
        QVERIFY(!form_->field(item).red);
        QVERIFY(form_->field(item).enabled);
        QCOMPARE(form_->field(item).text, item == 4 ? QStringLiteral("    xxxx.") : QStringLiteral(" 1"));
    }
    QCOMPARE(state_.channels(5, 0).ReadRequest + state_.channels(5, 11).ReadRequest, 0);
}

void tst_setting::okEncodes_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("code");
    QTest::newRow("minus one") << 7 << "-1" << "FFFF";
    QTest::newRow("largest unsigned") << 7 << "65535" << "FFFF";
    QTest::newRow("smallest signed") << 7 << "-32768" << "8000";
    QTest::newRow("half to even down") << 7 << "12.5" << "000C";
    QTest::newRow("half to even up") << 7 << "13.5" << "000E";
    QTest::newRow("hex") << 7 << "&H1F" << "001F";
    QTest::newRow("empty") << 7 << "" << "0000";
    QTest::newRow("leading blank") << 7 << " 100" << "0064";
    QTest::newRow("not a number") << 7 << "abc" << "0000";
    QTest::newRow("one place") << 4 << "    xxx.x" << "0001";
    QTest::newRow("two places") << 4 << "    xx.xx" << "0002";
    QTest::newRow("three places") << 4 << "    x.xxx" << "0003";
    QTest::newRow("point first is zero places") << 4 << "    .xxxx" << "0000";
    QTest::newRow("upper case") << 4 << "X.XXX" << "0003";
    QTest::newRow("mixed case") << 4 << "Xx.xX" << "0000";
    QTest::newRow("no pattern") << 4 << "abc" << "0000";
}

void tst_setting::okEncodes()
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

void tst_setting::okRefusesNumberBeyond16Bits_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("text");
    QTest::newRow("70000") << 2 << "70000";
    QTest::newRow("65536") << 8 << "65536";
    QTest::newRow("below smallest") << 10 << "-32769";
    QTest::newRow("exponent") << 1 << "1e10";
}

void tst_setting::okRefusesNumberBeyond16Bits()
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
}

void tst_setting::okOnOffChannelOnlyHides()
{
    state_.channels(3, StateItem).Value = QStringLiteral("      OFF");
    form_->openForChannel(3);
    form_->setFieldText(0, QStringLiteral("Renamed"));
    form_->OK_Click();
    QVERIFY(!form_->isShown());
    QVERIFY(!anyWriteQueued());
    QCOMPARE(state_.channels(3, 0).Value, QStringLiteral("CH 3"));
    QVERIFY(titles_.isEmpty());
}

void tst_setting::okWithAddressOutsideRangeStoresNoPlace()
{
    openChannel3();
    state_.DvtoN[3] = QStringLiteral("40");
    form_->setFieldText(DecimalPointItem, QStringLiteral("    x.xxx"));
    form_->OK_Click();
    QCOMPARE(state_.DecimalPlaces, DecimalPlaceTable{});
    QCOMPARE(state_.channels(3, 4).Value, QStringLiteral("0003")); // still queued; the transfer reports the address
    QCOMPARE(state_.channels(3, 4).WriteRequest, 1);
}

void tst_setting::switchingOffThroughTimer()
{
    openChannel3();
    form_->Timer1_Timer(); // the tick after opening reloads and applies the state once
    QCOMPARE(redraws_, 1);
    QCOMPARE(state_.channels(3, StateItem).Value, QStringLiteral("      ON"));

    form_->setMEflagText(QStringLiteral("      OFF"));
    QCOMPARE(state_.channels(3, StateItem).Value, QStringLiteral("      ON")); // only the tick applies it
    form_->Timer1_Timer();
    QCOMPARE(state_.channels(3, StateItem).Value, QStringLiteral("      OFF"));
    QCOMPARE(redraws_, 2);
    for (int item = 0; item <= 10; ++item) {
        QCOMPARE(form_->field(item).text, QString());
        QVERIFY(!form_->field(item).enabled);
    }
    form_->Timer1_Timer();
    QCOMPARE(redraws_, 2);
}

void tst_setting::selectorNamingNoChannelIsIgnored_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("31") << "31";
    QTest::newRow("40") << "40";
    QTest::newRow("-1") << "-1";
    QTest::newRow("letters") << "abc";
    QTest::newRow("empty") << "";
    QTest::newRow("sign only") << "-";
    QTest::newRow("huge") << "1e300";
}

void tst_setting::selectorNamingNoChannelIsIgnored()
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

void tst_setting::windowLayout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");
    QTest::newRow("LabelDvN") << "LabelDvN" << QRect(128, 16, 153, 17) << "Device No.";
    QTest::newRow("DvN") << "DvN" << QRect(288, 16, 49, 20) << "";
    QTest::newRow("ItemV0") << "ItemV0" << QRect(256, 104, 81, 18) << "";
    QTest::newRow("DPp") << "DPp" << QRect(256, 256, 81, 20) << "";
    QTest::newRow("ItemV8") << "ItemV8" << QRect(304, 384, 33, 18) << "";
    QTest::newRow("OK") << "OK" << QRect(216, 488, 57, 33) << "OK";
    QTest::newRow("Cancele") << "Cancele" << QRect(280, 488, 57, 33) << "Cancel";
    QTest::newRow("ItemName11") << "ItemName11" << QRect(128, 48, 129, 17) << "Monitorring ON/OFF";
}

void tst_setting::windowLayout()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);
    frmSetting dialog(state_, prompter_);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Setting"));
    QCOMPARE(dialog.size(), QSize(359, 532));
    auto *widget = dialog.findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
    if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), caption);
    if (auto *button = qobject_cast<QPushButton *>(widget))
        QCOMPARE(button->text(), caption);
}

void tst_setting::windowFollowsForm()
{
    frmSetting dialog(state_, prompter_);
    auto *timer = dialog.findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(timer && timer->isActive());
    QCOMPARE(timer->interval(), 1000);
    QCOMPARE(dialog.findChild<QComboBox *>(QStringLiteral("DvN"))->count(), 31);
    QCOMPARE(dialog.findChild<QComboBox *>(QStringLiteral("DvN"))->itemText(9), QStringLiteral(" 9"));

    // Tab order: OK, Cancel, DvN, MEflag, ItemV0..3, DPp, ItemV5..10.
    QStringList order;
    for (QWidget *w = dialog.findChild<QWidget *>(QStringLiteral("OK")); order.size() < 15; w = w->nextInFocusChain())
        if (w->parentWidget() == &dialog && (w->focusPolicy() & Qt::TabFocus))
            order << w->objectName();
    QCOMPARE(order.join(u' '), QStringLiteral("OK Cancele DvN MEflag ItemV0 ItemV1 ItemV2 ItemV3 DPp ItemV5 ItemV6 "
                                              "ItemV7 ItemV8 ItemV9 ItemV10"));

    dialog.openForChannel(3);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.findChild<QComboBox *>(QStringLiteral("DvN"))->currentText(), QStringLiteral("3"));
    auto *field = dialog.findChild<QLineEdit *>(QStringLiteral("ItemV6"));
    QTest::keyClicks(field, QStringLiteral("42"));
    QCOMPARE(dialog.form().field(6).text, QStringLiteral("42"));

    dialog.form().markRefused(6);
    QCOMPARE(field->palette().color(QPalette::Text), QColor(255, 0, 0));
    dialog.form().markRefused(4);
    auto *places = dialog.findChild<QComboBox *>(QStringLiteral("DPp"));
    QCOMPARE(places->lineEdit()->palette().color(QPalette::Text), QColor(255, 0, 0));

    // Closing from the frame acts as Cancel: hidden, reloaded, red cleared.
    state_.channels(3, 5).ReadRequest = 0;
    dialog.close();
    QCOMPARE(state_.channels(3, 5).ReadRequest, 1);
    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.form().isShown());
    QCOMPARE(field->palette().color(QPalette::Text), QPalette().color(QPalette::Text));

    // Switching the channel off disables the fields and their captions.
    state_.channels(3, StateItem).Value = QStringLiteral("OFF");
    dialog.openForChannel(3);
    QVERIFY(!field->isEnabled());
    QVERIFY(!dialog.findChild<QLabel *>(QStringLiteral("ItemName6"))->isEnabled());
    QVERIFY(dialog.findChild<QComboBox *>(QStringLiteral("MEflag"))->isEnabled());
    QCOMPARE(dialog.findChild<QComboBox *>(QStringLiteral("MEflag"))->currentText(), QStringLiteral("OFF"));
}

QTEST_MAIN(tst_setting)
#include "tst_setting.moc"
