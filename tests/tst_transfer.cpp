// Setting transfer against a scripted instrument: the cursor's walk, the
// order of reads and writes, what each reply does to the table, the dialog's
// fields and the decimal places.
#include "comm/SettingFields.h"
#include "comm/SettingTransfer.h"
#include "config/SharedState.h"
#include "support/FakeVtx.h"
#include "support/ScriptedPrompter.h"

#include <QtTest>

namespace {

// The dialog's fields as the transfer sees them.
class RecordingFields : public SettingFields {
public:
    QString selector;
    QMap<int, QString> texts;
    QList<int> refused;
    QString channelSelectorText() const override { return selector; }
    void setItemText(int item, const QString &text) override { texts[item] = text; }
    void markRefused(int item) override { refused << item; }
};

const QString NoResponse = QStringLiteral("No response from VTX.");
const QString CannotRead = QStringLiteral("Setting cannot be read.");
const QString OverSpan = QStringLiteral("It can not set up. It is over setting allowable span.");

} // namespace

class tst_transfer : public QObject {
    Q_OBJECT
private slots:
    void init();
    void idleCallMovesCursor31AndSendsNothing();
    void everyPositionIsServedWithinOneRound();
    void readGoesBeforeWriteOfSameItem();
    void readReply_data();
    void readReply();
    void writeReply_data();
    void writeReply();
    void unansweredWriteIsRetriedEachRound();
    void refusedWriteMarksFieldWhateverChannelIsShown();
    void readForAnotherChannelOnlyUpdatesValue();
    void addressOutsideRangeSendsNothing();

private:
    // Calls until n commands were sent; false when a full round passes first.
    bool runUntilSent(int n);

    SharedState state_;
    FakeVtx vtx_;
    ScriptedPrompter prompter_;
    RecordingFields fields_;
    std::unique_ptr<SettingTransfer> transfer_;
};

void tst_transfer::init()
{
    state_ = SharedState();
    vtx_.sent.clear();
    vtx_.reply = [](const SentCommand &) { return FakeVtx::none(); };
    prompter_.clear();
    fields_ = RecordingFields();
    transfer_ = std::make_unique<SettingTransfer>(vtx_, state_, prompter_);
    transfer_->setFields(&fields_);
}

bool tst_transfer::runUntilSent(int n)
{
    for (int call = 0; call < 2 * 10 * n && vtx_.sent.size() < n; ++call)
        transfer_->TransferSettings();
    return vtx_.sent.size() == n;
}

void tst_transfer::idleCallMovesCursor31AndSendsNothing()
{
    state_.channels(31, 1).ReadRequest = 1; // row 31 is never visited
    transfer_->TransferSettings();
    QCOMPARE(transfer_->TransferCursor().channel, 3); // positions 1..31: channel 0 item 1 .. channel 3 item 1
    QCOMPARE(transfer_->TransferCursor().item, 1);
    for (int call = 1; call < 10; ++call)
        transfer_->TransferSettings();
    QCOMPARE(transfer_->TransferCursor().channel, 30); // 310 positions: the end of the table
    QCOMPARE(transfer_->TransferCursor().item, 10);
    transfer_->TransferSettings();
    QCOMPARE(transfer_->TransferCursor().channel, 3);
    QVERIFY(vtx_.sent.isEmpty());
    QVERIFY(prompter_.shown.isEmpty());
}

void tst_transfer::everyPositionIsServedWithinOneRound()
{
    const ItemCodeList codes = settingItemCodes();
    for (int channel = 0; channel < ChannelCount; ++channel) {
        state_.DvtoN[std::size_t(channel)] = QString::number(channel);
        for (int item = 1; item <= 10; ++item) {
            state_.channels(channel, item).ReadRequest = 1;
            vtx_.sent.clear();
            for (int call = 0; call < 10 && vtx_.sent.isEmpty(); ++call)
                transfer_->TransferSettings();
            QCOMPARE(vtx_.sent.size(), 1);
            QCOMPARE(vtx_.sent[0].deviceAddress(), channel);
            QCOMPARE(vtx_.sent[0].item, codes[std::size_t(item)]);
            QCOMPARE(vtx_.sent[0].type, QStringLiteral(" "));
            QCOMPARE(vtx_.sent[0].count, 3);
        }
    }
}

