#pragma once
// A command-line program run to its end as a user runs it from a shell:
// its exit code and everything it wrote on its standard output and error.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tallivo::test {

struct TToolRun {
    int Code = -1; // the exit code; -1 when it did not start, was killed or ran out of time
    QByteArray Out, Err;
};

struct TToolOptions {
    QByteArray Input;         // its standard input, closed after these bytes
    QString WorkingDirectory; // empty: the test's current folder
    // Changes to the test's own environment: "NAME=value" sets NAME, "NAME"
    // alone removes it.
    QStringList Environment;
    int TimeoutMs = 60000; // then it is killed
};

TToolRun RunTool(const QString& program, const QStringList& args, const TToolOptions& options = {});

} // namespace tallivo::test
