#pragma once

// Quits the application once a widget has been painted for the first time
// (after the paint, so that it is counted whole).

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>

class QuitAfterFirstPaint : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }

private:
    bool m_seen = false;
};
