#include "document/DocumentCommands.h"

#include "document/DocumentFile.h"
#include "document/DocumentState.h"

namespace zel {

const char *const kDocumentFilter = "Zelvaneﾌｧｲﾙ(*.BMH)|*.BMH";

namespace {

FileRequest documentRequest(FileRequest::Mode mode, const QString &fileName)
{
    FileRequest request;
    request.mode = mode;
    // The captions of the menu items that open them.
    request.title = mode == FileRequest::Open ? QStringLiteral("開く")
                                              : QStringLiteral("名前を付けて保存");
    request.filter = QString::fromUtf8(kDocumentFilter);
    request.defaultSuffix = QStringLiteral("BMH");
    request.fileName = fileName;
    request.confirmOverwrite = mode == FileRequest::Save;
    return request;
}

} // namespace

DocumentCommands::DocumentCommands(DocumentState &document, Dialogs &dialogs)
    : m_document(document)
    , m_dialogs(dialogs)
{
}

QString DocumentCommands::fileMessage(const char *ending) const
{
    return fileMessage(m_document.CurrentFileName(), ending);
}

QString DocumentCommands::fileMessage(const QString &path, const char *ending)
{
    return QStringLiteral("ﾌｧｲﾙ<") + path + QString::fromUtf8(ending);
}

void DocumentCommands::NewDocument()
{
    Scene &scene = m_document.scene();
    m_document.setRestored(false);
    m_document.history().ClearHistory();
    scene.removeAllParts();
    scene.setFrameSize(520, 392);
    m_document.setCurrentFileName(QString());
    scene.ClearSelection();
    m_document.setUntitledTitle();
    if (m_replaced)
        m_replaced();
}

void DocumentCommands::NewItemClick()
{
    if (!m_document.scene().isEmpty() && ConfirmClose())
        NewDocument();
}

void DocumentCommands::OpenItemClick()
{
    if (!ConfirmClose())
        return;
    FileRequest request = documentRequest(FileRequest::Open, QString());
    const QString path = m_dialogs.chooseFile(request);
    if (path.isEmpty())
        return;
    openFile(path);
}

bool DocumentCommands::openFile(const QString &path)
{
    // Read whole before anything is dropped: a file that cannot be read
    // leaves the open document, its name and its history as they were.
    DocumentContents contents;
    switch (readDocumentFile(path, contents)) {
    case OpenError::Open:
        m_dialogs.showMessage(fileMessage(path, ">のオープンに失敗しました"));
        return false;
    case OpenError::Read:
        m_dialogs.showMessage(fileMessage(path, ">の読み込みに失敗しました"));
        return false;
    case OpenError::None:
        break;
    }
    NewDocument();
    loadDocumentContents(m_document.scene(), contents);
    m_document.setCurrentFileName(path); // loading recorded nothing: history stays empty
    m_document.setNamedTitle();
    return true;
}

void DocumentCommands::restoreDocument(const DocumentContents &contents, const QString &fileName)
{
    NewDocument();
    loadDocumentContents(m_document.scene(), contents);
    m_document.setCurrentFileName(fileName);
    if (fileName.isEmpty())
        m_document.setUntitledTitle();
    else
        m_document.setNamedTitle();
    m_document.setRestored(true);
}

void DocumentCommands::SaveItemClick()
{
    if (m_document.scene().isEmpty())
        return;
    if (!m_document.CurrentFileName().isEmpty())
        SaveDocument();
    else
        SaveAsItemClick();
}

void DocumentCommands::SaveAsItemClick()
{
    if (m_document.scene().isEmpty())
        return;
    FileRequest request = documentRequest(FileRequest::Save, m_document.CurrentFileName());
    const QString path = m_dialogs.chooseFile(request);
    if (path.isEmpty())
        return;
    m_document.setCurrentFileName(path);
    SaveDocument();
}

bool DocumentCommands::SaveDocument()
{
    // The new file replaces the old one only once it is complete, so a
    // failed save leaves the previous file as it was.
    switch (saveDocumentFile(m_document.CurrentFileName(), m_document.scene())) {
    case SaveError::Create:
        m_dialogs.showMessage(fileMessage(">の作成に失敗しました"));
        if (m_saved)
            m_saved(false);
        return false;
    case SaveError::Write:
        m_dialogs.showMessage(fileMessage(">の書き込みに失敗しました"));
        if (m_saved)
            m_saved(false);
        return false;
    case SaveError::None:
        break;
    }
    m_document.setRestored(false);
    m_document.history().ClearHistory();
    m_document.setNamedTitle();
    if (m_saved)
        m_saved(true);
    return true;
}

bool DocumentCommands::ConfirmClose()
{
    if (!m_document.isModified())
        return true;
    const QString first = m_document.CurrentFileName().isEmpty() ? QStringLiteral("編集されています。")
                                                    : QStringLiteral("内容が変更されています。");
    switch (m_dialogs.askYesNoCancel(DocumentState::productName(), first + QStringLiteral("\r\n保存しますか？"))) {
    case Answer::No:
        return true;
    case Answer::Yes: {
        FileRequest request = documentRequest(FileRequest::Save, m_document.CurrentFileName());
        const QString path = m_dialogs.chooseFile(request);
        if (path.isEmpty())
            return false;
        m_document.setCurrentFileName(path);
        // Going on after a failed save would throw the work away.
        return SaveDocument();
    }
    default:
        return false;
    }
}

} // namespace zel
