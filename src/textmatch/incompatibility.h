#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// 配伍禁忌: the pairs of herbs the classical lists forbid together, 十八反 and 十九畏
// (incompatible_pairs.txt, compiled in, with its sources).
namespace fangji::textmatch {

struct Incompatibility {
    QString first;    // as the composition names it, folded to simplified characters
    QString relation; // "反" (十八反) or "畏" (十九畏)
    QString second;
    bool operator==(const Incompatibility&) const = default;
};

// Every forbidden pair in a composition, in the order of the table, each pair of names once.
// Herbs are found by name, not as any substring: the composition is folded to simplified
// characters and its herbs to their first names (the alias table), and at each place the
// longest known name counts, so 制川乌 is 川乌 and 白附子 is not 附子.
QList<Incompatibility> findIncompatibilities(const QString& composition);

// "甘草 反 甘遂", one text per pair.
QStringList incompatibilityLines(const QString& composition);

} // namespace fangji::textmatch
