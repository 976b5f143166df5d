#pragma once
// The command lines of the tools: options anywhere among the other
// arguments ("--" ends them), a value after its option or after "=", and
// the decimal separator option that every tool writing numbers shares.

#include <QChar>
#include <QMap>
#include <QString>
#include <QStringList>

namespace tallivo {

struct TToolArgs {
    QStringList Positional;
    QStringList Flags;             // the flags given
    QMap<QString, QString> Values; // option -> value, the last one given
    QString Error;                 // empty when the line is understood

    bool Has(const QString& flag) const { return Flags.contains(flag); }
    bool HasValue(const QString& option) const { return Values.contains(option); }
    QString Value(const QString& option, const QString& otherwise = {}) const {
        return Values.value(option, otherwise);
    }
};

// flags and valued hold the option names ("--force", "--decimal").
TToolArgs ParseToolArgs(const QStringList& args, const QStringList& flags, const QStringList& valued);

// --decimal , | . : the separator of numbers in the text the tool writes,
// the comma the stations write unless told otherwise. Sets the process's
// number settings to it. False (and error set) for another value.
bool ApplyDecimalOption(const TToolArgs& args, QChar& separator, QString& error);

} // namespace tallivo
