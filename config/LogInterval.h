#pragma once
// The logging interval: what a text of the interval field or of the stored
// "LogT" means. Start-up, the interval dialog's OK and the log schedule all
// go by these rules.

#include <QString>
#include <QStringView>

#include <optional>

namespace loginterval {

inline constexpr double Shortest = 1.0; // seconds
inline constexpr double Longest = 18000.0;
inline constexpr double Default = 60.0;
inline const QString DefaultText = QStringLiteral("60");

// True for Shortest..Longest seconds, fractions included; false for NaN.
constexpr bool isInterval(double seconds) { return seconds >= Shortest && seconds <= Longest; }

// The interval a text stands for: the whole text, blanks around it allowed,
// is a number as numbers::readNumber() reads it ('.' as the decimal point in
// every locale) and that number is an interval. Nothing for anything else:
// "", "abc", "12abc", "0", "0.5", "18000.5", "-5", "nan", "inf".
std::optional<double> fromText(QStringView text);

// The text the interval field shows for a stored text: the stored text as it
// stands when it is an interval, otherwise DefaultText, the interval then in
// force. The field thus always holds an interval OK accepts, and OK on it
// replaces a stored text that is none.
QString fieldText(const QString &stored);

} // namespace loginterval
