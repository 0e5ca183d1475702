#pragma once

#include <QApplication>
#include <QPointer>
#include <QTest>

#include "CardFlags.h"
#include "DBCheckBoxz.h"
#include "DBEditz.h"
#include "Ekdh1.h"
#include "Ekdl1.h"
#include "Ekzp.h"
#include "FirmFixture.h"
#include "WindowPlacement.h"

// An open firm D1 with its tables reached through the data module, and helpers for the card
// index windows: rows put straight into the tables, keys sent to whatever has the focus.
class CardsFixture : public FirmFixture {
protected:
    void SetUp() override {
        addFirm(1, "Houbaři");
        startApp();
        openFirmDirectly("D1");
        WindowPlacement::setFirmSettings(MainForm->firmSettingsPath(), "D1");
    }
    void TearDown() override { WindowPlacement::setFirmSettings(QString(), QString()); }

    static void addSpecies(const QString& kodh, const QString& nlad, const QString& atod = {},
                           const QString& nced = {}) {
        TTable& t = DM1->Hdath;
        t.Append();
        t.FieldByName("Kodh")->setAsString(kodh);
        t.FieldByName("Nlad")->setAsString(nlad);
        t.FieldByName("Atod")->setAsString(atod);
        t.FieldByName("Nced")->setAsString(nced);
        t.Post();
    }
    static void addLocality(const QString& kodl, const QString& lkd) {
        TTable& t = DM1->Hdatl;
        t.Append();
        t.FieldByName("Kodl")->setAsString(kodl);
        t.FieldByName("Lkd")->setAsString(lkd);
        t.Post();
    }
    // A card with a number, Latin name, locality and date; the numbering in Hspl follows it.
    static void addCard(int evc, const QString& nla = {}, const QString& lk = {}, QDate d = {}) {
        TTable& t = DM1->Hdok;
        t.Append();
        t.FieldByName("Evc")->setAsInteger(evc);
        t.FieldByName("Nla")->setAsString(nla);
        t.FieldByName("Lk")->setAsString(lk);
        if (d.isValid()) t.FieldByName("D")->setAsDate(d);
        t.Post();
    }
    static void setCommon(const char* field, const QVariant& value) {
        DM1->Hspl.Edit();
        DM1->Hspl.FieldByName(field)->setValue(value);
        DM1->Hspl.Post();
    }
    static QString card(const char* field) { return DM1->Hdok.FieldByName(field)->AsString(); }
    static QString common(const char* field) { return DM1->Hspl.FieldByName(field)->AsString(); }

    // Opens a window the way its command does, but without its own event loop, so that the test
    // can drive it; returns it once it is active.
    template <typename T>
    static T* showWindow(T* window) {
        window->show();
        // The offscreen platform may hand the activation back to the window below: ask for it.
        QApplication::setActiveWindow(window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        return window;
    }
    static TEkzpForm* showCardWindow(bool fromCorrection = false) {
        return showWindow(new TEkzpForm(MainForm, fromCorrection));
    }

    // A key as the user presses it: to the control with the focus (the window sees it first).
    static void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, key, mods);
    }
    // Focuses `w` (as Tab would) and types `text` into it.
    static void typeInto(QWidget* w, const QString& text) {
        w->setFocus(Qt::TabFocusReason);
        typeText(w, text);
    }
    static void focus(QWidget* w) { w->setFocus(Qt::TabFocusReason); }
};
