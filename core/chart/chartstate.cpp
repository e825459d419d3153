#include "core/chart/chartstate.h"

TColor DefaultScaleColor(int layer)
{
    static constexpr TColor colors[16] = {clBlack,  clMaroon, clGreen, clOlive,  clNavy, clPurple,  clTeal, clGray,
                                          clSilver, clRed,    clLime,  clYellow, clBlue, clFuchsia, clAqua, clWhite};
    return colors[ChartState::index(layer)];
}

ChartState::ChartState()
{
    for (int n = 1; n <= Layers; ++n) {
        ScaleSettings& x = ScaleX[std::size_t(n - 1)];
        ScaleSettings& y = ScaleY[std::size_t(n - 1)];
        x.ColorScale = y.ColorScale = DefaultScaleColor(n);
        // The published side reads bottom and left until it is written; the drawn side
        // alternates (EffectiveScaleLocation).
        x.ScaleLocation = slBottom;
        y.ScaleLocation = slLeft;
        x.ScalePos = ((n - 1) / 2) * 30;
        y.ScalePos = ((n - 1) / 2) * 50;
        JointX[std::size_t(n - 1)] = JointY[std::size_t(n - 1)] = n;
    }
    LayerVisible.fill(true);
    ClassVisible.fill(true);
}
