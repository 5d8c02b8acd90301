#include "chart/svg.h"

#include <cmath>
#include <cstdio>

namespace tasc::svg {

std::string num(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.2f", v);
  return b;
}

std::string label(double v) {
  if (std::fabs(v) < 1e-9) v = 0;
  char b[32];
  std::snprintf(b, sizeof b, "%.3g", v);
  return b;
}

std::string escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

double tickStep(double span, int count) {
  const double raw = span / count;
  const double mag = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    if (raw <= m * mag) return m * mag;
  }
  return 10 * mag;
}

int tickCount(double first, double last, double step) {
  if (!(step > 0) || !(last + 1e-9 >= first)) return 0;
  const double n = std::floor((last + 1e-9 - first) / step) + 1;
  return n >= 100 ? 100 : static_cast<int>(n);
}

}  // namespace tasc::svg
