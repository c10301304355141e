#pragma once

// The value rounded to the given number of decimal places, halves away from
// zero (1.005 to two places is 1.0: the product 100.49999999999999 rounds down).
double rounded(double value, int toPlaces);
