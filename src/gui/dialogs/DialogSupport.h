#pragma once

class QDialog;
class QWidget;

namespace zel {

// What a modal dialog of the program ends with.
enum ModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2 };

// A fixed-size dialog window with a title and a close box, nothing else:
// client size as given, not resizable, no help or minimise buttons.
void makeFixedDialog(QDialog &dialog, int clientWidth, int clientHeight);

// Puts a top-level window in the middle of the screen it is on.
void centreOnScreen(QWidget &window);

} // namespace zel
