#include "Fonts.h"

#include <QStringList>

namespace zel {

namespace {

void addSubstitute(const QString &family, const QString &substitute)
{
    if (!QFont::substitutes(family).contains(substitute, Qt::CaseInsensitive))
        QFont::insertSubstitution(family, substitute);
}

} // namespace

void registerFontSubstitutions()
{
    addSubstitute(QString::fromUtf16(kProportionalGothic), QStringLiteral("IPAPGothic"));
    addSubstitute(QString::fromUtf16(kFixedGothic), QStringLiteral("IPAGothic"));
}

QFont proportionalGothic(int pixelSize)
{
    registerFontSubstitutions();
    QFont font(QString::fromUtf16(kProportionalGothic));
    font.setPixelSize(pixelSize);
    return font;
}

QFont fixedGothic(int pixelSize)
{
    registerFontSubstitutions();
    QFont font(QString::fromUtf16(kFixedGothic));
    font.setPixelSize(pixelSize);
    font.setFixedPitch(true);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

} // namespace zel
