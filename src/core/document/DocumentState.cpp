#include "document/DocumentState.h"

namespace zel {

DocumentState::DocumentState()
    : m_scene(m_ui)
    , m_edit(m_scene, m_history)
    , m_pictures(m_edit, m_jpeg)
{
    setUntitledTitle();
}

DocumentState::~DocumentState()
{
    // No entry may outlive the scene it refers to.
    m_history.ClearHistory();
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
