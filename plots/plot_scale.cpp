// Round tick steps (the next of 1, 2, 5 times a power of ten above the width
// over the tick count) and the clamped mapping to picture coordinates.
#include "plots/plot_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

// How far outside its panel a mapped coordinate may lie, in panel sizes.
constexpr double kMapReach = 4.0;

// The smallest of 1, 2, 5 times a power of ten not below dRaw (> 0).
double RoundStepFind(double dRaw) {
    const double dPower = std::pow(10.0, std::floor(std::log10(dRaw)));
    for (const double dMultiple : {1.0, 2.0, 5.0, 10.0}) {
        if (dMultiple * dPower >= dRaw * (1.0 - 1e-12)) {
            return dMultiple * dPower;
        }
    }
    return 10.0 * dPower;
}

double Clamped(double dValue, double dLow, double dHigh) {
    return std::isnan(dValue) ? dValue : std::clamp(dValue, dLow, dHigh);
}

} // namespace

AxisScale AxisScaleMake(double dLow, double dHigh, double dPadding, int iNoTicks) {
    AxisScale scale;
    if (!std::isfinite(dLow) || !std::isfinite(dHigh) || dLow > dHigh ||
        !std::isfinite(dHigh - dLow)) {
        dLow = 0.0;
        dHigh = 1.0;
    }
    double dWidth = dHigh - dLow;
    if (dWidth <= 1e-12 * std::max(std::fabs(dLow), std::fabs(dHigh))) {
        // A flat range: one unit around 0, else a tenth of the value.
        const double dHalf = dLow == 0.0 ? 1.0 : 0.1 * std::fabs(dLow);
        dLow -= dHalf;
        dHigh += dHalf;
        dWidth = dHigh - dLow;
    }
    scale.dLow = dLow - dPadding * dWidth;
    scale.dHigh = dHigh + dPadding * dWidth;
    scale.dTickStep = RoundStepFind((scale.dHigh - scale.dLow) / std::max(iNoTicks, 1));
    const double dFirst = std::ceil(scale.dLow / scale.dTickStep);
    for (double k = dFirst; k * scale.dTickStep <= scale.dHigh; k++) {
        // Rounding leaves -0 or 1e-17 where the tick is 0.
        const double dTick = k * scale.dTickStep;
        scale.adTicks.push_back(std::fabs(dTick) < 1e-9 * scale.dTickStep ? 0.0 : dTick);
    }
    return scale;
}

std::string TickLabel(double dValue, double dStep) {
    char acText[32];
    const double dMagnitude = std::max(std::fabs(dValue), dStep);
    if (dMagnitude >= 1e6 || dMagnitude < 1e-4) {
        std::snprintf(acText, sizeof acText, "%.3g", dValue);
    } else {
        const int iDecimals = std::max(0, static_cast<int>(-std::floor(std::log10(dStep) + 1e-9)));
        std::snprintf(acText, sizeof acText, "%.*f", iDecimals, dValue);
    }
    return acText;
}

double PanelFrame::XMap(double dX) const {
    const double dPicture = dLeft + (dX - x.dLow) / (x.dHigh - x.dLow) * dWidth;
    return Clamped(dPicture, dLeft - kMapReach * dWidth, dLeft + (1 + kMapReach) * dWidth);
}

double PanelFrame::YMap(double dY) const {
    const double dPicture = dTop + (y.dHigh - dY) / (y.dHigh - y.dLow) * dHeight;
    return Clamped(dPicture, dTop - kMapReach * dHeight, dTop + (1 + kMapReach) * dHeight);
}

std::vector<ColumnSpan> PointColumnsBin(std::span<const double> adX, std::span<const double> adY,
                                        const PanelFrame &frame) {
    const int iNoColumns = std::max(1, static_cast<int>(frame.dWidth));
    std::vector<ColumnSpan> columns(iNoColumns, {0.0, HUGE_VAL, -HUGE_VAL});
    for (size_t i = 0; i < adX.size(); i++) {
        const double dColumn = std::floor(frame.XMap(adX[i]) - frame.dLeft);
        if (!(dColumn >= 0 && dColumn < iNoColumns) || !std::isfinite(adY[i])) {
            continue;
        }
        ColumnSpan &column = columns[static_cast<int>(dColumn)];
        column.dYLow = std::min(column.dYLow, adY[i]);
        column.dYHigh = std::max(column.dYHigh, adY[i]);
    }
    std::vector<ColumnSpan> filled;
    for (int i = 0; i < iNoColumns; i++) {
        if (columns[i].dYLow <= columns[i].dYHigh) {
            const double dX =
                frame.x.dLow + (i + 0.5) / frame.dWidth * (frame.x.dHigh - frame.x.dLow);
            filled.push_back({dX, columns[i].dYLow, columns[i].dYHigh});
        }
    }
    return filled;
}
