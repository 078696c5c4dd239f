// Maths the game's rules need beyond + - * / and sqrt, computed the same on every build: in
// double-double arithmetic of our own, never the C library, whose results differ between versions
// and compilers. Header-only, so the build-time generators use it too.
//
// Double-double: a value is hi + lo with |lo| at most half an ulp of hi, about 106 bits. Every
// step is plain IEEE double arithmetic (the build turns off contraction into fused multiply-adds,
// which would change the error terms), so the results are the same bits everywhere.
#pragma once

#include <cmath>

namespace exact {

struct Double2 {
    double hi = 0.0;
    double lo = 0.0;
};

// The sum and product of two doubles, exactly.
inline Double2 TwoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

inline Double2 QuickTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

inline Double2 TwoProduct(double a, double b) {
    constexpr double SPLITTER = 134217729.0;  // 2^27 + 1
    const double p = a * b;
    const double ta = SPLITTER * a, tb = SPLITTER * b;
    const double ah = ta - (ta - a), al = a - ah;
    const double bh = tb - (tb - b), bl = b - bh;
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

inline Double2 Add(Double2 a, Double2 b) {
    Double2 s = TwoSum(a.hi, b.hi);
    s.lo += a.lo + b.lo;
    return QuickTwoSum(s.hi, s.lo);
}

inline Double2 Multiply(Double2 a, Double2 b) {
    Double2 p = TwoProduct(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return QuickTwoSum(p.hi, p.lo);
}

inline Double2 Divide(Double2 a, double b) {
    const double q1 = a.hi / b;
    const Double2 p = TwoProduct(q1, b);
    Double2 r = TwoSum(a.hi, -p.hi);
    r.lo = r.lo - p.lo + a.lo;
    const double q2 = (r.hi + r.lo) / b;
    return QuickTwoSum(q1, q2);
}

inline Double2 Negate(Double2 a) { return {-a.hi, -a.lo}; }

constexpr Double2 PI{0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53};
constexpr Double2 LN2{0x1.62e42fefa39efp-1, 0x1.abc9e3b39803fp-56};

// sin x for |x| up to about 2, by its Taylor series until the terms no longer count.
inline Double2 SinSeries(Double2 x) {
    const Double2 x2 = Multiply(x, x);
    Double2 term = x, sum = x;
    for (int n = 1; n < 40 && std::fabs(term.hi) > 0x1p-120; ++n) {
        term = Negate(Divide(Multiply(term, x2), static_cast<double>((2 * n) * (2 * n + 1))));
        sum = Add(sum, term);
    }
    return sum;
}

// cos x for |x| up to about 2, likewise.
inline Double2 CosSeries(Double2 x) {
    const Double2 x2 = Multiply(x, x);
    Double2 term{1.0, 0.0}, sum{1.0, 0.0};
    for (int n = 1; n < 40 && std::fabs(term.hi) > 0x1p-120; ++n) {
        term = Negate(Divide(Multiply(term, x2), static_cast<double>((2 * n - 1) * (2 * n))));
        sum = Add(sum, term);
    }
    return sum;
}

// sin x for |x| up to a few turns: x less the nearest multiple of a quarter turn, then the series
// of the sine or the cosine of what is left.
inline Double2 Sin(Double2 x) {
    const Double2 quarter{PI.hi / 2.0, PI.lo / 2.0};
    const double k = std::floor(x.hi / quarter.hi + 0.5);
    const Double2 y = Add(x, Negate(Multiply({k, 0.0}, quarter)));
    const int q = static_cast<int>(k - 4.0 * std::floor(k / 4.0));
    switch (q) {
        case 0:
            return SinSeries(y);
        case 1:
            return CosSeries(y);
        case 2:
            return Negate(SinSeries(y));
        default:
            return Negate(CosSeries(y));
    }
}

// t in [0, 1]: the angle whose tangent is t, by Newton's method on sin x - t cos x from a first
// guess a quarter turn's share of t; each step doubles the bits that are right.
inline Double2 AtanUnit(Double2 t) {
    Double2 x = Multiply(t, {PI.hi / 4.0, PI.lo / 4.0});
    for (int i = 0; i < 8; ++i) {
        const Double2 s = SinSeries(x), c = CosSeries(x);
        const Double2 f = Add(s, Negate(Multiply(t, c)));
        const Double2 d = Add(c, Multiply(t, s));
        x = Add(x, Negate(Divide(f, d.hi)));
    }
    return x;
}

// The angle of the point (x, y) from the positive x axis, -pi to pi, for whole coordinates; 0 at
// the origin and pi on the negative x axis.
inline Double2 Atan2(int y, int x) {
    if (x == 0 && y == 0) return {0.0, 0.0};
    const double ax = x < 0 ? -static_cast<double>(x) : x, ay = y < 0 ? -static_cast<double>(y) : y;
    Double2 angle = ay <= ax ? AtanUnit(Divide({ay, 0.0}, ax))
                             : Add({PI.hi / 2.0, PI.lo / 2.0}, Negate(AtanUnit(Divide({ax, 0.0}, ay))));
    if (x < 0) angle = Add(PI, Negate(angle));
    return y < 0 ? Negate(angle) : angle;
}

// The float nearest a double-double (ties to even). Rounding hi alone is right except when hi
// lies exactly halfway between two floats; lo then says which way the whole value lies.
inline float NearestFloat(Double2 v) {
    const float f = static_cast<float>(v.hi);
    const double d = v.hi - static_cast<double>(f);
    if (d == 0.0 || v.lo == 0.0) return f;
    const float toward = std::nextafter(f, d > 0.0 ? INFINITY : -INFINITY);
    const double half = (static_cast<double>(toward) - static_cast<double>(f)) / 2.0;
    if (d == half && (v.lo > 0.0) == (d > 0.0)) return toward;
    return f;
}

// e to the power x, correctly rounded but for values within 2^-100 of halfway between two
// doubles. For -700 <= x <= 700; beyond, 0 below and infinity above.
inline double Exp(double x) {
    if (x != x) return x;
    if (x < -700.0) return 0.0;
    if (x > 700.0) return INFINITY;
    // x = k ln 2 + r with |r| at most about ln 2 / 2; then e^x = 2^k e^r.
    const double k = std::floor(x / LN2.hi + 0.5);
    const Double2 kln2 = Multiply({k, 0.0}, LN2);
    const Double2 r = Add({x, 0.0}, Negate(kln2));
    Double2 term{1.0, 0.0}, sum{1.0, 0.0};
    for (int n = 1; n < 40 && std::fabs(term.hi) > 0x1p-110; ++n) {
        term = Divide(Multiply(term, r), static_cast<double>(n));
        sum = Add(sum, term);
    }
    return std::ldexp(sum.hi + sum.lo, static_cast<int>(k));
}

}  // namespace exact
