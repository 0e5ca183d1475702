#pragma once

class QTranslator;

// Qt's own texts (buttons of its dialogs, context menus of edit boxes, the printer dialogs) in
// Czech: loads "qtbase_cs" from Qt's translations directory, or, where the system has none,
// from the "translations" directory beside the program, and installs it in the application.
// Returns the installed translator (owned by the application object; deleting it uninstalls
// it), or nullptr when no Czech translation was found: Qt's texts then stay in English.
QTranslator* installQtTranslations();
