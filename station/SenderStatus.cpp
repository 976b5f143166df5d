#include "station/SenderStatus.h"

#include "base/Exception.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tallivo {

namespace {

struct TStateName {
    TSenderStatus::TState State;
    const char* Name;
};

constexpr TStateName kStates[] = {
    {TSenderStatus::TState::Sent, "envoye"},
    {TSenderStatus::TState::Pending, "attente"},
    {TSenderStatus::TState::Unreachable, "injoignable"},
    {TSenderStatus::TState::Failed, "erreur"},
};

QString PathOf(const QString& folder, const char* name) {
    return folder + u'/' + QLatin1String(name);
}

// One line per value: a reason never breaks the format.
QByteArray OneLine(const QString& text) {
    QString s = text;
    s.replace(u'\r', u' ').replace(u'\n', u' ');
    return s.toUtf8();
}

} // namespace

QByteArray EncodeSenderStatus(const TSenderStatus& status) {
    QByteArray out;
    for (const TStateName& s : kStates)
        if (s.State == status.State) out += QByteArray("etat=") + s.Name + '\n';
    out += "attente=" + QByteArray::number(qlonglong(status.Pending)) + '\n';
    out += "depuis=" + QByteArray::number(qlonglong(status.Since)) + '\n';
    out += "message=" + OneLine(status.Message) + '\n';
    out += "inventaire=" + OneLine(status.StockTake) + '\n';
    out += "confirme=" + QByteArray::number(qlonglong(status.ConfirmedEpoch)) + ':' +
           QByteArray::number(qlonglong(status.ConfirmedSequence)) + '\n';
    return out;
}

std::optional<TSenderStatus> ParseSenderStatus(const QByteArray& text) {
    TSenderStatus status;
    bool haveState = false;
    for (const QByteArray& line : text.split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq < 0) continue;
        const QByteArray key = line.left(eq), value = line.mid(eq + 1);
        if (key == "etat") {
            for (const TStateName& s : kStates)
                if (value == s.Name) status.State = s.State, haveState = true;
        } else if (key == "attente") {
            status.Pending = value.toLongLong();
        } else if (key == "depuis") {
            status.Since = value.toLongLong();
        } else if (key == "message") {
            status.Message = QString::fromUtf8(value);
        } else if (key == "inventaire") {
            status.StockTake = QString::fromUtf8(value);
        } else if (key == "confirme") {
            const qsizetype colon = value.indexOf(':');
            status.ConfirmedEpoch = value.left(colon).toLongLong();
            status.ConfirmedSequence = value.mid(colon + 1).toLongLong();
        }
    }
    if (!haveState) return std::nullopt;
    return status;
}

QString SenderStatusText(const TSenderStatus& status) {
    const QString waiting = QStringLiteral("%1 en attente").arg(status.Pending);
    const QString since = QDateTime::fromMSecsSinceEpoch(status.Since).toString(QStringLiteral("HH:mm"));
    switch (status.State) {
    case TSenderStatus::TState::Sent:
        return QStringLiteral("Envoyé");
    case TSenderStatus::TState::Pending:
        return status.Pending > 0 ? waiting : QStringLiteral("Envoyé");
    case TSenderStatus::TState::Unreachable:
        return QStringLiteral("Serveur injoignable depuis %1").arg(since) +
               (status.Pending > 0 ? QStringLiteral(" (%1)").arg(waiting) : QString());
    case TSenderStatus::TState::Failed:
        return QStringLiteral("Envoi impossible : %1").arg(status.Message);
    }
    return {};
}

void WriteSenderStatus(const QString& folder, const TSenderStatus& status) {
    const QString path = PathOf(folder, kSenderStatusFileName);
    QSaveFile file(path);
    const QByteArray text = EncodeSenderStatus(status);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        throw EInOutError(QStringLiteral("%1 : %2").arg(path, file.errorString()), 0);
}

std::optional<TSenderStatus> ReadSenderStatus(const QString& folder) {
    if (!SenderRunning(folder)) return std::nullopt;
    QFile file(PathOf(folder, kSenderStatusFileName));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return ParseSenderStatus(file.read(4096));
}

bool SenderRunning(const QString& folder) {
    const QByteArray path = PathOf(folder, kSenderLockFileName).toLocal8Bit();
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    // A sender holds a shared lock: an exclusive one is refused meanwhile.
    const bool running = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd); // also releases the lock just taken
    return running;
}

TSenderLock::TSenderLock(const QString& folder) {
    const QByteArray path = PathOf(folder, kSenderLockFileName).toLocal8Bit();
    FFd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (FFd >= 0 && ::flock(FFd, LOCK_SH) != 0) {
        ::close(FFd);
        FFd = -1;
    }
}

TSenderLock::~TSenderLock() {
    if (FFd >= 0) ::close(FFd);
}

} // namespace tallivo
