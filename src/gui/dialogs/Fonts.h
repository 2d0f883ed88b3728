#pragma once

#include <QFont>

namespace zel {

// The program's two Japanese font families and the installed families that
// stand in for them. fontconfig knows neither name, so without this Qt falls
// back to a Latin family with kana from elsewhere.
inline constexpr char16_t kProportionalGothic[] = u"ＭＳ Ｐゴシック";
inline constexpr char16_t kFixedGothic[] = u"ＭＳ ゴシック";

// Maps "ＭＳ Ｐゴシック" to IPAPGothic and "ＭＳ ゴシック" to IPAGothic.
// Safe to call more than once.
void registerFontSubstitutions();

// "ＭＳ Ｐゴシック" at the given pixel height.
QFont proportionalGothic(int pixelSize);
// "ＭＳ ゴシック", fixed pitch, at the given pixel height.
QFont fixedGothic(int pixelSize);

} // namespace zel
