#pragma once

#include "printing/ScreenResolution.h"
#include "scene/Ports.h"

#include <QList>
#include <QStringList>

#include <deque>

namespace zel::test {

// Answers the window's modal choices from a script and keeps what was asked.
class ScriptedDialogs : public Dialogs
{
public:
    std::deque<QString> files;             // answers to chooseFile; "" = cancel
    std::deque<int> filters;               // the filter chosen with each file (0 if none)
    std::deque<Answer> answers;            // answers to askYesNoCancel and askYesNo
    std::deque<std::optional<Colour>> colours;

    QList<FileRequest> fileRequests;
    QStringList questions;                 // caption + "|" + text
    QStringList messages;
    QStringList errors;
    QList<Colour> colourPresets;

    QString chooseFile(FileRequest &request) override
    {
        if (!filters.empty()) {
            request.selectedFilter = filters.front();
            filters.pop_front();
        }
        fileRequests << request;
        if (files.empty())
            return QString();
        QString answer = files.front();
        files.pop_front();
        return answer;
    }
    Answer askYesNoCancel(const QString &caption, const QString &text) override
    {
        questions << caption + QLatin1Char('|') + text;
        if (answers.empty())
            return Answer::Cancel;
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    // No when the script has no answer left: the box has no Cancel.
    Answer askYesNo(const QString &caption, const QString &text) override
    {
        questions << caption + QLatin1Char('|') + text;
        if (answers.empty())
            return Answer::No;
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void showMessage(const QString &text) override { messages << text; }
    void showError(const QString &text) override { errors << text; }
    std::optional<Colour> chooseColour(Colour initial) override
    {
        colourPresets << initial;
        if (colours.empty())
            return std::nullopt;
        const auto answer = colours.front();
        colours.pop_front();
        return answer;
    }
};

// A screen of a fixed resolution; an empty size is a screen that tells none.
class FakeScreen : public ScreenMetrics
{
public:
    explicit FakeScreen(QSize dpi) : dpi(dpi) {}
    QSize dpi;
    QSize logicalDpi() const override { return dpi; }
};

class FakeClipboard : public ClipboardPort
{
public:
    QImage image;
    int writes = 0;
    bool hasBitmap() const override { return !image.isNull(); }
    QImage bitmap() const override { return image; }
    void setBitmap(const QImage &bitmap) override
    {
        image = bitmap;
        ++writes;
    }
};

} // namespace zel::test
