#include "document/DocumentState.h"

namespace zel {

DocumentState::DocumentState()
    : m_scene(m_ui)
    , m_edit(m_scene, m_history)
    , m_pictures(m_edit, m_jpeg)
{
    setUntitledTitle();
    m_history.setChangeListener([this] {
        if (m_changed)
            m_changed();
    });
}

DocumentState::~DocumentState()
{
    // No entry may outlive the scene it refers to; nobody listens any more.
    m_history.setChangeListener({});
    m_history.ClearHistory();
}

void DocumentState::setCurrentFileName(const QString &path)
{
    if (path == m_currentFileName)
        return;
    m_currentFileName = path;
    if (m_changed)
        m_changed();
}

void DocumentState::setRestored(bool restored)
{
    if (restored == m_restored)
        return;
    m_restored = restored;
    if (m_changed)
        m_changed();
}

void DocumentState::setUntitledTitle()
{
    m_ui.setTitle(productName() + QStringLiteral(" - (無題)"));
}

void DocumentState::setNamedTitle()
{
    m_ui.setTitle(productName() + QStringLiteral(" - ") + m_currentFileName);
}

} // namespace zel
