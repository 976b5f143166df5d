#include "FormatSettings.h"

#include <QLocale>

namespace tallivo {

namespace {
TFormatSettings ReadSystem() {
    TFormatSettings s;
    const QString dec = QLocale::system().decimalPoint();
    if (dec.size() == 1) s.DecimalSeparator = dec[0];
    return s;
}
} // namespace

TFormatSettings& FormatSettings() {
    static TFormatSettings settings = ReadSystem();
    return settings;
}

void LoadFormatSettingsFromSystem() { FormatSettings() = ReadSystem(); }

} // namespace tallivo
