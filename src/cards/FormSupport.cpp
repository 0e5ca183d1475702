#include "FormSupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusTipEvent>
#include <QWidget>

#include "DataM1.h"
#include "Globals.h"
#include "IniFile.h"
#include "Main.h"
#include "TTable.h"
#include "WindowPlacement.h"

namespace forms {

namespace {
bool g_forwarding = false;
}  // namespace

void installKeyPreview(QWidget* root, QObject* filter) {
    root->installEventFilter(filter);
    for (QObject* child : root->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        // Menus and other windows inside get their own handling.
        if (w && !qobject_cast<QMenu*>(w) && !w->isWindow()) installKeyPreview(w, filter);
    }
}

Qt::KeyboardModifiers modifiers(const QKeyEvent* event) {
    return event->modifiers() & ~Qt::KeypadModifier;
}

void setHint(QWidget* widget, const QString& hint) {
    widget->setToolTip(hint);
    widget->setStatusTip(hint);
}

QLabel* makeLinkLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    QFont f = label->font();
    f.setUnderline(true);
    label->setFont(f);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(p);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

bool routeHint(QEvent* event) {
    if (event->type() != QEvent::StatusTip) return false;
    setStatus(0, static_cast<QStatusTipEvent*>(event)->tip());
    return true;
}

void setStatus(int panel, const QString& text) {
    if (MainForm) MainForm->setStatusText(panel, text);
}

void sendHome(QWidget* target, Qt::KeyboardModifiers modifiers) {
    if (!target) return;
    // An edit box takes Home with Ctrl as the move of its caret to the start of the text.
    if (auto* edit = qobject_cast<QLineEdit*>(target)) {
        edit->home(false);
        return;
    }
    const bool before = g_forwarding;
    g_forwarding = true;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Home, modifiers);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Home, modifiers);
    QApplication::sendEvent(target, &release);
    g_forwarding = before;
}

bool forwardingKey() {
    return g_forwarding;
}

int readFirmInteger(const QString& key, int defaultValue) {
    const QString path = WindowPlacement::firmSettingsPath();
    if (path.isEmpty()) return defaultValue;
    return IniFile(path).readInteger(WindowPlacement::firmSection(), key, defaultValue);
}

void writeFirmInteger(const QString& key, int value) {
    const QString path = WindowPlacement::firmSettingsPath();
    if (path.isEmpty()) return;
    IniFile(path).writeInteger(WindowPlacement::firmSection(), key, value);
}

bool editing(const TDataSet& dataSet) {
    return dataSet.State() == TDataSetState::Edit || dataSet.State() == TDataSetState::Insert;
}

void reopen(TTable& table) {
    const TBookmark mark = table.GetBookmark();
    TTable keeper;
    keeper.setDatabase(table.Database());
    keeper.TableName = table.TableName;
    try {
        keeper.Open();
    } catch (const std::exception&) {
        // Without the keeper the table is read from disk again; nothing else changes.
    }
    table.Close();
    table.Open();
    table.Refresh();
    try {
        if (mark.isValid() && table.BookmarkValid(mark)) table.GotoBookmark(mark);
    } catch (const std::exception&) {
    }
}

void setLabelRange(int evc) {
    TTable& common = DM1->Hspl;
    common.Edit();
    common.FieldByName(QStringLiteral("C1"))->setAsInteger(evc);
    common.FieldByName(QStringLiteral("C2"))->setAsInteger(evc);
    common.Post();
}

}  // namespace forms
