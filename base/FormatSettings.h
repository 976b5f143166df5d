#pragma once
// Number formatting settings of the user's locale, read once at start-up.
// Tests set the decimal separator themselves (a comma, as on French systems).

#include <QChar>

namespace tallivo {

struct TFormatSettings {
    QChar DecimalSeparator = u'.';
};

// The process-wide settings. Initialised from the system locale on first use.
TFormatSettings& FormatSettings();

// Re-reads the decimal separator from the system locale.
void LoadFormatSettingsFromSystem();

} // namespace tallivo