void tst_transfer::readGoesBeforeWriteOfSameItem()
{
    state_.DvtoN[2] = QStringLiteral("5");
    ChannelItem &cell = state_.channels(2, 3);
    cell.Value = QStringLiteral("0064"); // what the operator entered
    cell.ReadRequest = 1;
    cell.WriteRequest = 1;
    vtx_.reply = [](const SentCommand &c) { return c.type == u"P" ? FakeVtx::ack() : FakeVtx::ack("FF38"); };
    QVERIFY(runUntilSent(2));
    QCOMPARE(vtx_.sent[0].type, QStringLiteral(" "));
    QCOMPARE(vtx_.sent[1].type, QStringLiteral("P"));
    QCOMPARE(vtx_.sent[1].item, QStringLiteral("0007"));
    QCOMPARE(vtx_.sent[1].deviceAddress(), 5);
    QCOMPARE(vtx_.sent[1].data, QStringLiteral("FF38")); // the value read, not the one entered
    QCOMPARE(cell.WriteRequest, 0);
}

void tst_transfer::readReply_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("fieldText"); // empty: the field is not touched
    QTest::addColumn<int>("places");        // -1: DecimalPlaces not touched
    QTest::addColumn<QString>("message");

    const QString ack = QString(ACK);
    QTest::newRow("100") << 2 << ack + "0064" << " 100" << -1 << "";
    QTest::newRow("minus one") << 2 << ack + "FFFF" << "-1" << -1 << "";
    QTest::newRow("largest") << 2 << ack + "7FFF" << " 32767" << -1 << "";
    QTest::newRow("smallest") << 5 << ack + "8000" << "-32768" << -1 << "";
    QTest::newRow("zero") << 10 << ack + "0000" << " 0" << -1 << "";
    QTest::newRow("place 0") << 4 << ack + "0000" << "xxxx" << 0 << "";
    QTest::newRow("place 1") << 4 << ack + "0001" << "xxx.x" << 1 << "";
    QTest::newRow("place 2") << 4 << ack + "0002" << "xx.xx" << 2 << "";
    QTest::newRow("place 3") << 4 << ack + "0003" << "x.xxx" << 3 << "";
    QTest::newRow("place unknown") << 4 << ack + "0004" << "xxxx" << 0 << "";
    QTest::newRow("place short") << 4 << ack + "3" << "xxxx" << 0 << "";
    QTest::newRow("refused") << 2 << QString(NAK) + "0001" << "" << -1 << CannotRead;
    QTest::newRow("no answer") << 4 << QString(ESC) << "" << -1 << NoResponse;
    QTest::newRow("other") << 2 << "?" << "" << -1 << "";
    QTest::newRow("empty") << 2 << "" << "" << -1 << "";
}

void tst_transfer::readReply()
{
    QFETCH(int, item);
    QFETCH(QString, reply);
    QFETCH(QString, fieldText);
    QFETCH(int, places);
    QFETCH(QString, message);

    fields_.selector = QStringLiteral(" 7");
    state_.DvtoN[7] = QStringLiteral("12");
    state_.DecimalPlaces[12] = 9;
    ChannelItem &cell = state_.channels(7, item);
    cell.Value = QStringLiteral("1111");
    cell.ReadRequest = 1;
    vtx_.reply = [&](const SentCommand &) { return reply; };
    QVERIFY(runUntilSent(1));

    QCOMPARE(cell.ReadRequest, 0);
    QCOMPARE(cell.Value, reply.startsWith(ACK) ? reply.mid(1) : QStringLiteral("1111"));
    QCOMPARE(fields_.texts.value(item), fieldText);
    QCOMPARE(fields_.texts.size(), fieldText.isEmpty() ? 0 : 1);
    QCOMPARE(state_.DecimalPlaces[12], places < 0 ? 9 : places);
    QCOMPARE(prompter_.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (!message.isEmpty()) {
        QCOMPARE(prompter_.shown[0].title, QString()); // the application's title
        QCOMPARE(prompter_.shown[0].icon, Prompter::Icon::None);
    }
}

void tst_transfer::writeReply_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("pending");
    QTest::addColumn<bool>("red");
    QTest::addColumn<QString>("message");

    QTest::newRow("accepted") << QString(ACK) << 0 << false << "";
    QTest::newRow("refused") << QString(NAK) + "0002" << 0 << true << OverSpan;
    QTest::newRow("no answer") << QString(ESC) << 1 << false << NoResponse;
    QTest::newRow("other") << "x" << 1 << false << "";
}

