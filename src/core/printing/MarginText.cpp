#include "MarginText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace zel {

namespace {

// Adds one to a string of decimal digits.
void increment(std::string &digits)
{
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

} // namespace

QString FormatMarginText(double millimetres, const QLocale &locale)
{
    const QString unit = QStringLiteral("mm");
    if (!std::isfinite(millimetres))
        return QStringLiteral("0") + unit;

    // Fifteen significant digits: the decimal the value was typed as, so
    // that 12.345 rounds up although its binary value lies a shade below.
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(millimetres));
    std::string digits(1, buffer[0]);
    digits.append(buffer + 2, 14);
    const int exponent = std::atoi(std::strchr(buffer, 'e') + 1);

    // Keep the digits down to hundredths, rounding on the next one.
    const int kept = exponent + 1 + 2;
    std::string hundredths;
    if (kept > 0) {
        hundredths = digits.substr(0, size_t(std::min(kept, 15)));
        hundredths.append(size_t(std::max(kept - 15, 0)), '0');
    }
    if (kept >= 0 && kept < 15 && digits[size_t(kept)] >= '5')
        increment(hundredths);
    while (hundredths.size() < 3)
        hundredths.insert(hundredths.begin(), '0');

    std::string whole = hundredths.substr(0, hundredths.size() - 2);
    std::string fraction = hundredths.substr(hundredths.size() - 2);
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 1));
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();

    QString text = QString::fromLatin1(whole);
    if (!fraction.empty())
        text += locale.decimalPoint() + QString::fromLatin1(fraction);
    if (millimetres < 0 && text != QLatin1String("0"))
        text.prepend(locale.negativeSign());
    return text + unit;
}

std::optional<double> ParseMarginText(const QString &text, const QLocale &locale)
{
    const QString withUnit = text + QStringLiteral("mm");
    const QString number = withUnit.left(withUnit.indexOf(QStringLiteral("mm")));
    QLocale reader = locale;
    reader.setNumberOptions(reader.numberOptions() | QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = reader.toDouble(number, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace zel
