// The stroke recogniser. In this file: helpers (distances, the line test,
// the template filled in); Match with its normalising and scaling; the
// score (closeness, the two walks, directions, the four percentages, the
// decision); IsGesture.
#include "grid/GestureRecognizer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <string>

namespace tallivo {

namespace {

__extension__ typedef __int128 TInt128;

std::int64_t Dist2(TGesturePoint a, TGesturePoint b) {
    const std::int64_t dx = std::int64_t(a.X) - b.X, dy = std::int64_t(a.Y) - b.Y;
    return dx * dx + dy * dy;
}

// The whole line through a and b (not only the segment), tested against
// circles of radius D: it meets one when the discriminant of the
// line-circle equation is positive. By Lagrange's identity that
// discriminant is 4 (|b - a|^2 D^2 - cross^2), cross = (b - a) x (a - c);
// computed exactly (coordinates are within kGestureCoordinateLimit).
class TLineThrough {
public:
    TLineThrough(TGesturePoint a, TGesturePoint b, int D)
        : FDx(std::int64_t(b.X) - a.X), FDy(std::int64_t(b.Y) - a.Y), FA(a),
          FLimit((TInt128(FDx) * FDx + TInt128(FDy) * FDy) * D * D) {}
    bool MeetsCircleAround(TGesturePoint c) const {
        const std::int64_t cross = FDx * (std::int64_t(FA.Y) - c.Y) - FDy * (std::int64_t(FA.X) - c.X);
        return FLimit - TInt128(cross) * cross > 0;
    }

private:
    std::int64_t FDx, FDy;
    TGesturePoint FA;
    TInt128 FLimit;
};

// Closeness of a distance d (given squared): 100 up to k = round(D E / 100),
// falling linearly from there to E at D, 0 beyond D. It counts only above
// E, so only squared distances below Limit ever count; their closeness is
// worked out once per score when there are not too many of them.
class TCloseness {
public:
    // k rounded to nearest, halves away from zero (7.5 -> 8), computed exactly.
    TCloseness(int E, int D) : FE(E), FD(D), FK(int(RoundDiv(std::int64_t(D) * E, 100))) {
        if (D < 0)
            Limit = 0; // no distance is within a negative deviation
        else if (FK < D)
            Limit = std::int64_t(D) * D;
        else // k = D: only the distances up to k, worth 100, can count
            Limit = E < 100 ? std::int64_t(FK) * FK + 1 : 0;
        if (Limit <= kTable) {
            FTable.resize(std::size_t(Limit));
            for (std::int64_t d2 = 0; d2 < Limit; ++d2) FTable[std::size_t(d2)] = Value(d2);
        }
    }
    // For d2 below Limit only.
    double operator()(std::int64_t d2) const { return FTable.empty() ? Value(d2) : FTable[std::size_t(d2)]; }

