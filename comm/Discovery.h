#pragma once
// Finding the port and line speed on which the instruments answer: the pair
// saved from the last run first, then a fixed list, probing the lowest
// monitored channel's instrument with a PV read.

#include <QString>
#include <QStringList>

class Prompter;
class SettingsStore;
class VtxPort;
struct SharedState;

class Discovery {
public:
    Discovery(VtxPort &vtx, SharedState &state, SettingsStore &store, Prompter &prompter);

    // The speed found ("" when nothing answered). Saves a new speed or port
    // when it differs from the saved one; the port stays open on success.
    QString StartLink();

    // Tries the candidates; port carries the saved port in and, on success
    // only, the port found out.
    QString DiscoverLink(QString &port, const QString &speed);

    // The lowest channel whose monitoring state contains "ON" in any case, or
    // -1 when none is.
    int probeChannel() const;

    static QStringList portCandidates(const QString &savedPort);
    static QStringList speedCandidates(const QString &savedSpeed);

    // Set when the operator answered Yes to "Do you want to close the
    // PLM-VX001E?": the program then ends (in order, not abruptly).
    bool closeRequested() const { return closeRequested_; }

private:
    static bool isLineSpeed(const QString &speed);
    QString tryCandidates(QString &port, const QString &speed, qint64 address);
    void reportCommunicationError();

    VtxPort &vtx_;
    SharedState &state_;
    SettingsStore &store_;
    Prompter &prompter_;
    bool closeRequested_ = false;
};
