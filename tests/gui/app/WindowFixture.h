#pragma once

#include "FakePorts.h"
#include "app/MainWindow.h"

#include <QImage>

#include <memory>

namespace zel::test {

// A main window answered by a script, with helpers for putting parts in.
struct WindowFixture {
    ScriptedDialogs dialogs;
    FakeClipboard clipboard;
    std::unique_ptr<MainWindow> window;

    WindowFixture() { window = std::make_unique<MainWindow>(WindowPorts{&dialogs, &clipboard}); }

    Scene &scene() { return window->scene(); }
    EditHistory &history() { return window->history(); }
    UiState &ui() { return window->ui(); }

    static QImage solid(int width, int height, QRgb colour)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    }

    // Pastes a solid bitmap through the clipboard, as a user would.
    void paste(int width, int height, QRgb colour)
    {
        clipboard.image = solid(width, height, colour);
        window->trigger(Item::PasteItem);
    }

    void openMenus()
    {
        window->FileItemClick();
        window->EditItemClick();
        window->PictureItemClick();
    }
};

} // namespace zel::test
