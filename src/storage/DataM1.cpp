#include "DataM1.h"

#include <QRegularExpression>

#include "DataFiles.h"
#include "TableLayouts.h"
#include "TablePassword.h"

namespace {

const QString kNewRecord = QStringLiteral("Nový záznam");
const QString kDuplicateNumber = QStringLiteral("Duplicitní klíč - evidenční číslo");
const QString kPeriodReversed = QStringLiteral("Datum konec období nemůže být menší než datum začátek období.");

// Registration numbers and the other integer fields of common data hold six digits either way.
constexpr int kNumberMin = -999999;
constexpr int kNumberMax = 999999;

// Switches the code lookups of the card window off while a new record's defaults are set, and
// on again however the handler ends: a failing default must not leave the lookups dead.
class CodeLookupOff {
public:
    explicit CodeLookupOff(bool& flag) : m_flag(flag) { m_flag = false; }
    ~CodeLookupOff() { m_flag = true; }
    CodeLookupOff(const CodeLookupOff&) = delete;
    CodeLookupOff& operator=(const CodeLookupOff&) = delete;

private:
    bool& m_flag;
};

bool editing(const TDataSet& ds) {
    return ds.State() == TDataSetState::Edit || ds.State() == TDataSetState::Insert;
}

// Stores the integer value of a number field back into it: an empty number becomes 0, and the
// field's range check applies to the result.
void normaliseNumber(TDataSet& ds, const char* name) {
    TField* f = ds.FieldByName(QLatin1String(name));
    f->setAsString(QString::number(f->AsInteger()));
}

// Fills one of two bound fields from the other when only one of them has a value.
void completePair(TDataSet& ds, const char* fromName, const char* toName) {
    TField* from = ds.FieldByName(QLatin1String(fromName));
    TField* to = ds.FieldByName(QLatin1String(toName));
    if (from->IsNull() && !to->IsNull()) {
        from->setValue(to->Value());
    } else if (!from->IsNull() && to->IsNull()) {
        to->setValue(from->Value());
    }
}

// Inserts `c` before the 1-based position `pos`, or appends it when the text is shorter.
void insertAt(QString& s, QChar c, int pos) {
    const int index = pos - 1;
    if (index >= s.size()) {
        s.append(c);
    } else {
        s.insert(index, c);
    }
}

}  // namespace

