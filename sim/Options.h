#pragma once
// The simulator's command line.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

namespace sim {

struct InstrumentOption {
    int address = 0;
    QList<QPair<QString, QString>> settings; // key, value in the order given
};

struct Options {
    QString linkPath;
    qint64 speed = 9600;
    QList<InstrumentOption> instruments;
    bool pacing = true;
    int turnaroundMs = 5;
    QList<int> silent;
    QList<QPair<int, QByteArray>> refused;
    double corruptShare = 0;
    double dropShare = 0;
    std::optional<quint32> seed;
    bool wave = false;
    double wavePeriodSeconds = 60;
    QString recordPath;
    bool help = false;
};

// Parses the arguments after the program name. On a bad argument returns
// nothing and says why in `error`.
std::optional<Options> parseOptions(const QStringList &arguments, QString *error);

QString usageText();

// Shared with the control input: "ADDR" 0..31, a share 0..1, a line speed.
std::optional<int> parseAddress(const QString &text);
std::optional<double> parseShare(const QString &text);
std::optional<qint64> parseSpeed(const QString &text);
// "ADDR:k=v,k=v" of --instrument.
std::optional<InstrumentOption> parseInstrument(const QString &text);
// A four-character item code, upper-cased.
std::optional<QByteArray> parseItem(const QString &text);

} // namespace sim
