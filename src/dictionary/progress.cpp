#include "progress.h"

#include <algorithm>

namespace fangji::dictionary {

namespace {
constexpr qint64 kScale = 10000;
constexpr qint64 kPhaseSpan = 33;
constexpr qint64 kBarMaximum = 100;
} // namespace

qint64 divideRoundHalfEven(qint64 numerator, qint64 denominator) {
    qint64 quotient = numerator / denominator;
    const qint64 twiceRemainder = 2 * (numerator % denominator);
    if (twiceRemainder > denominator || (twiceRemainder == denominator && (quotient % 2) != 0)) {
        ++quotient;
    }
    return quotient;
}

PhaseProgress::PhaseProgress(qint64 rows, int base)
    : m_unit(divideRoundHalfEven(kPhaseSpan * kScale, std::max<qint64>(rows, 1))), m_base(base * kScale) {}

ProgressStep PhaseProgress::at(qint64 k) const {
    const qint64 scaled = std::min(scaledAt(k), kBarMaximum * kScale);
    ProgressStep step;
    step.bar = static_cast<float>(static_cast<double>(scaled) / kScale);
    step.percent = static_cast<int>(divideRoundHalfEven(scaled, kScale));
    step.label = QString::number(step.percent) + u'%';
    return step;
}

int PhaseProgress::percentAt(qint64 k) const {
    return static_cast<int>(divideRoundHalfEven(std::min(scaledAt(k), kBarMaximum * kScale), kScale));
}

QList<ProgressStep> phaseProgress(qint64 rows, int base) {
    QList<ProgressStep> steps;
    const PhaseProgress progress(rows, base);
    steps.reserve(rows);
    for (qint64 k = 1; k <= rows; ++k) {
        steps.append(progress.at(k));
    }
    return steps;
}

} // namespace fangji::dictionary
