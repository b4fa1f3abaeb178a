#pragma once

#include <QByteArray>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

namespace fangji::testing {

// What a word processor would show of an RTF document: its paragraphs, and the
// font, size and weight every character of them carries. Enough of RTF to read
// documents back in tests: groups, control words, \uN with \ucN, \'hh, and the
// font table (names decoded from their character set).
struct RtfText {
    struct Format {
        QString font;
        int halfPoints = 24; // RTF's default size, 12 points
        bool bold = false;
        bool operator==(const Format&) const = default;
    };
    bool valid = false;
    QString error;
    QMap<int, QString> fonts; // font number -> name
    QMap<int, int> charsets;  // font number -> \fcharset
    QStringList paragraphs;
    QList<Format> formats; // one per distinct format seen on text
};

RtfText readRtf(const QByteArray& document);

} // namespace fangji::testing
