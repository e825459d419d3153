#include "core/chart/color.h"

TColor ClassicSystemColor(unsigned index)
{
    switch (index) {
    case 5: // window
        return 0xFFFFFF;
    case 8: // window text
    case 18: // button text
        return 0x000000;
    case 15: // button face
        return 0xC0C0C0;
    case 16: // button shadow
    case 17: // grey text
        return 0x808080;
    case 20: // button highlight
        return 0xFFFFFF;
    default:
        return 0x000000;
    }
}

TColor ResolveClassicColor(TColor color)
{
    return IsSystemColor(color) ? ClassicSystemColor(color & 0xFF) : (color & 0xFFFFFF);
}
