// Small pieces of SVG text shared by the charts of the tools.
#pragma once

#include <string>

namespace tasc::svg {

// A coordinate with two decimals.
std::string num(double v);
// A tick label: up to three significant digits, no trailing zeros, no "-0".
std::string label(double v);
// Text content with the XML specials escaped.
std::string escape(const std::string& text);
// A "nice" tick step for a span, about `count` ticks.
double tickStep(double span, int count);
// Ticks first, first + step, ... up to last (and a hair past, for rounding);
// counted as integers, at most 100.
int tickCount(double first, double last, double step);

}  // namespace tasc::svg
