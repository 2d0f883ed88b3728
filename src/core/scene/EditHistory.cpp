#include "EditHistory.h"

#include "Scene.h"

namespace zel {

const char *const ActionNames[11] = {
    "切り取り", "貼り付け", "削除", "選択", "移動", "部品ｻｲｽﾞ",
    "背景ｻｲｽﾞ", "背景色", "透過ﾓｰﾄﾞ", "ﾓﾉｸﾛ", "ｸﾞﾚｲｽｹｰﾙ",
};

const char *const OnOffSuffixes[2] = {" ｵﾝ", " ｵﾌ"};

namespace {

quint8 flagByte(qint32 value)
{
    return value != 0 ? 1 : 0;
}

// Toggles store the state before the command: 0 clear, all-ones set.
qint32 opposite(qint32 value)
{
    return value == 0 ? -1 : 0;
}

void setTopBounds(Scene &scene, int left, int top, int width, int height)
{
    scene.part(0).Image->setBounds(QRect(left, top, width, height));
    scene.showTopBounds();
}

void setTopSize(Scene &scene, int width, int height)
{
    PartView &image = *scene.part(0).Image;
    image.setBounds(QRect(image.left(), image.top(), width, height));
    scene.FrameSelectedPart();
    scene.showTopBounds();
}

} // namespace

void EditHistory::append(HistoryEntry entry)
{
    while (count() > m_historyPos)
        FreeHistoryEntry(count() - 1);
    m_entries.push_back(std::move(entry));
    ++m_historyPos;
    changed();
}

void EditHistory::AddHistoryEntry(quint8 type, qint32 value1, qint32 value2, qint32 value3,
                                  qint32 value4)
{
    HistoryEntry entry;
    entry.Type = type;
    entry.Value1 = value1;
    entry.Value2 = value2;
    entry.Value3 = value3;
    entry.Value4 = value4;
    append(std::move(entry));
}

void EditHistory::AddHistoryEntry(quint8 type, qint32 left, qint32 top, qint32 width,
                                  qint32 height, const zel::Bitmap &bitmap, qint32 monochrome,
                                  qint32 grayscale, qint32 transparent)
{
    HistoryEntry entry;
    entry.Type = type;
    entry.Value1 = left;
    entry.Value2 = top;
    entry.Value3 = width;
    entry.Value4 = height;
    // Bitmaps share pixels until written, so the entry's copy costs nothing
    // now and can never be changed through the part's.
    entry.Bitmap = bitmap;
    entry.Monochrome = flagByte(monochrome);
    entry.Grayscale = flagByte(grayscale);
    entry.Transparent = flagByte(transparent);
    append(std::move(entry));
}

void EditHistory::FreeHistoryEntry(int index)
{
    if (index < 0 || index >= count())
        return;
    m_entries.erase(m_entries.begin() + index);
    // Freeing an applied entry must not leave the position past the end.
    if (index < m_historyPos)
        --m_historyPos;
    changed();
}

void EditHistory::ClearHistory()
{
    m_entries.clear();
    m_historyPos = 0;
    changed();
}

bool EditHistory::undo(Scene &scene)
{
    if (!canUndo())
        return false;
    --m_historyPos;
    const HistoryEntry &e = m_entries[size_t(m_historyPos)];
    const bool hasParts = !scene.isEmpty();
    switch (e.Type) {
    case CutEntry:
    case DeleteEntry:
        scene.InsertPart(e.Value1, e.Value2, e.Value3, e.Value4, e.Bitmap, e.Monochrome,
                         e.Grayscale, e.Transparent);
        break;
    case PasteEntry:
        if (hasParts)
            scene.RemoveTopPart();
        break;
    case SelectEntry:
        scene.RestorePartOrder(e.Value1);
        break;
    case MoveEntry:
        if (hasParts)
            setTopBounds(scene, e.Value1, e.Value2, scene.part(0).Image->width(),
                         scene.part(0).Image->height());
        break;
    case PartSizeEntry:
        if (hasParts)
            setTopSize(scene, e.Value1, e.Value2);
        break;
    case BackgroundSizeEntry:
        scene.setFrameSize(e.Value1 + Scene::kFrameExtra, e.Value2 + Scene::kFrameExtra);
        break;
    case BackgroundColourEntry:
        scene.setBackgroundColour(Colour(e.Value1));
        break;
    case TransparentModeEntry:
        scene.SetTransparentMode(e.Value1);
        break;
    case MonochromeEntry:
        scene.SetMonochrome(e.Value1);
        break;
    case GrayscaleEntry:
        scene.SetGrayscale(e.Value1);
        break;
    }
    changed();
    return true;
}

bool EditHistory::redo(Scene &scene)
{
    if (!canRedo())
        return false;
    const HistoryEntry &e = m_entries[size_t(m_historyPos)];
    const bool hasParts = !scene.isEmpty();
    switch (e.Type) {
    case CutEntry:
    case DeleteEntry:
        if (hasParts)
            scene.RemoveTopPart();
        break;
    case PasteEntry:
        scene.InsertPart(e.Value1, e.Value2, e.Value3, e.Value4, e.Bitmap, e.Monochrome,
                         e.Grayscale, e.Transparent);
        break;
    case SelectEntry:
        if (e.Value1 > 0 && e.Value1 < scene.count()) {
            scene.MovePart(e.Value1, 0);
            scene.SelectPart(scene.part(0).Image.get());
        }
        break;
    case MoveEntry:
        if (hasParts)
            setTopBounds(scene, e.Value3, e.Value4, scene.part(0).Image->width(),
                         scene.part(0).Image->height());
        break;
    case PartSizeEntry:
        if (hasParts)
            setTopSize(scene, e.Value3, e.Value4);
        break;
    case BackgroundSizeEntry:
        scene.setFrameSize(e.Value3 + Scene::kFrameExtra, e.Value4 + Scene::kFrameExtra);
        break;
    case BackgroundColourEntry:
        scene.setBackgroundColour(Colour(e.Value2));
        break;
    case TransparentModeEntry:
        scene.SetTransparentMode(opposite(e.Value1));
        break;
    case MonochromeEntry:
        scene.SetMonochrome(opposite(e.Value1));
        break;
    case GrayscaleEntry:
        scene.SetGrayscale(opposite(e.Value1));
        break;
    }
    ++m_historyPos;
    changed();
    return true;
}

QString EditHistory::actionText(const HistoryEntry &entry)
{
    if (entry.Type > GrayscaleEntry)
        return QString();
    QString text = QString::fromUtf8(ActionNames[entry.Type]);
    if (entry.Type == TransparentModeEntry || entry.Type == MonochromeEntry)
        text += QString::fromUtf8(OnOffSuffixes[entry.Value1 == 0 ? 0 : 1]);
    return text;
}

QString EditHistory::undoCaption() const
{
    QString caption = QStringLiteral("元に戻す(&U) ");
    if (canUndo())
        caption += actionText(m_entries[size_t(m_historyPos - 1)]);
    return caption;
}

QString EditHistory::redoCaption() const
{
    QString caption = QStringLiteral("やり直し(&R) ");
    if (canRedo())
        caption += actionText(m_entries[size_t(m_historyPos)]);
    return caption;
}

} // namespace zel
