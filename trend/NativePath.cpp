#include "trend/NativePath.h"

#include <QFile>

#include <algorithm>

namespace trend {

namespace {

constexpr char16_t EscapeBase = 0xDC00;

bool isEscape(QChar c) { return c.unicode() >= EscapeBase + 0x80 && c.unicode() <= EscapeBase + 0xFF; }

// The length of the well-formed UTF-8 sequence at p, 0 for none.
int sequenceAt(const unsigned char *p, const unsigned char *end, char32_t &code)
{
    const unsigned char lead = *p;
    int length = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (end - p < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (p[i] & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < least || code > 0x10FFFF || surrogate ? 0 : length;
}

} // namespace

QString decodePath(QByteArrayView bytes)
{
    const QString plain = QFile::decodeName(bytes.toByteArray());
    if (QFile::encodeName(plain) == bytes)
        return plain;
    QString path;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = p + bytes.size();
    while (p < end) {
        char32_t code = 0;
        const int length = sequenceAt(p, end, code);
        if (length == 0) {
            path += QChar(char16_t(EscapeBase + *p++));
            continue;
        }
        path += QString::fromUcs4(&code, 1);
        p += length;
    }
    return path;
}

QByteArray encodePath(const QString &path)
{
    if (std::none_of(path.begin(), path.end(), isEscape))
        return QFile::encodeName(path);
    QByteArray bytes;
    qsizetype from = 0;
    for (qsizetype i = 0; i <= path.size(); ++i) {
        if (i < path.size() && !isEscape(path[i]))
            continue;
        bytes += path.mid(from, i - from).toUtf8();
        if (i < path.size())
            bytes += char(path[i].unicode() - EscapeBase);
        from = i + 1;
    }
    return bytes;
}

} // namespace trend
