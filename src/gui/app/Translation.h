#pragma once

class QCoreApplication;

namespace zel {

// The whole interface is Japanese, so Qt's own dialogs and buttons speak
// Japanese too, whatever the system's language. False when Qt's Japanese
// translation is not installed (qt6-translations-l10n).
bool installJapaneseTranslation(QCoreApplication &app);

} // namespace zel
