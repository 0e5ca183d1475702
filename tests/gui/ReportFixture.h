#pragma once

#include <QDate>
#include <QPointer>

#include "FirmFixture.h"
#include "TPreparedReport.h"
#include "TReport.h"
#include "WindowPlacement.h"

// A started program with firm D1 open, cards written through the data module, and the
// report engine's preview hook replaced by a recorder (so nothing modal opens unless a test
// puts the real preview back).
class ReportFixture : public FirmFixture {
protected:
    ReportFixture() {
        addFirm(1, "Houbaři z Písku");
        startApp();
        openFirmDirectly("D1");
        WindowPlacement::setFirmSettings(MainForm->firmSettingsPath(), "D1");
        TReport::setPreviewHook([this](TReport& r) { previewed << r.prepared(); });
    }
    ~ReportFixture() override {
        TReport::setPreviewHook(nullptr);
        WindowPlacement::setFirmSettings(QString(), QString());
    }

    struct Card {
        int evc;
        QString nla, ato, nce, lk;
    };
    void addCards(const QVector<Card>& cards) {
        for (const Card& c : cards) {
            DM1->Hdok.Insert();
            DM1->Hdok.FieldByName("Evc")->setAsInteger(c.evc);
            DM1->Hdok.FieldByName("Nla")->setAsString(c.nla);
            DM1->Hdok.FieldByName("Ato")->setAsString(c.ato);
            DM1->Hdok.FieldByName("Nce")->setAsString(c.nce);
            DM1->Hdok.FieldByName("Lk")->setAsString(c.lk);
            DM1->Hdok.FieldByName("D")->setAsDate(QDate(2012, 9, 14));
            DM1->Hdok.FieldByName("Le")->setAsString("Jan Novák");
            DM1->Hdok.FieldByName("Plo1")->setAsString("smrkový les");
            DM1->Hdok.Post();
        }
    }
    void setCommon(const char* field, const QVariant& value) {
        DM1->Hspl.Edit();
        DM1->Hspl.FieldByName(field)->setValue(value);
        DM1->Hspl.Post();
    }

    // The texts of every item of element `name` over all pages, page by page.
    static QStringList texts(const TPreparedReport& r, const QString& name) {
        QStringList out;
        for (const TPreparedPage& p : r.pages)
            for (const TPreparedItem* i : p.findAll(name)) out << i->text;
        return out;
    }
    static int countOn(const TPreparedPage& page, const QString& name) { return int(page.findAll(name).size()); }

    QVector<TPreparedReport> previewed;
};
