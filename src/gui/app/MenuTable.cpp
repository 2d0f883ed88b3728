#include "MenuTable.h"

namespace zel {

namespace {

const MenuRow kSeparator{Item::Count, nullptr, {}, nullptr};

} // namespace

const std::vector<TopMenu> &menuTable()
{
    static const std::vector<TopMenu> table = {
        {"FileItem", "ﾌｧｲﾙ(&F)", {
            {Item::NewItem, "新規作成(&N)", QKeySequence(Qt::CTRL | Qt::Key_N), "新しいﾌｧｲﾙを作成します。"},
            {Item::OpenItem, "開く(&O)...", QKeySequence(Qt::CTRL | Qt::Key_O), "既存のﾌｧｲﾙを開きます。"},
            {Item::SaveItem, "上書き保存(&S)", QKeySequence(Qt::CTRL | Qt::Key_S), "現在のﾌｧｲﾙを保存します。"},
            {Item::SaveAsItem, "名前を付けて保存(&A)...", {}, "現在のﾌｧｲﾙを新しい名前で保存します。"},
            kSeparator,
            {Item::PrintPreviewItem, "印刷ﾌﾟﾚﾋﾞｭｰ(&V)...", {}, "ﾍﾟｰｼﾞ全体を表示します。"},
            {Item::PageSetupItem, "ﾍﾟｰｼﾞ設定(&T)...", {}, "ﾍﾟｰｼﾞ ﾚｲｱｳﾄの設定を変更します。"},
            {Item::PrintItem, "印刷(&P)...", QKeySequence(Qt::CTRL | Qt::Key_P), "印刷ｵﾌﾟｼｮﾝを設定し、現在のﾌｧｲﾙを印刷します。"},
            kSeparator,
            {Item::ExitItem, "終了(&X)", QKeySequence(Qt::ALT | Qt::Key_F4), "Zelvaneを終了します。"},
        }},
        {"EditItem", "部品(&E)", {
            {Item::UndoItem, "元に戻す(&U)", QKeySequence(Qt::CTRL | Qt::Key_Z), "直前に行った操作を取り消します。"},
            {Item::RedoItem, "やり直し(&R)", QKeySequence(Qt::CTRL | Qt::Key_Y), "取り消した操作をやり直します。"},
            kSeparator,
            {Item::CutItem, "切り取り(&T)", QKeySequence(Qt::CTRL | Qt::Key_X), "選択部品をｸﾘｯﾌﾟﾎﾞｰﾄﾞに移動します。"},
            {Item::CopyItem, "ｺﾋﾟｰ(&C)", QKeySequence(Qt::CTRL | Qt::Key_C), "選択部品をｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰします。"},
            {Item::PasteItem, "貼り付け(&P)", QKeySequence(Qt::CTRL | Qt::Key_V), "ｸﾘｯﾌﾟﾎﾞｰﾄﾞの内容を挿入します。"},
            {Item::ClearItem, "削除(&L)", QKeySequence(Qt::Key_Delete), "選択部品を削除します。"},
            {Item::MoveItem, "移動(&M)", {}, ""},
            kSeparator,
            {Item::PasteFromFileItem, "ﾌｧｲﾙから貼り付け(&F)...", {}, "ﾌｧｲﾙの内容を挿入します。"},
            kSeparator,
            {Item::SelectItem, "選択(&S)...", {}, ""},
            kSeparator,
            {Item::PartSizeItem, "ｻｲｽﾞ変更(&Z)...", {}, "選択部品のｻｲｽﾞを変更します。"},
            {Item::FitPartItem, "背景に合わせる(&B)", {}, "選択部品を背景に収まる最大のｻｲｽﾞにします。"},
            {Item::MonochromeItem, "ﾓﾉｸﾛ(&N)", {}, ""},
            {Item::GrayItem, "ｸﾞﾚｲｽｹｰﾙ(&G)", {}, ""},
            {Item::TransparentModeItem, "透過ﾓｰﾄﾞ(&M)", {}, "部品を透過にするかどうかを設定します。"},
        }},
        {"PictureItem", "画像(&B)", {
            {Item::SaveBitmapItem, "ﾋﾞｯﾄﾏｯﾌﾟとしてﾌｧｲﾙに保存(&S)...", {}, "全体をﾋﾞｯﾄﾏｯﾌﾟとしてﾌｧｲﾙに保存します。"},
            {Item::SaveClipboardItem, "ﾋﾞｯﾄﾏｯﾌﾟとしてｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰ(&C)", {}, "全体をﾋﾞｯﾄﾏｯﾌﾟとしてｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰします。"},
            kSeparator,
            {Item::SizeItem, "背景ｻｲｽﾞ設定(&Z)...", {}, "背景全体のｻｲｽﾞを設定します。"},
            {Item::BKColorItem, "背景色設定(&B)...", {}, "背景の色を設定します。"},
        }},
        {"ViewItem", "表示(&V)", {
            {Item::ZoomInItem, "拡大(&I)", QKeySequence(Qt::CTRL | Qt::Key_Plus), "表示を拡大します。"},
            {Item::ZoomOutItem, "縮小(&O)", QKeySequence(Qt::CTRL | Qt::Key_Minus), "表示を縮小します。"},
            {Item::ActualSizeItem, "実寸表示(&A)", QKeySequence(Qt::CTRL | Qt::Key_0), "実際のｻｲｽﾞで表示します。"},
            {Item::FitWindowItem, "ｳｨﾝﾄﾞｳに合わせる(&W)", QKeySequence(Qt::CTRL | Qt::Key_9), "画像全体をｳｨﾝﾄﾞｳに合わせて表示します。"},
        }},
        {"HelpItem", "ﾍﾙﾌﾟ(&H)", {
            {Item::AboutItem, "ﾊﾞｰｼﾞｮﾝ情報(&A)...", {}, "ﾌﾟﾛｸﾞﾗﾑのﾊﾞｰｼﾞｮﾝ情報を表示します。"},
        }},
    };
    return table;
}

const char *itemName(Item item)
{
    static const char *const names[kItemCount] = {
        "NewItem", "OpenItem", "SaveItem", "SaveAsItem", "PrintPreviewItem", "PageSetupItem",
        "PrintItem", "ExitItem",
        "UndoItem", "RedoItem", "CutItem", "CopyItem", "PasteItem", "ClearItem", "MoveItem",
        "PasteFromFileItem", "SelectItem", "PartSizeItem", "FitPartItem", "MonochromeItem",
        "GrayItem", "TransparentModeItem",
        "SaveBitmapItem", "SaveClipboardItem", "SizeItem", "BKColorItem",
        "ZoomInItem", "ZoomOutItem", "ActualSizeItem", "FitWindowItem",
        "AboutItem",
    };
    return names[int(item)];
}

QString shortHint(const QString &hint)
{
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.left(bar);
}

} // namespace zel
