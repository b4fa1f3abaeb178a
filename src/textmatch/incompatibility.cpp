#include "incompatibility.h"

#include "aliases.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <vector>

namespace fangji::textmatch {

// The text of incompatible_pairs.txt, compiled in.
extern const char kIncompatiblePairsText[];

namespace {

// A name as the scan compares it: folded, the herbs in their first names.
QString normalName(const QString& name) {
    return canonicalHerbs(name);
}

class PairTable {
public:
    PairTable() {
        QHash<QString, int> classes; // class name -> index
        QList<QStringList> lines;
        for (QString line : QString::fromUtf8(kIncompatiblePairsText).split(u'\n')) {
            if (const qsizetype hash = line.indexOf(u'#'); hash >= 0) {
                line.truncate(hash);
            }
            const QStringList words = line.split(u' ', Qt::SkipEmptyParts);
            if (!words.isEmpty()) {
                lines << words;
            }
        }
        for (const QStringList& words : lines) {
            if (words[0] == u"类" && words.size() >= 3) {
                const int id = static_cast<int>(m_classCount++);
                classes.insert(words[1], id);
                for (const QString& member : words.mid(2)) {
                    addName(normalName(member), id);
                }
            } else if (words[0] == u"非") {
                for (const QString& other : words.mid(1)) {
                    m_names.insert(normalName(other), {});
                }
            }
        }
        // A name of a pair that no class defines stands for itself.
        auto classOf = [&](const QString& name) {
            if (const auto it = classes.constFind(name); it != classes.cend()) {
                return it.value();
            }
            const int id = static_cast<int>(m_classCount++);
            classes.insert(name, id);
            addName(normalName(name), id);
            return id;
        };
        for (const QStringList& words : lines) {
            if ((words[0] == u"反" || words[0] == u"畏") && words.size() == 3) {
                m_pairs.push_back({classOf(words[1]), words[0], classOf(words[2])});
            }
        }
        for (auto it = m_names.cbegin(); it != m_names.cend(); ++it) {
            m_longest = std::max(m_longest, it.key().size());
        }
    }

    struct Pair {
        int first;
        QString relation;
        int second;
    };
    struct Found {
        QString name;
        QList<int> classes;
    };

    // The known names of a normalised composition, in order; at each place the longest.
    std::vector<Found> scan(const QString& text) const {
        std::vector<Found> found;
        qsizetype at = 0;
        while (at < text.size()) {
            qsizetype taken = 0;
            for (qsizetype len = std::min(m_longest, text.size() - at); len > 0; --len) {
                const auto it = m_names.constFind(text.mid(at, len));
                if (it != m_names.cend()) {
                    if (!it.value().isEmpty()) {
                        found.push_back({it.key(), it.value()});
                    }
                    taken = len;
                    break;
                }
            }
            at += taken > 0 ? taken : 1;
        }
        return found;
    }

    const std::vector<Pair>& pairs() const { return m_pairs; }

private:
    void addName(const QString& name, int id) {
        QList<int>& ids = m_names[name];
        if (!ids.contains(id)) {
            ids << id;
        }
    }

    // Every known name with the classes it belongs to (none: a name of another herb).
    QHash<QString, QList<int>> m_names;
    std::vector<Pair> m_pairs;
    std::size_t m_classCount = 0;
    qsizetype m_longest = 0;
};

const PairTable& table() {
    static const PairTable t;
    return t;
}

} // namespace

QList<Incompatibility> findIncompatibilities(const QString& composition) {
    const PairTable& t = table();
    const std::vector<PairTable::Found> found = t.scan(normalName(composition));
    QList<Incompatibility> result;
    for (const PairTable::Pair& pair : t.pairs()) {
        for (const PairTable::Found& a : found) {
            if (!a.classes.contains(pair.first)) {
                continue;
            }
            for (const PairTable::Found& b : found) {
                if (!b.classes.contains(pair.second) || b.name == a.name) {
                    continue;
                }
                const Incompatibility item{a.name, pair.relation, b.name};
                if (!result.contains(item)) {
                    result << item;
                }
            }
        }
    }
    return result;
}

QStringList incompatibilityLines(const QString& composition) {
    QStringList lines;
    for (const Incompatibility& i : findIncompatibilities(composition)) {
        lines << i.first + u' ' + i.relation + u' ' + i.second;
    }
    return lines;
}

} // namespace fangji::textmatch
