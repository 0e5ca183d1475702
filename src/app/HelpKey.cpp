#include "HelpKey.h"

#include <QApplication>
#include <QHash>
#include <QKeyEvent>
#include <QWidget>

#include "HelpViewer.h"
#include "UseHTMLHelp.h"

HelpKey::HelpKey(QObject* parent) : QObject(parent) {
    qApp->installEventFilter(this);
}

HelpKey::~HelpKey() {
    qApp->removeEventFilter(this);
}

int HelpKey::contextOf(const QString& windowName) {
    // Window -> context number of its topic in the manual (HelpViewer::topics()).
    static const QHash<QString, int> contexts = {
        {QStringLiteral("Auto1Form"), 3}, {QStringLiteral("Au2Form"), 4}, {QStringLiteral("Au1Form"), 5},
        {QStringLiteral("Au6Form"), 7},   {QStringLiteral("Au3Form"), 8}, {QStringLiteral("Au4Form"), 8},
        {QStringLiteral("MainForm"), 10},
        // The conversion and the choice of local or shared data.
        {QStringLiteral("Au8Form"), 12},  {QStringLiteral("Au5Form"), 62},
        // The card index: the card window and its find dialog, the catalogues and theirs.
        {QStringLiteral("EkzpForm"), 20}, {QStringLiteral("Find22Form"), 20},
        {QStringLiteral("Ekdh1Form"), 21}, {QStringLiteral("Find20Form"), 21},
        {QStringLiteral("Ekdl1Form"), 22}, {QStringLiteral("Find21Form"), 22},
        // The preview and the progress of its printing.
        {QStringLiteral("PrevForm"), 41}, {QStringLiteral("TiskInfoForm"), 41},
        // Backup and restore, and the own-directory chooser of both.
        {QStringLiteral("ExdForm"), 60},  {QStringLiteral("Exd1Form"), 61}, {QStringLiteral("Exd2Form"), 60},
        {QStringLiteral("DwcForm"), 70},
        // The search and correction window and its extended search.
        {QStringLiteral("EkovForm"), 30}, {QStringLiteral("EkvhForm"), 31},
        // Printing: the print selection, the text-file settings and the common data.
        {QStringLiteral("EmtfhForm"), 43}, {QStringLiteral("EkpodForm"), 46}, {QStringLiteral("EkslForm"), 49},
    };
    return contexts.value(windowName, 0);
}

bool HelpKey::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
    const QWidget* window = static_cast<QWidget*>(watched)->window();
    if (qobject_cast<const HelpViewer*>(window)) return false;
    const int context = contextOf(window->objectName());
    UseHTMLHelp& help = UseHTMLHelp::instance();
    // "Any other" command: the default topic.
    help.ApplicationHelp(context ? quint16(UseHTMLHelp::HelpContext) : quint16(0), context);
    if (HelpViewer* viewer = help.viewer(); viewer && QApplication::activeModalWidget() &&
                                            viewer->windowModality() == Qt::NonModal) {
        // An application-modal window blocks every other one; a modal manual stays usable.
        viewer->hide();
        viewer->setWindowModality(Qt::ApplicationModal);
        viewer->show();
    }
    return true;
}
