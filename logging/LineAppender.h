#pragma once
// Appends one line at a time to a text file that is opened for that line and
// closed at once, unbuffered, so that the line is on disk when the call
// returns. What a failed write leaves is cut off again; where even that
// fails, the next line starts on a line end of its own. Every line of the
// file is then the header, one whole line, or the rest of a failed write,
// never two lines run together. The PV log and the event journal both write
// this way.

#include <QByteArray>
#include <QString>

struct LineAppender {
    // The file ends in part of a line that could not be cut off.
    bool torn = false;

    // Appends `line` (its line end included) to `path`, creating the file,
    // with `header` first when the file is empty. False when the line is not
    // whole on disk; `reason` then says why.
    bool append(const QString &path, const QByteArray &line, const QByteArray &header, QString &reason);
};
