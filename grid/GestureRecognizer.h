#pragma once
// The recogniser of swipe strokes: a stroke (client pixels, in drawing
// order) is normalised, scaled to a template, and scored 0-100 by how close
// its points lie to the template's, how much of the template it covers, and
// whether it runs in the template's direction. IsGesture picks the best of a
// list of gestures; a best score above 0 recognises it. No display needed.

#include "grid/GestureTypes.h"

namespace tallivo {

// Added to every error margin (sensitivity 80: round((100 - 80)^2 / 100)).
inline constexpr int kGestureSensitivityBonus = 4;

// The parts of a score, for those who need to know why a stroke scored as
// it did (tests, the support tool).
struct TGestureScore {
    int P0 = 0; // closeness of the stroke's points to the template
    int P1 = 0; // closeness of the template's points to the stroke
    int P2 = 0; // template points the stroke follows in their direction
    int P3 = 0; // template points whose neighbourhood the stroke's lines cross
    int Score = 0;
};

class TCustomGestureRecognizer {
public:
    virtual ~TCustomGestureRecognizer() = default;

    // The score (0 = no match) of stroke Points against the template
    // GesturePoints. ErrorMargin is the margin before the sensitivity bonus.
    virtual int Match(const TGesturePointArray& Points, const TGesturePointArray& GesturePoints,
                      TGestureOptions Options, TGestureID GestureID, int Deviation, int ErrorMargin) const;

    // Moves the stroke so that its smallest x and smallest y are 0.
    static void NormalizePoints(TGesturePointArray& Points);
    // Stretches a normalised stroke to the template's extent (see Match).
    static void ScalePoints(TGesturePointArray& Points, const TGesturePointArray& GesturePoints,
                            TGestureOptions Options);
};

class TGestureRecognizer : public TCustomGestureRecognizer {
public:
    // Matches the stroke against every gesture of the list whose type is in
    // Types (standard ones first, against their templates); the best score
    // wins, an earlier gesture keeping a tie. True when the best score is
    // above 0; Info.GestureID is then that gesture. Scores, when given,
    // receives each item's score (0 for items not tried), in list order.
    // Fails with "ID de mouvement non valide (%d)" for a standard gesture
    // without a template.
    bool IsGesture(const TGesturePointArray& Points, const TGestureList& Gestures, TGestureTypes Types,
                   TGestureEventInfo& Info, std::vector<int>* Scores = nullptr) const;
};

// The one recogniser of the program, created at first use.
TGestureRecognizer& GestureRecognizer();

// ---- The steps of Match, for tests and tools.

// Match with the parts of the score it ended with (those of the reversed
// try when there was one; all 0 when the stroke was refused before scoring).
TGestureScore MatchStroke(const TGesturePointArray& Points, const TGesturePointArray& GesturePoints,
                          TGestureOptions Options, int Deviation, int ErrorMargin);

// Whether a lies within distance D of b (never for D < 1).
bool WithinDeviation(TGesturePoint a, TGesturePoint b, int D);
// The template with every segment filled with points one step apart.
TGesturePointArray DensifyTemplate(const TGesturePointArray& GesturePoints);
// The score of a normalised, scaled stroke P against a densified template T,
// with the error margin E (bonus included) and deviation D. Coordinates are
// within kGestureCoordinateLimit (Match clamps them).
TGestureScore ScoreStroke(const TGesturePointArray& P, const TGesturePointArray& T, int E, int D);

} // namespace tallivo