TDM1::TDM1(QObject* parent)
    : QObject(parent),
      HdokSource(new TDataSource(this)),
      Hdok3Source(new TDataSource(this)),
      HdathSource(new TDataSource(this)),
      HdatlSource(new TDataSource(this)),
      HsplSource(new TDataSource(this)),
      HdokQrSource(new TDataSource(this)),
      HdokQr1Source(new TDataSource(this)) {
    Database.LoginPrompt = false;

    struct TableSetup {
        TTable* table;
        const char* name;
        storage::TableDefinition definition;
        const char* order;
    };
    const TableSetup tables[] = {
        {&Hdok, "Hdok", storage::hdokTable(), "Evc"},     {&Hdok3, "Hdok3", storage::hdokTable(), "Evc"},
        {&Hdath, "Hdath", storage::hdathTable(), "Nlad"}, {&Hdatl, "Hdatl", storage::hdatlTable(), "Lkd"},
        {&Hspl, "Hspl", storage::hsplTable(), ""},
    };
    for (const TableSetup& t : tables) {
        t.table->Name = QLatin1String(t.name);
        t.table->setDatabase(&Database);
        t.table->TableName = t.definition.name + QStringLiteral(".DB");
        t.table->setIndexFieldNames(QLatin1String(t.order));
        // Declaring the fields makes opening a file of another layout fail instead of
        // presenting fields the rules below do not know.
        for (const engine::FieldDef& f : t.definition.layout.fields) t.table->AddFieldName(f.name);
    }
    HdokQr.Name = QStringLiteral("HdokQr");
    HdokQr.setDatabase(&Database);
    HdokQr.SQL = QStringList{QStringLiteral("Select * from Hdok")};
    HdokQr1.Name = QStringLiteral("HdokQr1");
    HdokQr1.setDatabase(&Database);
    HdokQr1.SQL = QStringList{QStringLiteral("Select distinct Lk, Nla, Nce from Hdok")};

    Hdok.AddCalcField(QStringLiteral("Nlak"), engine::FieldType::String, 255);
    HdokQr.AddCalcField(QStringLiteral("Nlak"), engine::FieldType::String, 255);

    // Field objects come into being at the first open; labels and ranges are (re)applied after
    // every open so that they hold whichever dataset a window opens.
    // Typed dates are completed by DatumAll whichever window or control writes them.
    auto completeDates = [](TField& field, const QString& text) { field.setAsString(DatumAll(text)); };
    Hdok.AfterOpen = [this, completeDates](TDataSet& ds) {
        setUpFields(ds, QStringLiteral("Hdok"));
        ds.FieldByName(QStringLiteral("Evc"))->setRange(kNumberMin, kNumberMax);
        ds.FieldByName(QStringLiteral("D"))->OnSetText = completeDates;
    };
    // The search cursor deliberately has no range on Evc.
    Hdok3.AfterOpen = [this](TDataSet& ds) { setUpFields(ds, QStringLiteral("Hdok")); };
    Hdath.AfterOpen = [this](TDataSet& ds) { setUpFields(ds, QStringLiteral("Hdath")); };
    Hdatl.AfterOpen = [this](TDataSet& ds) { setUpFields(ds, QStringLiteral("Hdatl")); };
    Hspl.AfterOpen = [this, completeDates](TDataSet& ds) {
        setUpFields(ds, QStringLiteral("Hspl"));
        for (const char* name : {"Evc1o", "Evc1d", "C1", "C2", "Cislo"}) {
            ds.FieldByName(QLatin1String(name))->setRange(kNumberMin, kNumberMax);
        }
        for (const char* name : {"Ho", "Lo", "Ho1", "Lo1"}) ds.FieldByName(QLatin1String(name))->setRange(0, 999);
        for (const char* name : {"Ko", "Ko1"}) ds.FieldByName(QLatin1String(name))->setRange(1, 999);
        for (const char* name : {"D1o", "D1d"}) ds.FieldByName(QLatin1String(name))->OnSetText = completeDates;
    };
    HdokQr.AfterOpen = [this](TDataSet& ds) { setUpFields(ds, QStringLiteral("Hdok")); };
    HdokQr1.AfterOpen = [this](TDataSet& ds) { setUpFields(ds, QStringLiteral("Hdok")); };

    // Cards.
    Hdok.OnNewRecord = [this](TDataSet&) { HdokNewRecord(); };
    Hdok.BeforePost = [this](TDataSet&) { HdokBeforePost(); };
    Hdok.AfterPost = [this](TDataSet&) { HdokAfterPost(); };
    Hdok.AfterDelete = [this](TDataSet&) { HdokAfterPost(); };
    Hdok.OnPostError = [this](TDataSet&, EDatabaseError& e, TDataAction& action) { HdokPostError(e, action); };
    Hdok.OnCalcFields = [](TDataSet& ds) { calcNlak(ds); };
    HdokQr.OnCalcFields = [](TDataSet& ds) { calcNlak(ds); };

    // Catalogues.
    Hdath.OnNewRecord = [this](TDataSet&) { HdathNewRecord(); };
    Hdath.AfterPost = [this](TDataSet&) { HdathAfterPost(); };
    Hdath.AfterDelete = [this](TDataSet&) { HdathAfterPost(); };
    Hdatl.OnNewRecord = [this](TDataSet&) { HdatlNewRecord(); };
    Hdatl.AfterPost = [this](TDataSet&) { HdatlAfterPost(); };
    Hdatl.AfterDelete = [this](TDataSet&) { HdatlAfterPost(); };

    // Common data.
    Hspl.BeforePost = [this](TDataSet&) { HsplBeforePost(); };

    HdokSource->setObjectName(QStringLiteral("HdokSource"));
    Hdok3Source->setObjectName(QStringLiteral("Hdok3Source"));
    HdathSource->setObjectName(QStringLiteral("HdathSource"));
    HdatlSource->setObjectName(QStringLiteral("HdatlSource"));
    HsplSource->setObjectName(QStringLiteral("HsplSource"));
    HdokQrSource->setObjectName(QStringLiteral("HdokQrSource"));
    HdokQr1Source->setObjectName(QStringLiteral("HdokQr1Source"));
    HdokSource->setDataSet(&Hdok);
    Hdok3Source->setDataSet(&Hdok3);
    HdathSource->setDataSet(&Hdath);
    HdatlSource->setDataSet(&Hdatl);
    HsplSource->setDataSet(&Hspl);
    HdokQrSource->setDataSet(&HdokQr);
    HdokQr1Source->setDataSet(&HdokQr1);

    // Status texts of the cursors windows show.
    connect(HdokSource, &TDataSource::dataChanged, this, [this] {
        if (statusUpdate && Hdok.Active()) cardPositionText(Hdok, cardCount);
    });
    connect(HdokSource, &TDataSource::stateChanged, this, [this] {
        if (statusUpdate) StatusEdit(Hdok);
    });
    connect(Hdok3Source, &TDataSource::dataChanged, this, [this] {
        if (statusUpdate && Hdok3.Active()) cardPositionText(Hdok3, searchCount);
    });
    connect(Hdok3Source, &TDataSource::stateChanged, this, [this] {
        if (statusUpdate) StatusEdit(Hdok3);
    });
    connect(HdathSource, &TDataSource::dataChanged, this, [this] {
        if (statusUpdate && Hdath.Active()) Zaznam(Hdath, speciesCount);
    });
    connect(HdathSource, &TDataSource::stateChanged, this, [this] {
        if (statusUpdate) StatusEdit(Hdath);
    });
    connect(HdatlSource, &TDataSource::dataChanged, this, [this] {
        if (statusUpdate && Hdatl.Active()) Zaznam(Hdatl, localityCount);
    });
    connect(HdatlSource, &TDataSource::stateChanged, this, [this] {
        if (statusUpdate) StatusEdit(Hdatl);
    });
}

