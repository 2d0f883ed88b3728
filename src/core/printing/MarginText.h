#pragma once

#include <QLocale>
#include <QString>

#include <optional>

namespace zel {

// A margin as its box shows it, "###0.##mm": at most two decimals rounded
// half away from zero on the value's decimal digits (12.345 gives 12.35),
// no grouping, at least one digit before the locale's decimal point.
QString FormatMarginText(double millimetres, const QLocale &locale = QLocale());

// The number in a margin box: the text before its first "mm" (exact case),
// read in the locale's decimal format. Nothing when that is not a finite
// number; whether it is a usable margin is the caller's question.
std::optional<double> ParseMarginText(const QString &text, const QLocale &locale = QLocale());

} // namespace zel
