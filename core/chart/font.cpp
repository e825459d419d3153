#include "core/chart/font.h"

FontDesc DefaultChartFont()
{
    return {"DejaVu Sans", 11, 0, 0};
}
