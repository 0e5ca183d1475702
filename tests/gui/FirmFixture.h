#pragma once

#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "AppFixture.h"
#include "Au1.h"
#include "Au2.h"
#include "Au3.h"
#include "Au4.h"
#include "Au6.h"
#include "Auto1.h"
#include "DBEditz.h"
#include "TDBEdit.h"
#include "TDBGrid.h"

// The firm selection on a prepared data directory, shown without its own event loop so that a
// test can press its buttons; dialogs it opens are driven through whenShown().
class FirmFixture : public AppFixture {
protected:
    TAuto1Form* sel() const { return Auto1Form; }

    void showSelection() {
        Auto1Form->show();
        QApplication::processEvents();
    }

    static void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    // Types `text` into `w` key by key, Czech letters included.
    static void typeText(QWidget* w, const QString& text) {
        for (QChar c : text) QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }

    // Runs `action` on the modal dialog of class T as soon as one is up. Should none come within
    // five seconds, the test fails and every dialog is hidden, ending its event loop.
    template <typename T>
    static void whenShown(std::function<void(T*)> action) {
        auto* timer = new QTimer;
        timer->setInterval(5);
        const QDeadlineTimer deadline(5000);
        QObject::connect(timer, &QTimer::timeout, [timer, deadline, action] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* dialog = qobject_cast<T*>(modal); dialog && dialog->isVisible()) {
                timer->stop();
                timer->deleteLater();
                action(dialog);
            } else if (deadline.hasExpired()) {
                timer->stop();
                timer->deleteLater();
                ADD_FAILURE() << "the expected dialog " << T::staticMetaObject.className() << " did not come";
                // Hiding a dialog ends its event loop, so the test goes on instead of hanging.
                for (QWidget* w : QApplication::topLevelWidgets()) {
                    if (qobject_cast<QDialog*>(w) && w->isVisible()) w->hide();
                }
            }
        });
        timer->start();
    }

    // A second program on the same data directory: its own session and database.
    struct OtherSession {
        explicit OtherSession(const QString& dir) {
            session.AddPassword(storage::tablePassword());
            db.Params = {"PATH=" + dir, "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"};
        }
        TSession session{"OtherSession"};
        TDatabase db{&session, "OtherDb"};
    };

    // Appends a row to a register table ("Data.DB" or "Uziv.DB") as another program would.
    void storeRow(const QString& table, const QVariantList& values) {
        OtherSession other(dataDir);
        TTable t;
        t.setDatabase(&other.db);
        t.TableName = table;
        t.Open();
        t.Append();
        for (int i = 0; i < values.size(); ++i) t.Fields()[i]->setValue(values[i]);
        t.Post();
    }

    // The rows of a register table as stored, each its field texts joined by spaces.
    QStringList storedRows(const QString& table) {
        OtherSession other(dataDir);
        TTable t;
        t.setDatabase(&other.db);
        t.TableName = table;
        t.Open();
        QStringList rows;
        for (t.First(); !t.Eof(); t.Next()) {
            QStringList fields;
            for (TField* f : t.Fields()) fields << f->AsString();
            rows << fields.join(' ');
        }
        return rows;
    }
    // "Cislo Pozice Nazev Adresar" per firm, and "Cislo Heslo" per password row.
    QStringList storedRegister() { return storedRows("Data.DB"); }
    QStringList storedPasswords() { return storedRows("Uziv.DB"); }

    int tableFilesIn(const QString& dirName) {
        int n = 0;
        for (const QString& f : storage::dataFileList()) n += QFile::exists(dataDir + dirName + "/" + f) ? 1 : 0;
        return n;
    }

    QString current(const char* field) { return sel()->Auto1.FieldByName(field)->AsString(); }
};
