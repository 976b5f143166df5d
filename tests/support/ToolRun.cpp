#include "tests/support/ToolRun.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace tallivo::test {

TToolRun RunTool(const QString& program, const QStringList& args, const TToolOptions& options) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& change : options.Environment) {
        const qsizetype equals = change.indexOf(u'=');
        if (equals < 0)
            env.remove(change);
        else
            env.insert(change.left(equals), change.mid(equals + 1));
    }
    QProcess p;
    p.setProcessEnvironment(env);
    if (!options.WorkingDirectory.isEmpty()) p.setWorkingDirectory(options.WorkingDirectory);
    p.start(program, args);
    TToolRun r;
    if (!p.waitForStarted(options.TimeoutMs)) return r;
    if (!options.Input.isEmpty()) p.write(options.Input);
    p.closeWriteChannel();
    if (!p.waitForFinished(options.TimeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    if (p.exitStatus() == QProcess::NormalExit) r.Code = p.exitCode();
    r.Out = p.readAllStandardOutput();
    r.Err = p.readAllStandardError();
    return r;
}

} // namespace tallivo::test
