#pragma once
// What the command-line tools share: their text on the standard streams in
// UTF-8, their arguments as text, and the end of main, where an error that
// no command caught becomes a message and exit code 1 instead of an abort.

#include <QString>
#include <QStringList>
#include <cstdio>
#include <exception>
#include <new>
#include <optional>

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

// The answer to no arguments, --help (-h, help) or --version (-v), as every
// tool gives it: the usage on standard output (on standard error and exit code 2
// without arguments), or "name version". Nothing when the arguments are a
// command.
inline std::optional<int> StandardAnswer(const QStringList& args, const char* name, const char* version,
                                         const char* usage) {
    if (args.isEmpty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::fputs(usage, args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? 2 : 0;
    }
    if (args[0] == "--version" || args[0] == "-v") {
        std::printf("%s %s\n", name, version);
        return 0;
    }
    return std::nullopt;
}

// Returns what body returns; an exception escaping it is reported on
// standard error as "name: message" and gives exit code 1.
// (Exception texts are French; a tool says the record store's English ones
// in French itself, tools/common/ToolFiles.h.)
template <class F> int RunToolMain(const char* name, F&& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "%s: mémoire insuffisante\n", name);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", name, e.what());
    }
    return 1;
}

} // namespace tallivo
