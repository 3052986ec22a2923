#pragma once

// Lengths are kept in twips (1/1440 inch), the unit of every stored setting and
// of the layout arithmetic; they become pixels only where a widget is placed.
namespace quorvel::ui {

inline constexpr double kTwipsPerInch = 1440.0;

// Logical dots per inch of the primary screen (96 when there is none).
double logicalDpi();

int twipsToPx(double twips);
double pxToTwips(int px);

}  // namespace quorvel::ui
