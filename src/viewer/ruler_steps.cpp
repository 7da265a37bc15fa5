#include "viewer/ruler_steps.h"

#include <cmath>

namespace
{

// The smallest step of 1, 2 or 5 times a power of ten, at least `smallest`, that spans
// `least` screen pixels at `screenPerUnit`. An inch halves instead: 1/8, 1/4, 1/2, 1, 2, 5.
double stepAtLeast(double least, double screenPerUnit, double smallest)
{
    double step = smallest;
    for (int guard = 0; guard < 64 && step * screenPerUnit < least; ++guard) {
        const double decade = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
        const double mantissa = step / decade;
        if (step < 1 && smallest == 0.125)
            step *= 2; // eighths, quarters, halves
        else if (mantissa < 1.5)
            step = 2 * decade;
        else if (mantissa < 3.5)
            step = 5 * decade;
        else
            step = 10 * decade;
    }
    return step;
}

} // namespace

ruler_steps::Steps ruler_steps::stepsFor(double screenPerUnit, double smallest)
{
    return Steps{stepAtLeast(kNumbersApart, screenPerUnit, smallest),
                 stepAtLeast(kTicksApart, screenPerUnit, smallest)};
}

QString ruler_steps::numberText(qint64 count, double step)
{
    // Decimals from the step, so 0.1 cm steps read 0.3 rather than 0.30000000000000004.
    int decimals = 0;
    for (double part = step; decimals < 3 && std::abs(part - std::round(part)) > 1e-9; part *= 10)
        ++decimals;
    QString text = QString::number(double(count) * step, 'f', decimals);
    if (decimals > 0) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}
