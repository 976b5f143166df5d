#include "station/UnknownCodes.h"

#include "base/CodePage.h"
#include "base/Collation.h"
#include "base/FloatText.h"
#include "base/FormatSettings.h"
#include "base/InOutError.h"
#include "table/AtomicFile.h"

#include <QFile>
#include <cerrno>
#include <cstdio>

namespace tallivo {

namespace {

const QString kHeader = QStringLiteral("CODE_ART;PREMIER_SCAN;DERNIER_SCAN;NB_SCANS;QTE");
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

bool SameCode(const QString& a, const QString& b) {
    return a.size() == b.size() && FoldCase(a) == FoldCase(b);
}

// A line of the file, read from the right: the code is what stands before
// the last four columns.
std::optional<TUnknownCode> ReadLine(const QString& line) {
    QStringList parts = line.split(u';');
    if (parts.size() < 5) return std::nullopt;
    TUnknownCode c;
    const QString quantity = parts.takeLast(), scans = parts.takeLast();
    c.LastScan = QDateTime::fromString(parts.takeLast(), kTimeFormat);
    c.FirstScan = QDateTime::fromString(parts.takeLast(), kTimeFormat);
    c.Code = parts.join(u';');
    bool ok = false;
    c.Scans = scans.toInt(&ok);
    if (!ok || c.Scans < 0 || !c.FirstScan.isValid() || !c.LastScan.isValid() || c.Code.isEmpty())
        return std::nullopt;
    if (!quantity.isEmpty()) {
        double q = 0;
        if (!TryTextToFloat(quantity, q) && !TryTextToFloat(quantity, u'.', q)) return std::nullopt;
        c.Quantity = q;
    }
    return c;
}

} // namespace

void TUnknownCodes::Load(const QString& path) {
    FPath = path;
    FCodes.clear();
    FForeign.clear();
    FUnreadable = false;
    QFile file(path);
    if (!file.exists()) return;
    if (!file.open(QIODevice::ReadOnly)) {
        FUnreadable = true;
        throw InOutError(file.error() == QFileDevice::PermissionsError ? EACCES : EIO);
    }
    const QByteArray bytes = file.readAll();
    const QString text = FromAnsi(std::string_view(bytes.constData(), size_t(bytes.size())));
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r')) line.chop(1);
        if (i == 0 && line == kHeader) continue;
        if (const std::optional<TUnknownCode> c = ReadLine(line); c && !Find(c->Code))
            FCodes.push_back(*c);
        else
            FForeign << line;
    }
}

TUnknownCode* TUnknownCodes::Find(const QString& code) {
    for (TUnknownCode& c : FCodes)
        if (SameCode(c.Code, code)) return &c;
    return nullptr;
}

const TUnknownCode* TUnknownCodes::Find(const QString& code) const {
    return const_cast<TUnknownCodes*>(this)->Find(code);
}

void TUnknownCodes::Scanned(const QString& code, const QDateTime& at) {
    TUnknownCode* c = Find(code);
    if (!c) {
        FCodes.push_back({code, at, at, 0, std::nullopt});
        c = &FCodes.back();
    }
    ++c->Scans;
    c->LastScan = at;
}

void TUnknownCodes::SetQuantity(const QString& code, std::optional<double> quantity) {
    TUnknownCode* c = Find(code);
    if (!c) {
        const QDateTime now = QDateTime::currentDateTime();
        FCodes.push_back({code, now, now, 0, std::nullopt});
        c = &FCodes.back();
    }
    c->Quantity = quantity;
}

std::optional<double> TUnknownCodes::QuantityOf(const QString& code) const {
    const TUnknownCode* c = Find(code);
    return c ? c->Quantity : std::nullopt;
}

QByteArray TUnknownCodes::Text() const {
    QString text = kHeader + QStringLiteral("\r\n");
    for (const TUnknownCode& c : FCodes) {
        const QStringList columns = {c.Code, c.FirstScan.toString(kTimeFormat), c.LastScan.toString(kTimeFormat),
                                     QString::number(c.Scans), c.Quantity ? FloatToText(*c.Quantity) : QString()};
        text += columns.join(u';') + QStringLiteral("\r\n");
    }
    for (const QString& line : FForeign) text += line + QStringLiteral("\r\n");
    const std::string ansi = ToAnsi(text);
    return QByteArray(ansi.data(), qsizetype(ansi.size()));
}

void TUnknownCodes::Save() const {
    if (FUnreadable) throw InOutError(EACCES); // never write over a file that was not read
    const QByteArray text = Text();
    TAtomicFile file(FPath);
    file.Put(text.constData(), size_t(text.size()));
    file.Commit();
}

void TUnknownCodes::Archive(const QString& archive) {
    if (QFile::exists(FPath) && std::rename(FPath.toLocal8Bit().constData(), archive.toLocal8Bit().constData()) != 0)
        throw InOutError(errno);
    FCodes.clear();
    FForeign.clear();
    FUnreadable = false;
}

} // namespace tallivo
