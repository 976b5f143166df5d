#include "Exception.h"

#include <cstring>

namespace tallivo {

Exception::Exception(QString message) : FMessage(std::move(message)), FUtf8(FMessage.toStdString()) {}

QString detail::FormatList(const QString& fmt, const QString* args, int count) {
    QString out;
    out.reserve(fmt.size() + 32);
    int next = 0;
    for (qsizetype i = 0; i < fmt.size(); ++i) {
        const QChar c = fmt[i];
        if (c == u'%' && i + 1 < fmt.size()) {
            const QChar k = fmt[i + 1];
            if (k == u'%') {
                out += u'%';
                ++i;
                continue;
            }
            if ((k == u's' || k == u'd') && next < count) {
                out += args[next++];
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

QString SysErrorMessage(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

} // namespace tallivo
