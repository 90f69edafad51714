#pragma once
// Turning the port name the operator's settings hold into the device path
// to open. A path is taken as it stands; "COMn" counts the machine's real
// serial ports with USB and ACM converters first, so that a first start finds
// a plugged-in converter as COM1.

#include <QString>
#include <QStringList>

namespace portnames {

// The given port paths in COMn order: /dev/ttyUSB* then /dev/ttyACM*, then
// /dev/ttyS*, each in number order (ttyUSB2 before ttyUSB10); any other kind
// of port comes last, in name order.
QStringList comOrder(const QStringList &systemLocations);

// n for a name "COMn" in any case (n >= 1); 0 for any other name.
int comNumber(const QString &name);

// The device path for a port name among the given ports, or an empty text
// when the name can name no port (an empty name, a COMn beyond the list).
// Whether the path exists is for the caller to find out.
QString resolve(const QString &name, const QStringList &systemLocations);

// The same against the ports Qt Serial Port lists on this machine, or, when
// the environment variable VTX500_SERIAL_PORTS is set, against the paths it
// lists (separated by ':'; set and empty: the machine has none).
inline constexpr char PortListVariable[] = "VTX500_SERIAL_PORTS";
QString resolve(const QString &name);

} // namespace portnames
