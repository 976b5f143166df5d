#pragma once
// Pictures of the modal windows that the program's own handlers open: a
// handler is run as the operator's touch would run it, and each modal window
// it opens (a keypad, a question, an error box) is answered in turn, one of
// them after its picture was taken.

#include <QWidget>
#include <functional>
#include <vector>

namespace tallivo::shots {

struct TModalStep {
    // Runs when the window has opened (what the operator does in it first).
    std::function<void(QWidget* modal)> Prepare;
    // Keep the picture of this window (once it has painted).
    bool Keep = false;
    // Ends the window: sets the answer the operator would give.
    std::function<void(QWidget* modal)> Answer;
};

// Runs open, which opens modal windows one after the other; step i answers
// the i-th of them. Returns a widget showing the picture of the kept window,
// or nullptr when it never opened (or no step keeps one). A window that no step answers is closed
// after a few seconds, so that a scene that went wrong cannot hang.
QWidget* PictureOfModal(const std::function<void()>& open, std::vector<TModalStep> steps);

// Answers: a modal result for the program's own windows; a dialog of Qt's
// (the error box) is rejected, which is its OK.
std::function<void(QWidget*)> AnswerWith(int modalResult);

} // namespace tallivo::shots
