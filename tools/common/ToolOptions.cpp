#include "tools/common/ToolOptions.h"

#include "base/FormatSettings.h"

namespace tallivo {

TToolArgs ParseToolArgs(const QStringList& args, const QStringList& flags, const QStringList& valued) {
    TToolArgs r;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (optionsEnded || !a.startsWith(u'-') || a == QLatin1String("-")) {
            r.Positional << a;
            continue;
        }
        if (a == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        const qsizetype eq = a.indexOf(u'=');
        const QString name = eq < 0 ? a : a.left(eq);
        if (flags.contains(name) && eq < 0) {
            r.Flags << name;
        } else if (valued.contains(name)) {
            if (eq >= 0) {
                r.Values[name] = a.mid(eq + 1);
            } else if (i + 1 < args.size()) {
                r.Values[name] = args[++i];
            } else {
                r.Error = QStringLiteral("l'option %1 attend une valeur").arg(name);
                return r;
            }
        } else {
            r.Error = QStringLiteral("option inconnue : %1").arg(a);
            return r;
        }
    }
    return r;
}

bool ApplyDecimalOption(const TToolArgs& args, QChar& separator, QString& error) {
    const QString v = args.Value(QStringLiteral("--decimal"), QStringLiteral(","));
    if (v != QLatin1String(",") && v != QLatin1String(".")) {
        error = QStringLiteral("--decimal attend \",\" ou \".\", pas \"%1\"").arg(v);
        return false;
    }
    separator = v[0];
    FormatSettings().DecimalSeparator = separator;
    return true;
}

} // namespace tallivo
