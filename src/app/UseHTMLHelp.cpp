#include "UseHTMLHelp.h"

#include <QObject>
#include <limits>

#include "HelpViewer.h"

UseHTMLHelp& UseHTMLHelp::instance() {
    static UseHTMLHelp handler;
    return handler;
}

HelpViewer* UseHTMLHelp::ensureViewer() {
    if (!m_viewer) {
        m_viewer = new HelpViewer;
        // The user may close the manual at any time; the next request opens a new window.
        m_viewer->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(m_viewer, &QObject::destroyed, [this](QObject* gone) {
            if (m_viewer == gone) m_viewer = nullptr;
        });
    }
    return m_viewer;
}

// The help file name does not choose the manual: the viewer always shows the manual built
// into the program. The key word of HelpKey is passed as a `const QString*` in `data` (null
// for none); the index opens with that word typed in.
bool UseHTMLHelp::ApplicationHelp(quint16 command, qintptr data) {
    switch (command) {
        case HelpContext:
        case HelpContextPopup: {
            m_lastCall = ViewerCall::HelpContext;
            m_lastData = data;
            // A number no topic can have (negative or too large) gets the viewer's
            // "topic does not exist" page.
            const bool fits = data >= 0 && data <= std::numeric_limits<int>::max();
            ensureViewer()->showContext(fits ? static_cast<int>(data) : -1);
            break;
        }
        case HelpQuit:
            m_lastCall = ViewerCall::CloseAll;
            m_lastData = 0;
            if (HelpViewer* viewer = m_viewer) {
                m_viewer = nullptr;
                viewer->hide();
                delete viewer;
            }
            break;
        case HelpKey: {
            m_lastCall = ViewerCall::DisplayIndex;
            m_lastData = data;
            const auto* keyword = reinterpret_cast<const QString*>(data);
            ensureViewer()->showIndex(keyword ? *keyword : QString());
            break;
        }
        default:
            m_lastCall = ViewerCall::DisplayTopic;
            m_lastData = 0;
            ensureViewer()->showDefaultTopic();
            break;
    }
    return true;
}
