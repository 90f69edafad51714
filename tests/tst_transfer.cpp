// Setting transfer against a scripted instrument: the cursor's walk, the
// order of reads and writes, what each reply does to the table, the dialog's
// fields and the decimal places.
#include "comm/SettingTransfer.h"
#include "config/SettingFields.h"
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
const QString OverSpan = QStringLiteral("It can not set up. It is over setting allowable span.");
} // namespace

class tst_transfer : public QObject {
    Q_OBJECT

    SharedState state_;
    FakeVtx vtx_;
    ScriptedPrompter prompter_;
    RecordingFields fields_;
    std::unique_ptr<SettingTransfer> transfer_;

    // Calls until n commands were sent; false when two rounds pass first.
    bool runUntilSent(int n)
    {
        for (int call = 0; call < 2 * 10 * n && vtx_.sent.size() < n; ++call)
            transfer_->TransferSettings();
        return vtx_.sent.size() == n;
    }
    void answer(const QString &reply)
    {
        vtx_.reply = [reply](const SentCommand &) { return reply; };
    }

private slots:
    void init()
    {
        state_ = SharedState();
        vtx_ = FakeVtx();
        prompter_.clear();
        fields_ = RecordingFields();
        transfer_ = std::make_unique<SettingTransfer>(vtx_, state_, prompter_);
        transfer_->setFields(&fields_);
    }