    std::int64_t Limit = 0;

private:
    static constexpr std::int64_t kTable = 1 << 16;
    double Value(std::int64_t d2) const {
        if (FK >= 0 && d2 <= std::int64_t(FK) * FK) return 100.0;
        return FE + (100.0 - FE) * (FD - std::sqrt(double(d2))) / (FD - FK);
    }
    int FE, FD, FK;
    std::vector<double> FTable;
};

void RemoveConsecutiveDuplicates(TGesturePointArray& points) {
    points.erase(std::unique(points.begin(), points.end()), points.end());
}

// A scale factor kept as an exact fraction, so that coordinates round the
// same way whatever the floating-point representation of the quotient.
struct TRatio {
    std::int64_t Num = 1;
    std::int64_t Den = 1;
    bool IsOne() const { return Num == Den; }
    bool operator<(const TRatio& o) const { return TInt128(Num) * o.Den < TInt128(o.Num) * Den; }
    int Apply(int v) const { return int(RoundDiv(std::int64_t(v) * Num, Den)); }
};

TRatio ScaleOf(int templateMax, int strokeMax) {
    if (templateMax == 0 || strokeMax == 0) return {};
    TRatio r{templateMax, strokeMax};
    if (r.Den < 0) r = {-r.Num, -r.Den};
    return r;
}

// The direction at point i of a sequence of n points: towards the point
// before the next one, or at the last two points from the one before.
// Angles are atan2's, in (-pi, pi], never wrapped.
template <class PointAt> double Direction(PointAt at, int i, int n) {
    if (n < 2) return 0.0;
    TGesturePoint a, b;
    if (i + 1 < n - 1) {
        a = at(i);
        b = at(i + 1);
    } else {
        a = at(i - 1);
        b = at(i);
    }
    return std::atan2(double(a.Y - b.Y), double(a.X - b.X));
}

} // namespace

bool WithinDeviation(TGesturePoint a, TGesturePoint b, int D) {
    // (dx / D)^2 + (dy / D)^2 <= 1, evaluated exactly in integers: a point
    // exactly D away is within.
    if (D < 1) return false;
    return Dist2(a, b) <= std::int64_t(D) * D;
}

TGesturePointArray DensifyTemplate(const TGesturePointArray& G) {
    TGesturePointArray T;
    if (G.empty()) return T;
    T.push_back(G.front());
    for (std::size_t n = 1; n < G.size(); ++n) {
        const TGesturePoint a = G[n - 1], b = G[n];
        const int dx = b.X - a.X, dy = b.Y - a.Y;
        const int adx = std::abs(dx), ady = std::abs(dy);
        const int s = adx != 0 && ady != 0 ? std::min(adx, ady) : std::max(adx, ady);
        // Integer division truncates towards zero, as trunc does.
        for (std::int64_t l = 1; l < s; ++l) T.push_back({a.X + int(l * dx / s), a.Y + int(l * dy / s)});
        T.push_back(b);
    }
    RemoveConsecutiveDuplicates(T);
    return T;
}

// ---------------------------------------------------------------- Match

void TCustomGestureRecognizer::NormalizePoints(TGesturePointArray& Points) {
    if (Points.empty()) return;
    int minX = Points.front().X, minY = Points.front().Y;
    for (const TGesturePoint& p : Points) {
        minX = std::min(minX, p.X);
        minY = std::min(minY, p.Y);
    }
    for (TGesturePoint& p : Points) p = {p.X - minX, p.Y - minY};
}

void TCustomGestureRecognizer::ScalePoints(TGesturePointArray& Points,
                                           const TGesturePointArray& GesturePoints, TGestureOptions Options) {
    if (Points.empty() || GesturePoints.empty()) return;
    const auto maxOf = [](const TGesturePointArray& a, int TGesturePoint::*axis) {
        int m = a.front().*axis;
        for (const TGesturePoint& p : a) m = std::max(m, p.*axis);
        return m;
    };
    TRatio sx = ScaleOf(maxOf(GesturePoints, &TGesturePoint::X), maxOf(Points, &TGesturePoint::X));
    TRatio sy = ScaleOf(maxOf(GesturePoints, &TGesturePoint::Y), maxOf(Points, &TGesturePoint::Y));
    if (!Options.Contains(goSkew) && !sx.IsOne() && !sy.IsOne()) sx = sy = std::min(sx, sy);
    // Rounded to nearest; halves (coordinates are not negative here) go up.
    for (TGesturePoint& p : Points) p = {sx.Apply(p.X), sy.Apply(p.Y)};
}

int TCustomGestureRecognizer::Match(const TGesturePointArray& Points, const TGesturePointArray& GesturePoints,
                                    TGestureOptions Options, TGestureID, int Deviation,
                                    int ErrorMargin) const {
    // Every identifier is matched the same way: the scratch-out gesture's
    // own matcher is not built, no gesture of this system uses it.
    return MatchStroke(Points, GesturePoints, Options, Deviation, ErrorMargin).Score;
}

TGestureScore MatchStroke(const TGesturePointArray& Points, const TGesturePointArray& GesturePoints,
                          TGestureOptions Options, int Deviation, int ErrorMargin) {
    const int E = std::min(100, ErrorMargin + kGestureSensitivityBonus);
    const int D = Deviation;
    if (Points.empty() || GesturePoints.empty()) return {};
    TGesturePointArray P = Points, G = GesturePoints;
    for (TGesturePointArray* a : {&P, &G})
        for (TGesturePoint& p : *a) p = ClampGesturePoint(p);
    TCustomGestureRecognizer::NormalizePoints(P);
    // goRotate would turn the stroke first; no gesture of this system asks for it.
    TCustomGestureRecognizer::ScalePoints(P, G, Options);
    RemoveConsecutiveDuplicates(P);
    const bool uni = Options.Contains(goUniDirectional);
    if (uni && !WithinDeviation(P.front(), G.front(), D)) return {};
    if (Options.Contains(goEndpoint) && !WithinDeviation(P.back(), G.back(), D)) return {};
    TGesturePointArray T = DensifyTemplate(G);
    TGestureScore score = ScoreStroke(P, T, E, D);
    // A stroke drawn backwards gets a second try against the template reversed.
    if (score.Score < E && !uni && WithinDeviation(P.front(), G.back(), D)) {
        std::reverse(T.begin(), T.end());
        score = ScoreStroke(P, T, E, D);
    }
    return score;
}

// ---------------------------------------------------------------- Score

TGestureScore ScoreStroke(const TGesturePointArray& P, const TGesturePointArray& T, int E, int D) {
    TGestureScore r;
    if (P.empty() || T.empty()) return r;
    const int nP = int(P.size()), nT = int(T.size());

    const TCloseness closeness(E, D);
    std::vector<double> IP(std::size_t(nP), 0.0), TP(std::size_t(nT), 0.0);
    std::vector<int> H(std::size_t(nT), 0);
    const auto keepBest = [&](double& slot, std::int64_t d2) {
        if (d2 >= closeness.Limit) return;
        if (const double c = closeness(d2); c > slot) slot = c;
    };
    // Template points in order, with a stroke cursor that never goes back.
    for (int i = 0, j = 0; i < nT; ++i) {
        while (j + 1 < nP && WithinDeviation(T[i], P[j + 1], D)) ++j;
        for (int q = 0; q <= j; ++q) keepBest(IP[q], Dist2(T[i], P[q]));
    }
    // Stroke points in order, with a template cursor that never goes back.
    for (int j = 0, m = 0; j < nP; ++j) {
        while (m + 1 < nT && WithinDeviation(P[j], T[m + 1], D)) ++m;
        for (int i = 0; i <= m; ++i) keepBest(TP[i], Dist2(P[j], T[i]));
        if (j + 1 < nP) {
            const TLineThrough line(P[j], P[j + 1], D);
            for (int i = 0; i <= m; ++i)
                if (line.MeetsCircleAround(T[i])) ++H[i];
        }
    }

    // The stroke point nearest to each template point (the first of equals).
    std::vector<int> N(std::size_t(nT), 0);
    for (int i = 0; i < nT; ++i) {
        std::int64_t best = Dist2(T[i], P[0]);
        for (int q = 1; q < nP; ++q)
            if (const std::int64_t d2 = Dist2(T[i], P[q]); d2 < best) {
                best = d2;
                N[i] = q;
            }
    }
    // Directions: taken literally, AT - t < AN < AT + t, without wrapping at
    // +-pi (a stroke running along pi loses the points where it wobbles to -pi).
    const double t = E * std::numbers::pi / 100.0;
    int agreeing = 0, crossed = 0;
    for (int i = 0; i < nT; ++i) {
        const double at = Direction([&](int n) { return T[n]; }, i, nT);
        const double an = Direction([&](int n) { return P[N[n]]; }, i, nT);
        if (an == 0.0 || (at - t < an && an < at + t)) ++agreeing;
        if (H[i] > 0) ++crossed;
    }

    // Each closeness rounded to nearest (halves away from zero), then
    // summed and divided with the remainder dropped.
    std::int64_t sumIP = 0, sumTP = 0;
    for (double v : IP) sumIP += std::lround(v);
    for (double v : TP) sumTP += std::lround(v);
    r.P0 = int(sumIP / nP);
    r.P1 = int(sumTP / nT);
    // Rounded to nearest, halves away from zero, computed exactly.
    r.P2 = int(RoundDiv(100 * std::int64_t(agreeing), nT));
    r.P3 = int(RoundDiv(100 * std::int64_t(crossed), nT));

    const int L = 100 - E;
    const int values[4] = {r.P0, r.P1, r.P2, r.P3};
    const int smallest = *std::min_element(std::begin(values), std::end(values));
    if (smallest > L) {
        r.Score = smallest;
        return r;
    }
    double high = 0, low = 0;
    int highCount = 0, lowCount = 0;
    for (int v : values) {
        if (v <= L / 4) return r; // one part far too low: no match
        if (v > L) {
            high += v;
            ++highCount;
        } else {
            low += v;
            ++lowCount;
        }
    }
    if (highCount == 0 || lowCount == 0) return r;
    // The two group means are taken exactly; only their average is truncated.
    const int mean = int(std::trunc((high / highCount + low / lowCount) / 2));
    r.Score = mean > L ? mean : 0;
    return r;
}

// ---------------------------------------------------------------- IsGesture

bool TGestureRecognizer::IsGesture(const TGesturePointArray& Points, const TGestureList& Gestures,
                                   TGestureTypes Types, TGestureEventInfo& Info,
                                   std::vector<int>* Scores) const {
    if (Scores) Scores->assign(Gestures.size(), 0);
    int best = 0;
    TGestureID bestId = sgiNoGesture;
    const auto consider = [&](std::size_t index, int score) {
        if (Scores) (*Scores)[index] = score;
        if (score > best) {
            best = score;
            bestId = Gestures[index].GestureID;
        }
    };
    // Standard gestures first, against their templates; the others after, against their own points.
    if (Types.Contains(gtStandard)) {
        for (std::size_t n = 0; n < Gestures.size(); ++n) {
            const TGestureListItem& g = Gestures[n];
            if (g.GestureType != gtStandard) continue;
            const TStandardGestureData* data = FindStandardGesture(g.GestureID);
            if (!data)
                throw EGestureError("ID de mouvement non valide (" + std::to_string(int(g.GestureID)) + ")");
            consider(n, Match(Points, data->Points, data->Options, data->GestureID, data->Deviation,
                              data->ErrorMargin));
        }
    }
    for (std::size_t n = 0; n < Gestures.size(); ++n) {
        const TGestureListItem& g = Gestures[n];
        if (g.GestureType == gtStandard || !Types.Contains(g.GestureType)) continue;
        consider(n, Match(Points, g.Points, g.Options, g.GestureID, g.Deviation, g.ErrorMargin));
    }
    if (best <= 0) return false;
    Info.GestureID = bestId;
    return true;
}

TGestureRecognizer& GestureRecognizer() {
    static TGestureRecognizer instance;
    return instance;
}

} // namespace tallivo
