// TALLIVO.INI: reading with notes for what is not understood, and writing
// that changes only the lines of the [Comptage] keys.
#include "station/Settings.h"

#include "base/CodePage.h"
#include "base/InOutError.h"
#include "table/AtomicFile.h"

#include <QStringDecoder>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

namespace tallivo {

namespace {

const QString kSection = QStringLiteral("Comptage");
constexpr qint64 kLargestFile = 1 << 20;
constexpr int kLargestQuantity = 999999999;

// One key: its name, the comment written above it in a new file, how its
// value is read (false: not understood) and written.
struct TKey {
    const char* Name;
    const char* Help;
    const char* Expected; // what a value must look like, for the note
    std::function<bool(TStationSettings&, const QString&)> Read;
    std::function<QString(const TStationSettings&)> Write;
};

bool ReadBool(const QString& text, bool& value) {
    const QString t = text.toLower();
    for (const char* yes : {"oui", "o", "1", "vrai", "true", "yes"}) {
        if (t == QLatin1String(yes)) {
            value = true;
            return true;
        }
    }
    for (const char* no : {"non", "n", "0", "faux", "false", "no"}) {
        if (t == QLatin1String(no)) {
            value = false;
            return true;
        }
    }
    return false;
}

TKey BoolKey(const char* name, const char* help, bool TStationSettings::*member) {
    return {name, help, "oui ou non",
            [member](TStationSettings& s, const QString& v) { return ReadBool(v, s.*member); },
            [member](const TStationSettings& s) { return YesNo(s.*member); }};
}

const std::vector<TKey>& Keys() {
    static const std::vector<TKey> keys = {
        BoolKey("ModeRapide", "Un scan = une pièce : chaque code connu scanné ajoute 1, sans clavier (oui|non).",
                &TStationSettings::ModeRapide),
        {"QuantiteMax", "Au-delà de cette quantité, le clavier demande de confirmer (nombre entier).",
         "un nombre entier de 1 à 999 999 999",
         [](TStationSettings& s, const QString& v) {
             QString digits = v;
             digits.remove(u' ').remove(QChar(0x00A0)).remove(QChar(0x202F));
             bool ok = false;
             const qlonglong n = digits.toLongLong(&ok);
             if (!ok || n < 1 || n > kLargestQuantity || digits.startsWith(u'+')) return false;
             s.QuantiteMax = int(n);
             return true;
         },
         [](const TStationSettings& s) { return QString::number(s.QuantiteMax); }},
        BoolKey("InconnusComptes",
                "Un code inconnu peut être compté au clavier ; sa quantité va dans INCONNUS.CSV (oui|non).",
                &TStationSettings::InconnusComptes),
        {"PrefixeZone", "Un code scanné qui commence ainsi ouvre une zone (vide : pas de zones).", "",
         [](TStationSettings& s, const QString& v) {
             s.PrefixeZone = v;
             return true;
         },
         [](const TStationSettings& s) { return s.PrefixeZone; }},
        BoolKey("Sons", "Un son pour chaque comptage confirmé, un autre pour un refus (oui|non).",
                &TStationSettings::Sons),
        BoolKey("ExportNonComptes",
                "L'export écrit aussi les articles du catalogue non comptés, dans un fichier à côté (oui|non).",
                &TStationSettings::ExportNonComptes),
    };
    return keys;
}

const TKey* FindKey(const QString& name) {
    for (const TKey& k : Keys())
        if (name.compare(QLatin1String(k.Name), Qt::CaseInsensitive) == 0) return &k;
    return nullptr;
}

// The file as text and how to write it back the same way.
struct TDecoded {
    QStringList Lines; // without their line ends
    bool Utf8 = true;
    bool Crlf = false;
    bool EndsWithNewline = true;
};

TDecoded Decode(const QByteArray& content) {
    TDecoded d;
    QByteArray bytes = content;
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError()) {
        d.Utf8 = false;
        text = FromAnsi(std::string_view(bytes.constData(), size_t(bytes.size())));
    }
    d.Crlf = text.contains(QStringLiteral("\r\n"));
    d.EndsWithNewline = text.isEmpty() || text.endsWith(u'\n');
    d.Lines = text.split(u'\n');
    if (d.EndsWithNewline) d.Lines.removeLast();
    for (QString& line : d.Lines)
        if (line.endsWith(u'\r')) line.chop(1);
    return d;
}

// "[Name]" gives Name; anything else an empty text.
QString SectionName(const QString& trimmed) {
    if (trimmed.size() < 2 || !trimmed.startsWith(u'[') || !trimmed.endsWith(u']')) return {};
    return trimmed.mid(1, trimmed.size() - 2).trimmed();
}

bool IsComment(const QString& trimmed) {
    return trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'#');
}

// Reads the whole file at path into content: 0, or the error number
// (ENOENT when there is no such file).
int ReadWhole(const QString& path, QByteArray& content) {
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    int err = 0;
    char buffer[8192];
    while (!err) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) err = errno;
        if (n <= 0) break;
        content.append(buffer, n);
        if (content.size() > kLargestFile) err = EFBIG;
    }
    ::close(fd);
    return err;
}