TDM1::~TDM1() {
    // Closing sends state changes to the sources; nobody is to hear them any more.
    statusUpdate = false;
    try {
        Database.Close();
    } catch (...) {
    }
}

QString TDM1::programTitle() {
    return QStringLiteral("Lamelin %1.%2")
        .arg(storage::kProgramVersion / 100)
        .arg(storage::kProgramVersion % 100, 2, 10, QLatin1Char('0'));
}

void TDM1::setUpFields(TDataSet& dataSet, const QString& table) {
    for (TField* f : dataSet.Fields()) {
        if (!f->Calculated()) f->setDisplayLabel(storage::displayLabel(table, f->FieldName()));
    }
}

int TDM1::countOf(TDataSet& dataSet) {
    return dataSet.Active() ? dataSet.RecordCount() : 0;
}

// ---- session and opening -------------------------------------------------------------------

void TDM1::createStep(const QString& fileDir) {
    if (fileDir.isEmpty()) return;
    Session.Close();
    // The original platform upper-cased the control directory because its file names ignore
    // case; here the data directory is used exactly as found.
    Session.setNetFileDir(fileDir);
    Session.setPrivateDir(QString());
    Session.Open();
    Session.AddPassword(storage::tablePassword());
}

void TDM1::setFirmDirectory(const QString& dir) {
    Database.Close();
    QString path = dir;
    while (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\')))) path.chop(1);
    Database.Params = QStringList{QStringLiteral("PATH=") + path, QStringLiteral("DEFAULT DRIVER=PARADOX"),
                                  QStringLiteral("ENABLE BCD=FALSE")};
}

void TDM1::OtevritTabulky() {
    statusUpdate = false;
    Hspl.Open();
    Hdath.Open();
    Hdatl.Open();
    Hdok.Open();
    Hspl.Refresh();
    Hdath.Refresh();
    Hdatl.Refresh();
    Hdok.Refresh();
    // The counts belong to the firm just opened, not to the one before it.
    cardCount = Hdok.RecordCount();
    speciesCount = Hdath.RecordCount();
    localityCount = Hdatl.RecordCount();
    searchCount = 0;
    NazevDp1();
    emit statusText(0, QString());
    emit statusText(1, QString());
    emit statusText(2, QString());
    statusUpdate = true;
}

void TDM1::Obnovit1() {
    Hspl.Refresh();
    Hdath.Refresh();
    Hdatl.Refresh();
    Hdok.Refresh();
}

void TDM1::NazevDp1() {
    // A heading of spaces alone counts as none: the caption gets no dangling " - ".
    const QString sna = Hspl.Active() ? Hspl.FieldByName(QStringLiteral("Sna"))->AsString().trimmed() : QString();
    emit captionChanged(sna.isEmpty() ? programTitle() : programTitle() + QStringLiteral(" - ") + sna);
}

// ---- status texts --------------------------------------------------------------------------

void TDM1::StatusEdit(TDataSet& table) {
    emit statusText(2, editing(table) ? QStringLiteral("EDIT") : QString());
}

void TDM1::Zaznam(TDataSet& table, int count) {
    if (table.State() == TDataSetState::Insert) {
        emit statusText(1, kNewRecord);
    } else if (count < 1) {
        emit statusText(1, QStringLiteral("0/") + QString::number(count));
    } else {
        const int recNo = table.Active() ? table.RecNo() : 0;
        emit statusText(1, QString::number(recNo) + QLatin1Char('/') + QString::number(count));
    }
}

void TDM1::cardPositionText(TTable& table, int count) {
    if (!table.Filtered()) {
        Zaznam(table, count);
    } else if (table.State() == TDataSetState::Insert) {
        emit statusText(1, kNewRecord);
    } else {
        emit statusText(1, QStringLiteral("Výběr ") + QString::number(count));
    }
}

void TDM1::HdokR1() {
    cardCount = countOf(Hdok);
    cardPositionText(Hdok, cardCount);
    StatusEdit(Hdok);
}

void TDM1::Hdok3R1() {
    searchCount = countOf(Hdok3);
    cardPositionText(Hdok3, searchCount);
    StatusEdit(Hdok3);
}

void TDM1::Hdok1Ref1() {
    if (!cardWindowOpen) {
        emit statusText(1, QString());
        emit statusText(2, QString());
    } else {
        HdokR1();
    }
}

// ---- dates ---------------------------------------------------------------------------------

void TDM1::KDatum(TTable& table, const QString& fieldName) {
    TField* field = table.FieldByName(fieldName);
    QDate date = field->IsNull() ? QDate::currentDate() : field->AsDate();
    if (!pickDate || !pickDate(date)) return;
    table.Edit();
    field->setAsDate(date);
}

QString TDM1::DatumAll(const QString& text, const QDate& today) {
    QString s = text.trimmed();
    // A day offset from today.
    if (s.startsWith(QLatin1Char('+')) || s.startsWith(QLatin1Char('-'))) {
        bool ok = false;
        int days = s.toInt(&ok);
        if (!ok) days = 0;
        const QDate d = today.addDays(days);
        // An offset beyond the calendar keeps the typed text, which the field then refuses.
        if (d.isValid()) s = d.toString(QStringLiteral("d.M.yyyy"));
    }
    s.replace(QLatin1Char(','), QLatin1Char('.'));
    s.replace(QLatin1Char('/'), QLatin1Char('.'));
    // Digits typed without separators: ddmm or ddmmyyyy.
    if (s.size() >= 4 && !s.contains(QLatin1Char('.'))) {
        insertAt(s, QLatin1Char('.'), 3);
        insertAt(s, QLatin1Char('.'), 6);
    }
    const qsizetype points = s.count(QLatin1Char('.'));
    const qsizetype last = s.lastIndexOf(QLatin1Char('.')) + 1;  // 1-based, 0 when none
    const bool endsWithPoint = s.endsWith(QLatin1Char('.'));
    if (endsWithPoint && points == 2 && last >= 4 && last <= 6) {
        s += today.toString(QStringLiteral("yyyy"));  // "1.2." -> "1.2.2013"
    } else if (endsWithPoint && points == 1 && last >= 2 && last <= 3) {
        s += today.toString(QStringLiteral("M.yyyy"));  // "15." -> "15.2.2013"
    } else if (points == 0 && (s.size() == 1 || s.size() == 2)) {
        s += today.toString(QStringLiteral(".M.yyyy"));  // "15" -> "15.2.2013"
    } else {
        // Day and month without a year ("3.4" from "3/4") mean the current year; the date
        // fields read only complete dates.
        static const QRegularExpression dayMonth(QStringLiteral("^\\d{1,2}\\.\\d{1,2}$"));
        if (dayMonth.match(s).hasMatch()) s += today.toString(QStringLiteral(".yyyy"));
    }
    return s;
}

// ---- cards ---------------------------------------------------------------------------------

void TDM1::HdokNewRecord() {
    CodeLookupOff lookupOff(codeLookup);
    Hdok.FieldByName(QStringLiteral("Pdh"))->setAsBoolean(false);
    Hdok.FieldByName(QStringLiteral("Pdl"))->setAsBoolean(false);
    Hdok.FieldByName(QStringLiteral("Le"))->setValue(Hspl.FieldByName(QStringLiteral("Sle"))->Value());
    Hdok.FieldByName(QStringLiteral("Evc"))->setValue(Hspl.FieldByName(QStringLiteral("Cislo"))->Value());
    if (Hdok.Filtered()) {
        // The card joins the selection shown, so the marks must be reset later.
        Hdok.FieldByName(QStringLiteral("Neh"))->setAsString(QStringLiteral("A"));
        selectionResetPending = true;
    } else {
        Hdok.FieldByName(QStringLiteral("Neh"))->setAsString(QStringLiteral("N"));
    }
    if (cardWindowOpen) emit newCardStarted();
}

void TDM1::HdokBeforePost() {
    normaliseNumber(Hdok, "Evc");
    if (Hdok.State() == TDataSetState::Insert) {
        // The next card proposes the number after this one. The largest number a card can have
        // has no successor: the proposal then stays at that number, which the unique key refuses
        // with the duplicate message, instead of a value Cislo cannot hold failing every save.
        const int evc = Hdok.FieldByName(QStringLiteral("Evc"))->AsInteger();
        const int next = evc < kNumberMax ? evc + 1 : kNumberMax;
        try {
            Hspl.Edit();
            Hspl.FieldByName(QStringLiteral("Cislo"))->setAsInteger(next);
            Hspl.Post();
        } catch (...) {
            // Leave the common data as it was on disk rather than half-edited.
            Hspl.Cancel();
            throw;
        }
        Hspl.Close();
        Hspl.Open();
    }
    transferSpecies();
    transferLocality();
}

// The transfer flag is stored false. When the catalogue cannot take the row, the flag is set
// again so that saving the card once more still carries the species over.
void TDM1::transferSpecies() {
    TField* pdh = Hdok.FieldByName(QStringLiteral("Pdh"));
    if (!pdh->AsBoolean()) return;
    pdh->setAsBoolean(false);
    const QVariantList values{
        Hdok.FieldByName(QStringLiteral("Kdh"))->Value(), Hdok.FieldByName(QStringLiteral("Nla"))->Value(),
        Hdok.FieldByName(QStringLiteral("Ato"))->Value(), Hdok.FieldByName(QStringLiteral("Nce"))->Value()};
    try {
        if (Hdath.Locate(QStringLiteral("Kodh;Nlad;Atod;Nced"), values)) return;
        Hdath.Append();
        Hdath.FieldByName(QStringLiteral("Kodh"))->setValue(values[0]);
        Hdath.FieldByName(QStringLiteral("Nlad"))->setValue(values[1]);
        Hdath.FieldByName(QStringLiteral("Atod"))->setValue(values[2]);
        Hdath.FieldByName(QStringLiteral("Nced"))->setValue(values[3]);
        Hdath.Post();
    } catch (...) {
        Hdath.Cancel();
        pdh->setAsBoolean(true);
        throw;
    }
}

void TDM1::transferLocality() {
    TField* pdl = Hdok.FieldByName(QStringLiteral("Pdl"));
    if (!pdl->AsBoolean()) return;
    pdl->setAsBoolean(false);
    const QVariantList values{Hdok.FieldByName(QStringLiteral("Kdl"))->Value(),
                              Hdok.FieldByName(QStringLiteral("Lk"))->Value()};
    try {
        if (Hdatl.Locate(QStringLiteral("Kodl;Lkd"), values)) return;
        Hdatl.Append();
        Hdatl.FieldByName(QStringLiteral("Kodl"))->setValue(values[0]);
        Hdatl.FieldByName(QStringLiteral("Lkd"))->setValue(values[1]);
        Hdatl.Post();
    } catch (...) {
        Hdatl.Cancel();
        pdl->setAsBoolean(true);
        throw;
    }
}

void TDM1::HdokAfterPost() {
    if (statusUpdate) HdokR1();
}

void TDM1::HdokPostError(EDatabaseError& error, TDataAction& action) {
    const auto* engineError = dynamic_cast<EDBEngineError*>(&error);
    if (engineError && engineError->errorCode() == EngineErrorCode::KeyViolation) {
        if (showMessage) showMessage(DmMessage::Error, kDuplicateNumber);
        // The card stays in its edit state so that the number can be changed.
        action = TDataAction::Abort;
    }
}

void TDM1::calcNlak(TDataSet& ds) {
    TField* nlak = ds.FindField(QStringLiteral("Nlak"));
    TField* nla = ds.FindField(QStringLiteral("Nla"));
    if (!nlak || !nla) return;
    TField* ato = ds.FindField(QStringLiteral("Ato"));
    const QString author = ato ? ato->AsString() : QString();
    nlak->setAsString(author.isEmpty() ? nla->AsString()
                                       : nla->AsString() + QStringLiteral(" (") + author + QLatin1Char(')'));
}

// ---- catalogues ----------------------------------------------------------------------------

void TDM1::HdathNewRecord() {
    CodeLookupOff lookupOff(codeLookup);
    Hdath.FieldByName(QStringLiteral("Kodh"))->Clear();
    Hdath.FieldByName(QStringLiteral("Nlad"))->Clear();
    if (speciesWindowOpen) emit newSpeciesStarted();
}

void TDM1::HdatlNewRecord() {
    CodeLookupOff lookupOff(codeLookup);
    Hdatl.FieldByName(QStringLiteral("Kodl"))->Clear();
    Hdatl.FieldByName(QStringLiteral("Lkd"))->Clear();
    if (localityWindowOpen) emit newLocalityStarted();
}

void TDM1::HdathAfterPost() {
    if (!statusUpdate) return;
    speciesCount = countOf(Hdath);
    Zaznam(Hdath, speciesCount);
}

void TDM1::HdatlAfterPost() {
    if (!statusUpdate) return;
    localityCount = countOf(Hdatl);
    Zaznam(Hdatl, localityCount);
}

// ---- common data ---------------------------------------------------------------------------

void TDM1::HsplBeforePost() {
    for (const char* name : {"Cislo", "C1", "C2", "Ho", "Lo", "Ko", "Ho1", "Lo1", "Ko1"}) normaliseNumber(Hspl, name);
    if (!extendedSearchOpen) return;
    completePair(Hspl, "Evc1o", "Evc1d");
    completePair(Hspl, "D1o", "D1d");
    const TField* from = Hspl.FieldByName(QStringLiteral("D1o"));
    const TField* to = Hspl.FieldByName(QStringLiteral("D1d"));
    if (!from->IsNull() && !to->IsNull() && from->AsDate() > to->AsDate()) {
        if (showMessage) showMessage(DmMessage::Information, kPeriodReversed);
        throw EAbort();
    }
}
