#pragma once
// Trimming as the operator's fields need it.

#include <QString>

namespace tallivo {

// Text with leading and trailing blanks and control characters (every
// character up to the space) removed.
inline QString TrimBlanks(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin] <= QChar(u' ')) ++begin;
    while (end > begin && text[end - 1] <= QChar(u' ')) --end;
    return text.mid(begin, end - begin);
}

} // namespace tallivo
