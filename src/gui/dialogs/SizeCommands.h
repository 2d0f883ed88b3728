#pragma once

namespace zel {

class EditCommands;
class TForm2;
class TForm6;

// "背景ｻｲｽﾞ設定(&Z)...": shows the background-size dialog and, after OK,
// records one background-size entry from the size before to the size now.
void SizeItemClick(EditCommands &edit, TForm2 &dialog);

// "ｻｲｽﾞ変更(&Z)...": shows the part-size dialog for the selected part, its
// picture stretched over the changing bounds meanwhile. After OK the display
// bitmap takes the new size and one part-size entry is recorded; the part is
// repainted with its selection frame however the dialog closed. Does nothing
// when no part is selected.
void PartSizeItemClick(EditCommands &edit, TForm6 &dialog);

} // namespace zel
