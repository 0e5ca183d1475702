#include "DwcExport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QUuid>

#include "DwcArchive.h"
#include "EngineError.h"
#include "IniFile.h"
#include "TDatabase.h"
#include "TSession.h"
#include "TTable.h"

namespace interchange {
namespace {

// The card fields the export reads, looked up once.
struct CardFields {
    explicit CardFields(TDataSet& t)
        : evc(t.FieldByName(QStringLiteral("Evc"))),
          nla(t.FieldByName(QStringLiteral("Nla"))),
          ato(t.FieldByName(QStringLiteral("Ato"))),
          nce(t.FieldByName(QStringLiteral("Nce"))),
          kdl(t.FieldByName(QStringLiteral("Kdl"))),
          lk(t.FieldByName(QStringLiteral("Lk"))),
          cmp(t.FieldByName(QStringLiteral("Cmp"))),
          nmv(t.FieldByName(QStringLiteral("Nmv"))),
          sd(t.FieldByName(QStringLiteral("Sd"))),
          plo1(t.FieldByName(QStringLiteral("Plo1"))),
          plo2(t.FieldByName(QStringLiteral("Plo2"))),
          le(t.FieldByName(QStringLiteral("Le"))),
          d(t.FieldByName(QStringLiteral("D"))),
          dt(t.FieldByName(QStringLiteral("Dt"))),
          neh(t.FieldByName(QStringLiteral("Neh"))) {}

    DwcCard card() const {
        DwcCard c;
        c.evc = evc->AsInteger();
        c.nla = nla->AsString();
        c.ato = ato->AsString();
        c.nce = nce->AsString();
        c.kdl = kdl->AsString();
        c.lk = lk->AsString();
        c.cmp = cmp->AsString();
        c.nmv = nmv->AsString();
        c.sd = sd->AsString();
        c.plo1 = plo1->AsString();
        c.plo2 = plo2->AsString();
        c.le = le->AsString();
        c.d = d->AsDate();
        c.dt = dt->AsString();
        return c;
    }

