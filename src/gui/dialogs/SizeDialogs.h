#pragma once

#include "SizeDialog.h"

namespace zel {

class PartView;
class Scene;
struct Bitmap;

// The background-size dialog: 100 to 2048 pixels a side, millimetres at
// screen resolution beside the fields. The target is the scene's background.
class TForm2 : public SizeDialog
{
    Q_OBJECT
public:
    // Its millimetres come from the screen's resolution, read at start-up.
    explicit TForm2(Scene &scene, QWidget *parent = nullptr);

protected:
    QSize targetSize() const override;
    void applyWidth(int width) override;
    void applyHeight(int height) override;
    void applySize(int width, int height) override;
    QString widthLabel(int width) const override;
    QString heightLabel(int height) const override;

private:
    Scene &m_scene;
};

// The part-size dialog: 16 to 2048 pixels a side, percent of the part's
// source image beside the fields. The target is a part's display image,
// given by the opening command before each showing.
class TForm6 : public SizeDialog
{
    Q_OBJECT
public:
    explicit TForm6(QWidget *parent = nullptr);

    // Both must outlive the showing; they are let go when the dialog closes.
    void setTarget(PartView *image, const Bitmap *source);
    PartView *target() const { return m_image; }

    void done(int result) override;

protected:
    QSize targetSize() const override;
    void applyWidth(int width) override;
    void applyHeight(int height) override;
    void applySize(int width, int height) override;
    QString widthLabel(int width) const override;
    QString heightLabel(int height) const override;
    void readOpeningExtras() override;

private:
    PartView *m_image = nullptr;
    const Bitmap *m_source = nullptr;
    int m_sourceWidth = 0;
    int m_sourceHeight = 0;
};

} // namespace zel
