#include "SizeDialogs.h"

#include "printing/ScreenResolution.h"
#include "pixels/Bitmap.h"
#include "scene/PartView.h"
#include "scene/Scene.h"

namespace zel {

namespace {

QString millimetres(float mm)
{
    return QLatin1Char('(') + formatOneDecimal(mm) + QStringLiteral("mm)");
}

QString percent(int value, int whole)
{
    const double ratio = whole > 0 ? double(value) * 100.0 / double(whole) : 0.0;
    return QLatin1Char('(') + formatOneDecimal(ratio) + QStringLiteral("%)");
}

} // namespace

TForm2::TForm2(Scene &scene, QWidget *parent)
    : SizeDialog(QStringLiteral("画像ｻｲｽﾞ設定"), 100, 100, 2048, parent)
    , m_scene(scene)
{
}

QSize TForm2::targetSize() const
{
    return m_scene.backgroundSize();
}

void TForm2::applyWidth(int width)
{
    m_scene.setFrameSize(width + Scene::kFrameExtra, m_scene.frameSize().height());
}

void TForm2::applyHeight(int height)
{
    m_scene.setFrameSize(m_scene.frameSize().width(), height + Scene::kFrameExtra);
}

void TForm2::applySize(int width, int height)
{
    m_scene.setFrameSize(width + Scene::kFrameExtra, height + Scene::kFrameExtra);
}

QString TForm2::widthLabel(int width) const
{
    return millimetres(PixelsToMmX(width));
}

QString TForm2::heightLabel(int height) const
{
    return millimetres(PixelsToMmY(height));
}

TForm6::TForm6(QWidget *parent)
    : SizeDialog(QStringLiteral("部品ｻｲｽﾞ変更"), 101, 16, 2048, parent)
{
}

void TForm6::setTarget(PartView *image, const Bitmap *source)
{
    m_image = image;
    m_source = source;
}

void TForm6::done(int result)
{
    SizeDialog::done(result);
    m_image = nullptr;
    m_source = nullptr;
}

QSize TForm6::targetSize() const
{
    return m_image ? m_image->bounds().size() : QSize(OpenWidth, OpenHeight);
}

void TForm6::applyWidth(int width)
{
    if (m_image)
        applySize(width, m_image->height());
}

void TForm6::applyHeight(int height)
{
    if (m_image)
        applySize(m_image->width(), height);
}

void TForm6::applySize(int width, int height)
{
    if (m_image)
        m_image->setBounds(QRect(m_image->left(), m_image->top(), width, height));
}

QString TForm6::widthLabel(int width) const
{
    return percent(width, m_sourceWidth);
}

QString TForm6::heightLabel(int height) const
{
    return percent(height, m_sourceHeight);
}

void TForm6::readOpeningExtras()
{
    m_sourceWidth = m_source ? m_source->width() : 0;
    m_sourceHeight = m_source ? m_source->height() : 0;
}

} // namespace zel
