#pragma once
// Errors of the whole system are exceptions derived from Exception, carrying
// the message text the operator sees. Messages use "%s" and "%d" placeholders,
// filled in order by Format.

#include <QString>
#include <exception>
#include <string>
#include <type_traits>

namespace tallivo {

class Exception : public std::exception {
public:
    explicit Exception(QString message);
    const QString& Message() const { return FMessage; }
    const char* what() const noexcept override { return FUtf8.c_str(); }

private:
    QString FMessage;
    std::string FUtf8;
};

// Errors raised by the table layer ("Champ '%s' non trouvé" ...).
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// Errors raised by the record store itself: English text plus a numeric code.
class EDBClient : public EDatabaseError {
public:
    EDBClient(QString message, int errorCode) : EDatabaseError(std::move(message)), FErrorCode(errorCode) {}
    int ErrorCode() const { return FErrorCode; }

private:
    int FErrorCode;
};

// A text that is not a valid number, and similar conversions.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Input/output failure; ErrorCode is the operating system's error number.
class EInOutError : public Exception {
public:
    EInOutError(QString message, int errorCode) : Exception(std::move(message)), FErrorCode(errorCode) {}
    int ErrorCode() const { return FErrorCode; }

private:
    int FErrorCode;
};

// Stream and file errors of the component stream and file helpers.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// A call that is not valid in the object's current state.
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

namespace detail {
inline QString FormatArg(const QString& s) {
    return s;
}
inline QString FormatArg(const char* s) {
    return QString::fromUtf8(s);
}
inline QString FormatArg(const std::string& s) {
    return QString::fromStdString(s);
}
template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>> QString FormatArg(T v) {
    return QString::number(v);
}
QString FormatList(const QString& fmt, const QString* args, int count);
} // namespace detail

// Replaces each "%s" or "%d" of fmt, in order, by the next argument; "%%"
// gives one "%". Missing arguments leave the placeholder as it is.
template <typename... Args> QString Format(const QString& fmt, const Args&... args) {
    const QString list[] = {QString(), detail::FormatArg(args)...};
    return detail::FormatList(fmt, list + 1, int(sizeof...(Args)));
}

// The operating system's message for errno value err, in French (the interface's
// language) whatever the locale; "Erreur système N" for the rare others.
QString SysErrorMessage(int err);

} // namespace tallivo