void tst_transfer::writeReply()
{
    QFETCH(QString, reply);
    QFETCH(int, pending);
    QFETCH(bool, red);
    QFETCH(QString, message);

    fields_.selector = QStringLiteral("4");
    state_.DvtoN[4] = QStringLiteral("31");
    ChannelItem &cell = state_.channels(4, 4);
    cell.Value = QStringLiteral("0002");
    cell.WriteRequest = 1;
    vtx_.reply = [&](const SentCommand &) { return reply; };
    QVERIFY(runUntilSent(1));

    QCOMPARE(vtx_.sent[0].deviceAddress(), 31);
    QCOMPARE(vtx_.sent[0].type, QStringLiteral("P"));
    QCOMPARE(vtx_.sent[0].item, QStringLiteral("0008"));
    QCOMPARE(vtx_.sent[0].data, QStringLiteral("0002"));
    QCOMPARE(cell.WriteRequest, pending);
    QCOMPARE(cell.Value, QStringLiteral("0002")); // a refused value stays as it was
    QCOMPARE(fields_.refused, red ? QList<int>{4} : QList<int>{});
    QCOMPARE(prompter_.texts(), message.isEmpty() ? QStringList() : QStringList{message});
}

void tst_transfer::unansweredWriteIsRetriedEachRound()
{
    state_.channels(0, 9).Value = QStringLiteral("0001");
    state_.channels(0, 9).WriteRequest = 1;
    QVERIFY(runUntilSent(3));
    QCOMPARE(prompter_.texts(), QStringList(3, NoResponse));
    QCOMPARE(state_.channels(0, 9).WriteRequest, 1);
}

void tst_transfer::refusedWriteMarksFieldWhateverChannelIsShown()
{
    fields_.selector = QStringLiteral("9");
    state_.channels(5, 6).Value = QStringLiteral("2710");
    state_.channels(5, 6).WriteRequest = 1;
    vtx_.reply = [](const SentCommand &) { return FakeVtx::nak(); };
    QVERIFY(runUntilSent(1));
    QCOMPARE(fields_.refused, QList<int>{6});

    // Without a dialog the refusal is still reported.
    transfer_->setFields(nullptr);
    state_.channels(5, 6).WriteRequest = 1;
    QVERIFY(runUntilSent(2));
    QCOMPARE(prompter_.texts(), QStringList(2, OverSpan));
}

void tst_transfer::readForAnotherChannelOnlyUpdatesValue()
{
    // The operator moved the dialog to channel 7 (or typed something that is
    // no channel) before channel 3's answers came.
    for (const QString &selector : {QStringLiteral("7"), QStringLiteral("abc"), QStringLiteral("")}) {
        fields_.selector = selector;
        state_.DvtoN[3] = QStringLiteral("3");
        state_.DecimalPlaces[3] = 2;
        state_.channels(3, 4).ReadRequest = 1;
        state_.channels(3, 5).ReadRequest = 1;
        vtx_.sent.clear();
        vtx_.reply = [](const SentCommand &c) { return FakeVtx::ack(c.item == u"0008" ? "0003" : "0064"); };
        QVERIFY(runUntilSent(2));
        QCOMPARE(state_.channels(3, 4).Value, QStringLiteral("0003"));
        QCOMPARE(state_.channels(3, 5).Value, QStringLiteral("0064"));
        QVERIFY(fields_.texts.isEmpty());
        QCOMPARE(state_.DecimalPlaces[3], 2);
    }
}

void tst_transfer::addressOutsideRangeSendsNothing()
{
    fields_.selector = QStringLiteral("1");
    state_.DvtoN[1] = QStringLiteral("40");
    state_.channels(1, 4).ReadRequest = 1;
    state_.channels(1, 4).WriteRequest = 1;
    vtx_.reply = [](const SentCommand &) { return FakeVtx::ack("0003"); };
    for (int call = 0; call < 11; ++call) // one round and the call that reaches the item again
        transfer_->TransferSettings();
    QVERIFY(vtx_.sent.isEmpty());
    QCOMPARE(prompter_.texts(), QStringList(2, NoResponse)); // the read, then the write
    QCOMPARE(state_.channels(1, 4).ReadRequest, 0);
    QCOMPARE(state_.channels(1, 4).WriteRequest, 1);
    QVERIFY(fields_.texts.isEmpty());
}

QTEST_GUILESS_MAIN(tst_transfer)
#include "tst_transfer.moc"
