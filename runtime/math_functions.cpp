// Number functions: trigonometry in degrees, roots and powers, remainders, the rectangle overlap test.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "runtime/number_args.h"
#include "runtime/runtime.h"

namespace {

constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr double kDegreesPerRadian = 57.29577951308232;

// Whether the intervals [a, a + la] and [b, b + lb] (lengths may be negative) overlap or touch.
bool IntervalsMeet(double a, double la, double b, double lb) {
    const double start = std::max(std::min(a, a + la), std::min(b, b + lb));
    const double end = std::min(std::max(a, a + la), std::max(b, b + lb));
    return start <= end;
}

}  // namespace

double Sin(double degrees) { return std::sin(degrees * kRadiansPerDegree); }
double Cos(double degrees) { return std::cos(degrees * kRadiansPerDegree); }
double Tan(double degrees) { return std::tan(degrees * kRadiansPerDegree); }
double ATan(double y, double x) { return std::atan2(y, x) * kDegreesPerRadian; }

double ACos(double x) {
    if (x >= 1) return 0;
    if (x <= -1) return 180;
    return std::acos(x) * kDegreesPerRadian;
}

double Sqr(double x) { return std::sqrt(x); }
double Abs(double x) { return x >= 0 ? x : -x; }
double Pow(double x, double y) { return std::pow(x, y); }
double FMod(double x, double y) { return y == 0 ? 0 : std::fmod(x, y); }

double IntMod(double x, double y) {
    const std::int32_t divisor = tarvok::ToInt(y);
    // The divisor is tested after truncation (0.5 is 0); -2147483648 % -1 would trap.
    if (divisor == 0 || divisor == -1) return 0;
    return tarvok::ToInt(x) % divisor;
}

double BoxCollision(double x1, double y1, double w1, double h1, double x2, double y2, double w2, double h2) {
    return IntervalsMeet(x1, w1, x2, w2) && IntervalsMeet(y1, h1, y2, h2) ? 1 : 0;
}

double NumberTextLength(double x) {
    char text[32];
    return FormatNumberText(x, text);
}
