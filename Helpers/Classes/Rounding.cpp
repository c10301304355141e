#include "Rounding.h"

#include <cmath>

double rounded(double value, int toPlaces)
{
    const double scale = std::pow(10.0, toPlaces);
    return std::round(value * scale) / scale;
}
