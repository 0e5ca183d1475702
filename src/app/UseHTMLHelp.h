#pragma once

#include <QString>
#include <QtGlobal>

class HelpViewer;

// The one handler of the program's help requests. It translates the classic help commands
// into calls of the help viewer: a context shows the topic with that number, quit closes every
// help window, a key word shows the index, anything else the default topic.
class UseHTMLHelp {
public:
    // Classic help command codes.
    enum Command : quint16 { HelpContext = 1, HelpQuit = 2, HelpContextPopup = 8, HelpKey = 257 };
    // The viewer calls the handler makes (for tests: the last one).
    enum class ViewerCall { None, DisplayTopic, HelpContext, CloseAll, DisplayIndex };

    static UseHTMLHelp& instance();

    // The application's help file name; the viewer shows the manual that ships with the
    // program whatever the name.
    void setHelpFile(const QString& file) { m_helpFile = file; }
    QString helpFile() const { return m_helpFile; }

    // Handles one help request; always returns true (no other help engine is asked).
    bool ApplicationHelp(quint16 command, qintptr data);

    ViewerCall lastCall() const { return m_lastCall; }
    qintptr lastData() const { return m_lastData; }
    // The viewer window, nullptr when none is open.
    HelpViewer* viewer() const { return m_viewer; }

private:
    UseHTMLHelp() = default;
    HelpViewer* ensureViewer();

    QString m_helpFile = QStringLiteral("Sporin.chm");
    ViewerCall m_lastCall = ViewerCall::None;
    qintptr m_lastData = 0;
    HelpViewer* m_viewer = nullptr;
};
