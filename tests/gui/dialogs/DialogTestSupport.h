#pragma once

// Helpers of the dialog suites: driving a modal dialog from inside its own
// event loop, and a scene with the parts the cases need.

#include "pixels/Bitmap.h"
#include "scene/EditCommands.h"
#include "scene/EditHistory.h"
#include "scene/Scene.h"
#include "scene/UiState.h"
#include "printing/ScreenResolution.h"
#include "FakePorts.h"

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QTest>
#include <QTimer>

#include <functional>

namespace zel::test {

// Runs action on the modal dialog the next exec() shows, then closes the
// dialog through reject() if the action left it open, so that a failing
// check never leaves a test waiting on a modal window.
inline void whenModal(std::function<void(QDialog &)> action, int *shown = nullptr)
{
    QTimer::singleShot(0, [action, shown] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (shown)
            ++*shown;
        if (QTest::qWaitForWindowActive(dialog))
            action(*dialog);
        else
            QTest::qFail("the dialog did not become active", __FILE__, __LINE__);
        if (dialog->isVisible())
            dialog->reject();
    });
}

// A source of one colour, 24 bits.
inline Bitmap solidBitmap(int width, int height, QRgb colour = 0xFF3366CCu)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return Bitmap::fromImage(image);
}

struct SceneFixture {
    UiState ui;
    Scene scene{ui};
    EditHistory history;
    EditCommands edit{scene, history};

    // A part at (left, top), width x height, made from a source of
    // sourceWidth x sourceHeight; it ends up on top and selected.
    PartView &addPart(int left, int top, int width, int height, int sourceWidth,
                      int sourceHeight, QRgb colour = 0xFF3366CCu)
    {
        scene.InsertPart(left, top, width, height, solidBitmap(sourceWidth, sourceHeight, colour),
                         0, 0, 1);
        return *scene.part(0).Image;
    }
};

} // namespace zel::test
