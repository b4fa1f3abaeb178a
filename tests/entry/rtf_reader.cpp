#include "rtf_reader.h"

#include <iconv.h>

#include <cctype>

#include <QList>

namespace fangji::testing {

namespace {

// Code page of an RTF character set number (the few that matter here).
const char* codePage(int charset) {
    switch (charset) {
    case 134:
        return "GBK";
    case 136:
        return "BIG5";
    case 128:
        return "SHIFT_JIS";
    default:
        return "CP1252";
    }
}

QString decode(const QByteArray& bytes, const char* encoding) {
    iconv_t cd = iconv_open("UTF-8", encoding);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return QString::fromLatin1(bytes);
    }
    QByteArray in = bytes;
    QByteArray out(bytes.size() * 4 + 4, '\0');
    char* inPtr = in.data();
    size_t inLeft = static_cast<size_t>(in.size());
    char* outPtr = out.data();
    size_t outLeft = static_cast<size_t>(out.size());
    const size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (done == static_cast<size_t>(-1)) {
        return QStringLiteral("<undecodable>");
    }
    return QString::fromUtf8(out.constData(), out.size() - static_cast<qsizetype>(outLeft));
}

struct State {
    int font = 0;
    int halfPoints = 24;
    bool bold = false;
    int uc = 1;
    enum Dest { Body, FontTable, Font, Skip } dest = Body;
};

} // namespace

RtfText readRtf(const QByteArray& doc) {
    RtfText out;
    QList<State> stack;
    State st;
    int defaultFont = 0;
    int fontNumber = -1;
    QByteArray fontName;
    QString paragraph;
    bool sawText = false;
    int skipChars = 0; // fallback characters after \uN
    const qsizetype n = doc.size();
    qsizetype i = 0;
    bool started = false;

    auto flushFont = [&]() {
        if (fontNumber >= 0) {
            QByteArray name = fontName.trimmed();
            if (name.endsWith(';')) {
                name.chop(1);
            }
            out.fonts[fontNumber] = decode(name, codePage(out.charsets.value(fontNumber, 0)));
        }
        fontNumber = -1;
        fontName.clear();
    };
    auto addChar = [&](QChar c) {
        if (st.dest != State::Body) {
            return;
        }
        paragraph += c;
        sawText = true;
        const RtfText::Format f{out.fonts.value(st.font, QStringLiteral("<unknown font %1>").arg(st.font)),
                                st.halfPoints, st.bold};
        if (!out.formats.contains(f)) {
            out.formats << f;
        }
    };
    auto addByte = [&](char b) {
        if (skipChars > 0) {
            --skipChars;
            return;
        }
        if (st.dest == State::Font || st.dest == State::FontTable) {
            fontName += b;
            if (b == ';') {
                flushFont();
            }
        } else if (st.dest == State::Body) {
            addChar(QChar::fromLatin1(b));
        }
    };

    while (i < n) {
        const char c = doc[i];
        if (c == '{') {
            if (!started) {
                started = true;
            }
            stack << st;
            if (st.dest == State::FontTable) {
                st.dest = State::Font;
            }
            skipChars = 0;
            ++i;
        } else if (c == '}') {
            if (st.dest == State::Font) {
                flushFont();
            }
            if (stack.isEmpty()) {
                out.error = QStringLiteral("unbalanced }");
                return out;
            }
            st = stack.takeLast();
            skipChars = 0;
            ++i;
        } else if (c == '\r' || c == '\n') {
            ++i;
        } else if (c == '\\') {
            ++i;
            if (i >= n) {
                break;
            }
            const char d = doc[i];
            if (d == '\\' || d == '{' || d == '}') {
                addByte(d);
                ++i;
            } else if (d == '\'') {
                const char b = static_cast<char>(doc.mid(i + 1, 2).toInt(nullptr, 16));
                i += 3;
                addByte(b);
            } else if (d == '*') {
                st.dest = State::Skip;
                ++i;
            } else if (std::isalpha(static_cast<unsigned char>(d))) {
                qsizetype j = i;
                while (j < n && std::isalpha(static_cast<unsigned char>(doc[j]))) {
                    ++j;
                }
                const QByteArray word = doc.mid(i, j - i);
                qsizetype k = j;
                if (k < n && (doc[k] == '-' || std::isdigit(static_cast<unsigned char>(doc[k])))) {
                    ++k;
                    while (k < n && std::isdigit(static_cast<unsigned char>(doc[k]))) {
                        ++k;
                    }
                }
                const bool hasParam = k > j;
                const int param = hasParam ? doc.mid(j, k - j).toInt() : 0;
                i = k;
                if (i < n && doc[i] == ' ') {
                    ++i; // the delimiting space belongs to the control word
                }
                if (word == "fonttbl") {
                    st.dest = State::FontTable;
                } else if (word == "f") {
                    if (st.dest == State::Font || st.dest == State::FontTable) {
                        fontNumber = param;
                    } else {
                        st.font = param;
                    }
                } else if (word == "deff") {
                    defaultFont = param;
                    st.font = param;
                } else if (word == "fcharset") {
                    if (fontNumber >= 0) {
                        out.charsets[fontNumber] = param;
                    }
                } else if (word == "fs") {
                    st.halfPoints = hasParam ? param : 24;
                } else if (word == "b") {
                    st.bold = !hasParam || param != 0;
                } else if (word == "plain") {
                    st.font = defaultFont;
                    st.halfPoints = 24;
                    st.bold = false;
                } else if (word == "uc") {
                    st.uc = param;
                } else if (word == "u") {
                    addChar(QChar(static_cast<char16_t>(param < 0 ? param + 65536 : param)));
                    skipChars = st.uc;
                } else if (word == "par" || word == "line") {
                    if (st.dest == State::Body) {
                        out.paragraphs << paragraph;
                        paragraph.clear();
                    }
                } else if (word == "tab") {
                    addChar(u'\t');
                } else if (word == "pict" || word == "info" || word == "stylesheet" || word == "colortbl") {
                    st.dest = State::Skip;
                }
            } else {
                ++i; // other control symbols
            }
        } else {
            addByte(c);
            ++i;
        }
    }
    if (!stack.isEmpty()) {
        out.error = QStringLiteral("unclosed group");
        return out;
    }
    if (!paragraph.isEmpty()) {
        out.paragraphs << paragraph;
    }
    Q_UNUSED(sawText);
    out.valid = started && doc.startsWith("{\\rtf1");
    return out;
}

} // namespace fangji::testing
