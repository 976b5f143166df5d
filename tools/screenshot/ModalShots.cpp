#include "ModalShots.h"

#include "toolkit/Forms.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <algorithm>

namespace tallivo::shots {

namespace {

constexpr int kPaintMs = 150;   // a window shown this long has painted
constexpr int kGiveUpMs = 5000; // a scene that went wrong ends here

void EndModal(QWidget* modal, int result) {
    if (auto* form = dynamic_cast<TForm*>(modal))
        form->SetModalResult(result);
    else if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
}

} // namespace

std::function<void(QWidget*)> AnswerWith(int modalResult) {
    return [modalResult](QWidget* modal) { EndModal(modal, modalResult); };
}

QWidget* PictureOfModal(const std::function<void()>& open, std::vector<TModalStep> steps) {
    QImage kept;
    size_t next = 0;
    // Windows already answered stay the active modal widget until their
    // loop has ended: they must not take the next step.
    std::vector<QPointer<QWidget>> answered;
    QPointer<QWidget> current;
    QElapsedTimer shown, total;
    total.start();
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || std::find(answered.begin(), answered.end(), modal) != answered.end()) return;
        if (next >= steps.size() || total.elapsed() > kGiveUpMs) {
            answered.emplace_back(modal);
            EndModal(modal, mrCancel);
            return;
        }
        if (modal != current) {
            current = modal;
            shown.start();
            if (steps[next].Prepare) steps[next].Prepare(modal);
        }
        if (steps[next].Keep && shown.elapsed() < kPaintMs) return;
        if (steps[next].Keep) kept = modal->grab().toImage();
        answered.emplace_back(modal);
        steps[next++].Answer(modal);
    });
    poll.start();
    open();
    poll.stop();
    if (kept.isNull()) return nullptr;
    auto* picture = new QLabel;
    picture->setPixmap(QPixmap::fromImage(kept));
    picture->setContentsMargins(0, 0, 0, 0);
    picture->setFixedSize(kept.size());
    return picture;
}

} // namespace tallivo::shots