    // 310 positions (channels 0..30, items 1..10), 31 per call when nothing is
    // pending; a pending one is served within one round of 10 calls.
    void cursorWalk()
    {
        state_.channels(31, 1).ReadRequest = 1; // row 31 is never visited
        transfer_->TransferSettings();
        QCOMPARE(transfer_->TransferCursor().channel, 3); // channel 0 item 1 .. channel 3 item 1
        QCOMPARE(transfer_->TransferCursor().item, 1);
        for (int call = 1; call < 10; ++call)
            transfer_->TransferSettings();
        QCOMPARE(transfer_->TransferCursor().channel, 30);
        QCOMPARE(transfer_->TransferCursor().item, 10);
        QVERIFY(vtx_.sent.isEmpty());
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
                QCOMPARE(vtx_.sent[0].type + QString::number(vtx_.sent[0].count), QStringLiteral(" 3"));
            }
        }
        QCOMPARE(prompter_.shown.size(), 310);
    }

    // A pending read goes before the write of the same item, and the write
    // then sends the value read, not the one entered.
    void readGoesBeforeWriteOfSameItem()
    {
        state_.DvtoN[2] = QStringLiteral("5");
        ChannelItem &cell = state_.channels(2, 3);
        cell.Value = QStringLiteral("0064"); // what the operator entered
        cell.ReadRequest = cell.WriteRequest = 1;
        vtx_.reply = [](const SentCommand &c) { return c.type == u"P" ? FakeVtx::ack() : FakeVtx::ack("FF38"); };
        QVERIFY(runUntilSent(2));
        QCOMPARE(vtx_.sent[0].type, QStringLiteral(" "));
        QCOMPARE(vtx_.sent[1].type + vtx_.sent[1].item, QStringLiteral("P0007"));
        QCOMPARE(vtx_.sent[1].deviceAddress(), 5);
        QCOMPARE(vtx_.sent[1].data, QStringLiteral("FF38"));
        QCOMPARE(cell.WriteRequest, 0);
    }

    // A read reply fills the field and the place table only while the dialog
    // still shows that channel: the operator may have moved it to another
    // (or typed something that is no channel) before the answer came.
    void readReply_data()
    {
        QTest::addColumn<QString>("selector");
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("fieldText"); // empty: the field is not touched
        QTest::addColumn<int>("places");        // -1: DecimalPlaces not touched
        QTest::addColumn<QString>("message");
        const QString ack = QString(ACK);
        QTest::newRow("minus one") << " 7" << 2 << ack + "FFFF" << "-1" << -1 << "";
        QTest::newRow("place 3") << " 7" << 4 << ack + "0003" << "x.xxx" << 3 << "";
        QTest::newRow("place unknown") << " 7" << 4 << ack + "0004" << "xxxx" << 0 << "";
        QTest::newRow("refused") << " 7" << 2 << QString(NAK) + "0001" << "" << -1 << "Setting cannot be read.";
        QTest::newRow("no answer") << " 7" << 4 << QString(ESC) << "" << -1 << NoResponse;
        QTest::newRow("other") << " 7" << 2 << "?" << "" << -1 << "";
        QTest::newRow("another channel shown") << "8" << 4 << ack + "0003" << "" << -1 << "";
        QTest::newRow("no channel shown") << "abc" << 2 << ack + "0064" << "" << -1 << "";
    }
    void readReply()
    {
        QFETCH(QString, selector);
        QFETCH(int, item);
        QFETCH(QString, reply);
        QFETCH(QString, fieldText);
        QFETCH(int, places);
        QFETCH(QString, message);
        fields_.selector = selector;
        state_.DvtoN[7] = QStringLiteral("12");
        state_.DecimalPlaces[12] = 9;
        ChannelItem &cell = state_.channels(7, item);
        cell.Value = QStringLiteral("1111");
        cell.ReadRequest = 1;
        answer(reply);
        QVERIFY(runUntilSent(1));
        QCOMPARE(cell.ReadRequest, 0);
        QCOMPARE(cell.Value, reply.startsWith(ACK) ? reply.mid(1) : QStringLiteral("1111"));
        QCOMPARE(fields_.texts, (fieldText.isEmpty() ? QMap<int, QString>() : QMap<int, QString>{{item, fieldText}}));
        QCOMPARE(state_.DecimalPlaces[12], places < 0 ? 9 : places);
        QCOMPARE(prompter_.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    }

    // An accepted write is done; a refused one is told and marked, with or
    // without a dialog; one without answer is told and retried next round.
    void writeReply_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("pending");
        QTest::addColumn<QString>("message");
        QTest::newRow("accepted") << QString(ACK) << 0 << "";
        QTest::newRow("refused") << QString(NAK) + "0002" << 0 << OverSpan;
        QTest::newRow("no answer: retried next round") << QString(ESC) << 1 << NoResponse;
    }
    void writeReply()
    {
        QFETCH(QString, reply);
        QFETCH(int, pending);
        QFETCH(QString, message);
        fields_.selector = QStringLiteral("9"); // a refusal is marked whatever channel is shown
        state_.DvtoN[4] = QStringLiteral("31");
        ChannelItem &cell = state_.channels(4, 4);
        cell.Value = QStringLiteral("0002");
        cell.WriteRequest = 1;
        answer(reply);
        QVERIFY(runUntilSent(1));
        for (int call = 0; call < 10; ++call) // one more round
            transfer_->TransferSettings();
        const SentCommand &sent = vtx_.sent[0];
        QCOMPARE(QStringLiteral("%1 %2%3 %4").arg(sent.deviceAddress()).arg(sent.type, sent.item, sent.data),
                 QStringLiteral("31 P0008 0002"));
        QCOMPARE(vtx_.sent.size(), 1 + pending);
        QCOMPARE(cell.WriteRequest, pending);
        QCOMPARE(cell.Value, QStringLiteral("0002")); // a refused value stays as it was
        QCOMPARE(fields_.refused, message == OverSpan ? QList<int>{4} : QList<int>{});
        QCOMPARE(prompter_.texts(), QStringList(message.isEmpty() ? 0 : vtx_.sent.size(), message));
        if (message == OverSpan) {
            transfer_->setFields(nullptr);
            cell.WriteRequest = 1;
            QVERIFY(runUntilSent(2));
            QCOMPARE(prompter_.texts(), QStringList(2, OverSpan));
        }
    }

    // An address outside 0..31 sends nothing: the read is told and dropped,
    // the write told and kept.
    void addressOutsideRangeSendsNothing()
    {
        fields_.selector = QStringLiteral("1");
        state_.DvtoN[1] = QStringLiteral("40");
        state_.channels(1, 4).ReadRequest = 1;
        state_.channels(1, 4).WriteRequest = 1;
        answer(FakeVtx::ack("0003"));
        for (int call = 0; call < 11; ++call) // one round and the call that reaches the item again
            transfer_->TransferSettings();
        QVERIFY(vtx_.sent.isEmpty());
        QCOMPARE(prompter_.texts(), QStringList(2, NoResponse));
        QCOMPARE(state_.channels(1, 4).ReadRequest, 0);
        QCOMPARE(state_.channels(1, 4).WriteRequest, 1);
        QVERIFY(fields_.texts.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_transfer)
#include "tst_transfer.moc"
