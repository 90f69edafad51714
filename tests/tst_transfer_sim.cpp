// Setting transfer through the real communication component against the
// instrument simulator: the dialog's logic loads, shows and writes back one
// instrument's settings, and a value outside the instrument's span is refused.
#include "comm/SettingTransfer.h"
#include "config/SettingForm.h"
#include "support/Channels.h"
#include "support/ScriptedPrompter.h"
#include "support/SimLine.h"

#include <QtTest>

class tst_transfer_sim : public QObject {
    Q_OBJECT
private slots:
    void loadShowAndWriteBack()
    {
        SimLine line({"--no-pacing", "--instrument",
                      "3:pv=100,dp=2,filter=5,hi=5000,lo=-100,a1=10,a2=-20,a3=30,act1=1,act2=2,act3=0"});
        QVERIFY(line.open());
        SharedState state;
        switchOn(state, 3, QStringLiteral("3"), QStringLiteral("      ON"));
        ScriptedPrompter prompter;
        SettingForm form(state, prompter);
        SettingTransfer transfer(line.vtx, state, prompter);
        transfer.setFields(&form);
        form.openForChannel(3);
        for (int call = 0; call < 10; ++call)
            transfer.TransferSettings();
        const QStringList codes = {"0009", "0006", "0007", "0008", "0001", "0002", "0003", "000D", "000E", "000F"};
        QStringList record;
        for (const QString &code : codes)
            record << QStringLiteral("9600\t3\tR\t%1\t").arg(code);
        QTRY_COMPARE(line.sim.record(), record);
        QVERIFY(prompter.shown.isEmpty());
        const QStringList shown = {" 5", " 5000", "-100", "xx.xx", " 10", "-20", " 30", " 1", " 2", " 0"};
        for (int item = 1; item <= 10; ++item)
            QCOMPARE(form.field(item).text, shown[item - 1]);
        QCOMPARE(state.DecimalPlaces[3], 2);
        // The operator picks three places and a high limit beyond the instrument's span.
        form.setFieldText(2, QStringLiteral("12000"));
        form.setFieldText(4, QStringLiteral("    x.xxx"));
        form.OK_Click();
        for (int call = 0; call < 40 && line.sim.record().size() < 20; ++call)
            transfer.TransferSettings();
        const QStringList data = {"0005", "2EE0", "FF9C", "0003", "000A", "FFEC", "001E", "0001", "0002", "0000"};
        for (int i = 0; i < codes.size(); ++i)
            record << QStringLiteral("9600\t3\tW\t%1\t%2").arg(codes[i], data[i]);
        QTRY_COMPARE(line.sim.record(), record);
        QCOMPARE(prompter.texts(), QStringList{QStringLiteral("It can not set up. It is over setting allowable span.")});
        for (int item = 1; item <= 10; ++item) {
            QCOMPARE(form.field(item).red, item == 2);
            QCOMPARE(state.channels(3, item).WriteRequest, 0);
        }
        // Loading the channel again clears the mark and reads what the instrument kept.
        form.openForChannel(3);
        QVERIFY(!form.field(2).red);
        for (int call = 0; call < 20 && state.channels(3, 10).ReadRequest != 0; ++call)
            transfer.TransferSettings();
        QCOMPARE(form.field(2).text, QStringLiteral(" 5000"));
        QCOMPARE(form.field(4).text, QStringLiteral("x.xxx"));
        QCOMPARE(state.DecimalPlaces[3], 3);
    }
};

QTEST_GUILESS_MAIN(tst_transfer_sim)
#include "tst_transfer_sim.moc"
