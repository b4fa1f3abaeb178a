#include "term_splitter.h"

namespace fangji::dictionary {

namespace {

constexpr char16_t kBlank = u' ';
constexpr char16_t kCarriageReturn = u'\r';

bool isDelimiter(Dictionary dictionary, char16_t c) {
    switch (c) {
    case u'。':
    case u'，':
    case u'；':
    case u'*':
    case u'：':
    case u'、':
        return true;
    case u'治':
        return dictionary == Dictionary::Effects;
    default:
        return false;
    }
}

} // namespace

QStringView trimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == kBlank) {
        ++begin;
    }
    while (end > begin && text[end - 1] == kBlank) {
        --end;
    }
    return text.mid(begin, end - begin);
}

void forEachTerm(Dictionary dictionary, QStringView text, const std::function<void(const QString&)>& sink) {
    if (dictionary == Dictionary::Clinical) {
        text = trimBlanks(text);
    }
    const qsizetype length = text.size();
    QString term;
    for (qsizetype pos = 0; pos < length; ++pos) {
        const char16_t ch = text[pos].unicode();
        if (dictionary == Dictionary::Clinical) {
            // Only the first line of a clinical text gives terms; the open term is dropped.
            if (ch == kCarriageReturn) {
                return;
            }
            if (ch == u'（' || ch == u'(') {
                while (pos < length && text[pos] != u')' && text[pos] != u'）') {
                    ++pos;
                }
                continue;
            }
        } else if (ch == u'（') {
            while (pos < length && text[pos] != u'）') {
                ++pos;
            }
            continue;
        } else if (ch == u'(') {
            while (pos < length && text[pos] != u')') {
                ++pos;
            }
            continue;
        }
        // A bracketed part neither ends nor changes the term: the text around it joins up.
        if (ch == kBlank) {
            continue;
        }
        if (isDelimiter(dictionary, ch)) {
            if (!term.isEmpty()) {
                sink(term);
                term.clear();
            }
            continue;
        }
        term.append(QChar(ch));
    }
    // A term still open at the end of the text is not stored.
}

QStringList splitTerms(Dictionary dictionary, QStringView text) {
    QStringList terms;
    forEachTerm(dictionary, text, [&terms](const QString& term) { terms.append(term); });
    return terms;
}

} // namespace fangji::dictionary
