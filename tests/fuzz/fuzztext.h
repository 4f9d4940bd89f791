#pragma once

#include <QByteArrayView>
#include <QString>

// Fuzz input bytes as a text. QString::fromUtf8 reads the three-byte forms
// of surrogates (ED A0..BF 80..BF) as U+FFFD, so no input could hold an
// unpaired surrogate, though a typed text or an ODBC driver's value can.
// Here those three bytes give that code unit; the rest is read as UTF-8.
inline QString fuzzText(QByteArrayView bytes)
{
    QString out;
    qsizetype decoded = 0;
    for (qsizetype i = 0; i + 2 < bytes.size(); ++i) {
        const auto b0 = uchar(bytes[i]), b1 = uchar(bytes[i + 1]), b2 = uchar(bytes[i + 2]);
        if (b0 != 0xED || b1 < 0xA0 || b1 > 0xBF || (b2 & 0xC0) != 0x80)
            continue;
        out += QString::fromUtf8(bytes.sliced(decoded, i - decoded));
        out += QChar(char16_t(0xD000 | ((b1 & 0x3F) << 6) | (b2 & 0x3F)));
        i += 2;
        decoded = i + 1;
    }
    out += QString::fromUtf8(bytes.sliced(decoded));
    return out;
}
