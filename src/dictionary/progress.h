#pragma once

#include <QList>
#include <QString>

// Progress of dictionary generation: each of the three phases advances the bar by
// 33 over its rows, from its base (0, 33, 66), in fixed-point arithmetic with four
// decimal places (values scaled by 10,000, rounded half to even).
namespace fangji::dictionary {

// What the progress window shows after one row.
struct ProgressStep {
    float bar = 0.0f; // the exact fixed-point progress, as a single-precision number
    int percent = 0;  // the progress rounded to a whole number, half to even
    QString label;    // percent followed by "%"

    friend bool operator==(const ProgressStep&, const ProgressStep&) = default;
};

// Rounds numerator / denominator to the nearest integer, halves to even (denominator > 0).
qint64 divideRoundHalfEven(qint64 numerator, qint64 denominator);

class PhaseProgress {
public:
    // rows > 0 rows in a phase that starts at base percent.
    PhaseProgress(qint64 rows, int base);

    // The step unit 33 / rows, scaled by 10,000.
    qint64 unitScaled() const { return m_unit; }
    // Progress after row k (1-based), scaled by 10,000.
    qint64 scaledAt(qint64 k) const { return k * m_unit + m_base; }
    // What the window shows after row k (1-based). Beyond 20,000 rows the rounding of
    // the unit can carry the progress past 100; what is shown then stops at 100.
    ProgressStep at(qint64 k) const;
    // The percentage shown after row k, without building the step: a phase asks this
    // for every row and builds the step only when the percentage changes.
    int percentAt(qint64 k) const;

private:
    qint64 m_unit = 0;
    qint64 m_base = 0;
};

// The steps shown for a phase of rows rows starting at base.
QList<ProgressStep> phaseProgress(qint64 rows, int base);

// The bases of the three phases.
inline constexpr int kPhaseBases[3] = {0, 33, 66};

} // namespace fangji::dictionary
