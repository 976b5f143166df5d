#pragma once
// What the sender (tallivo-sync) tells the workstation beside it: the state
// of the sending, in ENVOI.TXT in the counting folder, replaced as a whole at
// every change, and whether a sender runs at all: a sender holds a lock on
// ENVOI.LCK for its whole life. The workstation shows the state only while a
// sender runs; with none, its window stays as it always was.
//
// ENVOI.TXT holds UTF-8 lines "key=value": etat (envoye, attente,
// injoignable, erreur), attente (changes not yet confirmed by the server),
// depuis (ms since 1970 UTC: since when the server is unreachable or the
// failure lasts), message (the reason), inventaire (the stock-take),
// confirme (EPOCH:SEQUENCE, the last change the server confirmed, so that a
// sender started while the server is away counts what truly waits).

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace tallivo {

inline constexpr char kSenderStatusFileName[] = "ENVOI.TXT";
inline constexpr char kSenderLockFileName[] = "ENVOI.LCK";

struct TSenderStatus {
    enum class TState { Sent, Pending, Unreachable, Failed };
    TState State = TState::Sent;
    int64_t Pending = 0;
    int64_t Since = 0;
    QString Message;
    QString StockTake;
    int64_t ConfirmedEpoch = 0, ConfirmedSequence = 0;
    bool operator==(const TSenderStatus&) const = default;
};

QByteArray EncodeSenderStatus(const TSenderStatus& status);
// Nothing when the text does not give a state.
std::optional<TSenderStatus> ParseSenderStatus(const QByteArray& text);

// The words the operator reads: "Envoyé", "3 en attente", "Serveur
// injoignable depuis 10:42 (3 en attente)", "Envoi impossible : ...".
QString SenderStatusText(const TSenderStatus& status);

// Replaces ENVOI.TXT. Raises EInOutError when it cannot.
void WriteSenderStatus(const QString& folder, const TSenderStatus& status);
// The state of the sender running for the folder; nothing when none runs
// (or its file is missing or unreadable).
std::optional<TSenderStatus> ReadSenderStatus(const QString& folder);

// True while a sender holds ENVOI.LCK.
bool SenderRunning(const QString& folder);

// The sender's side: ENVOI.LCK held while the object lives.
class TSenderLock {
public:
    explicit TSenderLock(const QString& folder);
    ~TSenderLock();
    TSenderLock(const TSenderLock&) = delete;
    TSenderLock& operator=(const TSenderLock&) = delete;
    bool Held() const { return FFd >= 0; }

private:
    int FFd = -1;
};

} // namespace tallivo
