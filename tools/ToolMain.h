#pragma once
// What the command-line tools share: their text on the standard streams in
// UTF-8, their arguments as text, and the end of main, where an error that
// no command caught becomes a message and exit code 1 instead of an abort.

#include <QString>
#include <QStringList>
#include <cstdio>
#include <exception>
#include <new>

namespace tallivo {

inline void Out(const QString& s) {
    const QByteArray u = s.toUtf8();
    std::fwrite(u.constData(), 1, size_t(u.size()), stdout);
}

inline void Err(const QString& s) {
    const QByteArray u = s.toUtf8();
    std::fwrite(u.constData(), 1, size_t(u.size()), stderr);
}

// The arguments that follow the program's name.
inline QStringList ToolArguments(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    return args;
}

// Returns what body returns; an exception escaping it is reported on
// standard error as "name: message" and gives exit code 1.
template <class F> int RunToolMain(const char* name, F&& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "%s: out of memory\n", name);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", name, e.what());
    }
    return 1;
}

} // namespace tallivo