QString Line(int number) {
    return QStringLiteral("TALLIVO.INI, ligne %1 : ").arg(number);
}

} // namespace

QString YesNo(bool value) {
    return value ? QStringLiteral("oui") : QStringLiteral("non");
}

TSettingsRead ParseSettings(const QByteArray& content) {
    TSettingsRead result;
    const TDecoded file = Decode(content);
    bool beforeAnySection = true, inSection = false;
    for (int i = 0; i < file.Lines.size(); ++i) {
        const QString line = file.Lines[i].trimmed();
        if (IsComment(line)) continue;
        if (const QString section = SectionName(line); !section.isEmpty()) {
            beforeAnySection = false;
            inSection = section.compare(kSection, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (beforeAnySection) {
            result.Notes << Line(i + 1) + QStringLiteral("« %1 » est avant la section [Comptage], ignoré.").arg(line);
            continue;
        }
        if (!inSection) continue; // another program's section
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) {
            result.Notes << Line(i + 1) + QStringLiteral("« %1 » n'est pas de la forme Clé=valeur.").arg(line);
            continue;
        }
        const QString name = line.left(eq).trimmed(), value = line.mid(eq + 1).trimmed();
        const TKey* key = FindKey(name);
        if (!key) {
            result.Notes << Line(i + 1) + QStringLiteral("clé « %1 » inconnue.").arg(name);
            continue;
        }
        TStationSettings tried = result.Settings;
        if (key->Read(tried, value)) {
            result.Settings = tried;
        } else {
            result.Notes << Line(i + 1) +
                                QStringLiteral("%1=%2 n'est pas compris (%3) ; %4 est gardé.")
                                    .arg(QLatin1String(key->Name), value, QString::fromUtf8(key->Expected),
                                         key->Write(result.Settings));
        }
    }
    return result;
}

TSettingsRead ReadSettingsFile(const QString& path) {
    QByteArray content;
    const int err = ReadWhole(path, content);
    if (err == ENOENT) return {};
    if (err == 0) return ParseSettings(content);
    TSettingsRead defaults;
    defaults.Notes << QStringLiteral("TALLIVO.INI illisible (%1) : réglages par défaut.").arg(InOutError(err).Message());
    return defaults;
}

QByteArray UpdateSettingsText(const QByteArray& content, const TStationSettings& settings) {
    TDecoded file = Decode(content);
    const auto keyLine = [&](const TKey& k) { return QLatin1String(k.Name) + u'=' + k.Write(settings); };
    if (file.Lines.isEmpty() || (file.Lines.size() == 1 && file.Lines[0].trimmed().isEmpty())) {
        file.Lines = {QStringLiteral("; Réglages du comptage de Tallivo pour ce dossier de comptage."),
                      QStringLiteral("; Aussi modifiables à l'écran : appui long sur le bandeau du haut."),
                      QStringLiteral("[Comptage]")};
        for (const TKey& k : Keys()) file.Lines << QStringLiteral("; ") + QString::fromUtf8(k.Help) << keyLine(k);
        file.EndsWithNewline = true;
    } else {
        // Rewrite the keys where they stand in the first [Comptage] section;
        // the missing ones go after its last key.
        std::vector<bool> written(Keys().size(), false);
        int section = -1, insertAt = -1;
        bool inSection = false;
        for (int i = 0; i < file.Lines.size(); ++i) {
            const QString line = file.Lines[i].trimmed();
            if (const QString name = SectionName(line); !name.isEmpty()) {
                inSection = section < 0 && name.compare(kSection, Qt::CaseInsensitive) == 0;
                if (inSection) section = insertAt = i + 1;
                continue;
            }
            if (!inSection || IsComment(line)) continue;
            insertAt = i + 1;
            const qsizetype eq = line.indexOf(u'=');
            const TKey* key = eq < 0 ? nullptr : FindKey(line.left(eq).trimmed());
            if (!key) continue;
            file.Lines[i] = keyLine(*key);
            written[size_t(key - Keys().data())] = true;
        }
        if (section < 0) {
            if (!file.Lines.last().trimmed().isEmpty()) file.Lines << QString();
            file.Lines << QStringLiteral("[Comptage]");
            insertAt = int(file.Lines.size());
        }
        QStringList missing;
        for (size_t k = 0; k < Keys().size(); ++k)
            if (!written[k]) missing << keyLine(Keys()[k]);
        for (int k = 0; k < missing.size(); ++k) file.Lines.insert(insertAt + k, missing[k]);
    }
    const QString eol = file.Crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString text = file.Lines.join(eol);
    if (file.EndsWithNewline) text += eol;
    if (file.Utf8) return text.toUtf8();
    const std::string ansi = ToAnsi(text);
    return QByteArray(ansi.data(), qsizetype(ansi.size()));
}

void WriteSettingsFile(const QString& path, const TStationSettings& settings) {
    QByteArray old;
    if (const int err = ReadWhole(path, old); err != 0 && err != ENOENT) throw InOutError(err);
    const QByteArray text = UpdateSettingsText(old, settings);
    TAtomicFile file(path);
    file.Put(text.constData(), size_t(text.size()));
    file.Commit();
}

} // namespace tallivo
