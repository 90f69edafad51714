#pragma once
// The shown part of a trend as a CSV file (RFC 4180) for a spreadsheet.

#include "trend/TrendSource.h"

#include <vector>

namespace trend {

// Writes the samples of `source` in [from, to) to `path`, of the series in
// `columns` in their order: a header "time,<name>,...", then a row per sample
// time, the time as local ISO 8601 with its offset
// ("2026-12-07T08:46:01+01:00"), the values as the instruments showed them
// (their decimal places kept, 73.0 stays 73.0) with '.' as the decimal
// point, empty for a gap; a name that a spreadsheet would read as a formula
// (one that begins with =, +, -, @, a tab or a CR) has an apostrophe put
// before it; lines end in CR LF. Written as writeExport() writes: an
// earlier file is replaced only by a whole one. False, with the reason in
// `error`, when the file cannot be written.
bool exportCsv(const TrendSource &source, Millis from, Millis to, const std::vector<int> &columns, const QString &path,
               QString *error = nullptr);

} // namespace trend