    TField *evc, *nla, *ato, *nce, *kdl, *lk, *cmp, *nmv, *sd, *plo1, *plo2, *le, *d, *dt, *neh;
};

void writeOrThrow(QFile& file, const QByteArray& data, const QString& target) {
    if (file.write(data) != data.size()) {
        throw EDatabaseError(
            QStringLiteral("Soubor %1 nelze vytvořit.\n%2").arg(QDir::toNativeSeparators(target), file.errorString()));
    }
}

}  // namespace

QString DwcExport::firmIdentifier(const QString& firmSettingsPath) {
    IniFile ini(firmSettingsPath);
    QString id = ini.readString(QStringLiteral("DarwinCore"), QStringLiteral("Id")).trimmed();
    if (id.isEmpty()) {
        id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        ini.writeString(QStringLiteral("DarwinCore"), QStringLiteral("Id"), id);
    }
    return id;
}

QString DwcExport::defaultFileName(const QString& firmName) {
    QString name;
    for (const QChar c : firmName) {
        if (c.category() == QChar::Other_Control || QStringLiteral("\\/:*?\"<>|").contains(c)) continue;
        name += c;
    }
    name = name.trimmed();
    while (name.endsWith(QLatin1Char('.'))) name.chop(1);
    return (name.isEmpty() ? QStringLiteral("nalezy") : name) + QStringLiteral(".zip");
}

DwcExport::Result DwcExport::run(const QString& firmDir, const QString& firmSettingsPath, const QString& firmName,
                                 TSession& session, const Options& options) {
    TDatabase db(&session, QStringLiteral("DwcExport"));
    db.Params = {QStringLiteral("PATH=") + firmDir, QStringLiteral("DEFAULT DRIVER=PARADOX"),
                 QStringLiteral("ENABLE BCD=FALSE")};
    TTable common;
    common.setDatabase(&db);
    common.TableName = QStringLiteral("Hspl.DB");
    common.Open();
    const QString collector = common.IsEmpty() ? QString() : common.FieldByName(QStringLiteral("Sle"))->AsString();
    common.Close();

    DwcOccurrence::Options mapping;
    mapping.idPrefix = firmIdentifier(firmSettingsPath);
    mapping.basis = options.basis;
    mapping.country = options.country;
    const QStringList terms = DwcOccurrence::terms(options.country);

    // occurrence.txt is written beside the archive first; libzip packs it when it closes.
    const QString targetDir = QFileInfo(options.outputPath).absolutePath();
    QTemporaryFile text(targetDir + QStringLiteral("/.occurrence-XXXXXX.txt"));
    if (!text.open()) {
        throw EDatabaseError(QStringLiteral("Soubor %1 nelze vytvořit.\n%2")
                                 .arg(QDir::toNativeSeparators(options.outputPath), text.errorString()));
    }
    QByteArray chunk = terms.join(QLatin1Char('\t')).toUtf8() + '\n';

    Result result;
    TTable cards;
    cards.setDatabase(&db);
    cards.TableName = QStringLiteral("Hdok.DB");
    cards.setIndexFieldNames(QStringLiteral("Evc"));
    cards.Open();
    const CardFields fields(cards);
    const int low = std::min(options.evcFrom, options.evcTo), high = std::max(options.evcFrom, options.evcTo);
    if (options.selection == Selection::Range) {
        cards.FindNearest({low});
    } else {
        cards.First();
    }
    int read = 0;
    for (; !cards.Eof() && !cards.IsEmpty(); cards.Next()) {
        if (options.progress && ++read % 1000 == 0) options.progress(read);
        if (options.selection == Selection::Range) {
            const int evc = fields.evc->AsInteger();
            if (evc < low) continue;  // FindNearest past every key lands on the last card
            if (evc > high) break;
        }
        if (options.selection == Selection::Marked && fields.neh->AsString() != QLatin1String("A")) continue;
        const DwcOccurrence::Row row = DwcOccurrence::map(fields.card(), mapping);
        chunk += row.values.join(QLatin1Char('\t')).toUtf8();
        chunk += '\n';
        ++result.written;
        if (row.coordinatesUnread || row.dateMissing) {
            result.problems.append({fields.evc->AsInteger(), row.coordinatesUnread, row.dateMissing});
        }
        if (chunk.size() > (1 << 20)) {
            writeOrThrow(text, chunk, options.outputPath);
            chunk.clear();
        }
    }
    cards.Close();
    db.Close();
    writeOrThrow(text, chunk, options.outputPath);
    if (!text.flush()) {
        throw EDatabaseError(QStringLiteral("Soubor %1 nelze vytvořit.\n%2")
                                 .arg(QDir::toNativeSeparators(options.outputPath), text.errorString()));
    }

    DwcArchive::Metadata meta;
    meta.id = mapping.idPrefix;
    meta.title = firmName;
    meta.creator = collector;
    meta.published = QDate::currentDate();
    DwcArchive::write(options.outputPath, text.fileName(), terms, meta);
    return result;
}

QString DwcExport::summary(const Result& result) {
    QString text = QStringLiteral("Počet exportovaných nálezů: %1.").arg(result.written);
    if (result.problems.isEmpty()) return text;
    QStringList numbers;
    for (int i = 0; i < result.problems.size() && i < 20; ++i) numbers << QString::number(result.problems[i].evc);
    if (result.problems.size() > 20) numbers << QStringLiteral("…");
    // "u 1 nálezu", "u 2 nálezů": the genitive after "u" is singular only for one.
    const int count = result.problems.size();
    return text + QStringLiteral("\nSouřadnice nebo datum se nepodařilo přečíst u %1 %2 (evidenční čísla): %3")
                      .arg(count)
                      .arg(count == 1 ? QStringLiteral("nálezu") : QStringLiteral("nálezů"))
                      .arg(numbers.join(QStringLiteral(", ")));
}

QString DwcExport::problemList(const Result& result) {
    QString out;
    for (const Problem& p : result.problems) {
        QStringList what;
        if (p.coordinates) what << QStringLiteral("souřadnice");
        if (p.date) what << QStringLiteral("datum");
        out += QString::number(p.evc) + QLatin1Char('\t') + what.join(QStringLiteral(", ")) + QLatin1Char('\n');
    }
    return out;
}

}  // namespace interchange
