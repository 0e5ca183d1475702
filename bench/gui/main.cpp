// lamelin-gui-bench: the card index windows on large tables, offscreen. Each measured operation
// prints one line
//     bench <operation> rows=<rows in the table> ms=<milliseconds>
// (best of three runs where an operation can be repeated). See README.md beside this file.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <sqlite3.h>

#include "Application.h"
#include "CardFlags.h"
#include "CardGenerator.h"
#include "DataFiles.h"
#include "DataM1.h"
#include "Ekdh1.h"
#include "Ekov.h"
#include "Ekvh.h"
#include "Ekzp.h"
#include "Find22.h"
#include "Globals.h"
#include "IniFile.h"
#include "MessageBox.h"
#include "TDBGrid.h"
#include "TablePassword.h"
#include "TemplateSet.h"
#include "TQuery.h"
#include "WindowPlacement.h"

namespace {

constexpr int kRuns = 3;

void report(const char* op, int rows, double ms) {
    std::printf("bench %s rows=%d ms=%.3f\n", op, rows, ms);
    std::fflush(stdout);
}

void progress(const QString& text) {
    std::fprintf(stderr, "%s\n", qPrintable(text));
}

// Every event the offscreen platform has queued: layout, activation, the first paint.
void settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// One row being filled: its values by field name.
class Row {
public:
    Row(TTable& t, QVector<QVariant>& values) : m_table(t), m_values(values) {}
    void set(const char* field, const QVariant& value) const {
        m_values[m_table.FieldByName(QLatin1String(field))->Index()] = value;
    }

private:
    TTable& m_table;
    QVector<QVariant>& m_values;
};

// Appends `count` rows made by `fill` to table `name` of the firm directory `dir`, a durable
// batch per 50 000 rows.
template <typename F>
void fillTable(const QString& dir, const QString& name, int count, F fill) {
    TSession session(QStringLiteral("GuiBenchBuild"));
    session.AddPassword(storage::tablePassword());
    TDatabase db(&session, QStringLiteral("GuiBenchBuildDb"));
    db.Params = {QStringLiteral("PATH=") + dir, QStringLiteral("DEFAULT DRIVER=PARADOX"),
                 QStringLiteral("ENABLE BCD=FALSE")};
    TTable t;
    t.setDatabase(&db);
    t.TableName = name + QStringLiteral(".DB");
    t.Open();
    QElapsedTimer clock;
    clock.start();
    QVector<QVector<QVariant>> rows;
    for (int i = 0; i < count; ++i) {
        rows.push_back(QVector<QVariant>(t.Fields().size()));
        fill(Row(t, rows.back()), i);
        if (rows.size() == 50000 || i + 1 == count) {
            t.AppendRecords(rows);
            rows.clear();
            progress(
                QStringLiteral("%1: %2 of %3 rows, %4 s").arg(name).arg(i + 1).arg(count).arg(clock.elapsed() / 1000));
        }
    }
    t.Close();
}


// A firm directory with `cards` generated cards and `species` species, made once and kept in
// `root`/<cards>-<species>/D1.
QString prepareFirm(const QString& root, int cards, int species) {
    const QString dataDir = root + QStringLiteral("/%1-%2/").arg(cards).arg(species);
    const QString firm = dataDir + QStringLiteral("D1/");
    if (QFile::exists(firm + QStringLiteral("ready"))) return dataDir;
    QDir(dataDir).removeRecursively();
    storage::TemplateSet::prepareDataDirectory(dataDir);
    QDir().mkpath(firm);
    for (const QString& f : storage::dataFileList()) QFile::copy(dataDir + QStringLiteral("Data/") + f, firm + f);
    QElapsedTimer clock;
    clock.start();
    const bench::CardGenerator cardGen(cards);
    fillTable(firm, QStringLiteral("Hdok"), cards, [&](const Row& r, int i) {
        const bench::Card c = cardGen.card(i);
        r.set("Evc", c.evc);
        r.set("Kdh", c.kdh);
        r.set("Nla", c.nla);
        r.set("Ato", c.ato);
        r.set("Nce", c.nce);
        r.set("Kdl", c.kdl);
        r.set("Lk", c.lk);
        r.set("Cmp", c.cmp);
        r.set("Nmv", c.nmv);
        r.set("Sd", c.sd);
        r.set("Plo1", c.plo1);
        r.set("Plo2", c.plo2);
        r.set("Le", c.le);
        r.set("D", c.d);
        r.set("Dt", c.dt);
        r.set("Neh", c.neh);
        r.set("Obr", c.obr);
    });
    // The species catalogue: the species of as many generated cards, as a collector's catalogue
    // grows from the cards (duplicates included, as the catalogue allows).
    const bench::CardGenerator speciesGen(species, 77);
    fillTable(firm, QStringLiteral("Hdath"), species, [&](const Row& r, int i) {
        const bench::Card c = speciesGen.card(i);
        r.set("Kodh", c.kdh);
        r.set("Nlad", c.nla);
        r.set("Atod", c.ato);
        r.set("Nced", c.nce);
    });
    QFile(firm + QStringLiteral("ready")).open(QIODevice::WriteOnly);
    progress(QStringLiteral("data for %1 cards built in %2 s").arg(cards).arg(clock.elapsed() / 1000.0, 0, 'f', 1));
    return dataDir;
}

// Opens firm D1 of `dataDir` in the data module as the firm selection would.
void openFirm(const QString& dataDir) {
    DM1->Database.Close();
    DM1->createStep(dataDir);
    MainForm->FileDir = dataDir;
    MainForm->firmDirName = QStringLiteral("D1");
    WindowPlacement::setFirmSettings(MainForm->firmSettingsPath(), QStringLiteral("D1"));
    DM1->setFirmDirectory(dataDir + QStringLiteral("D1"));
    QElapsedTimer clock;
    clock.start();
    DM1->OtevritTabulky();
    progress(QStringLiteral("tables opened in %1 ms").arg(clock.elapsed()));
}

void sendKey(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = QString()) {
    QWidget* target = QApplication::focusWidget();
    if (!target) target = QApplication::activeWindow();
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(target, &release);
    settle();
}

template <typename T>
T* showActive(T* window) {
    window->show();
    QApplication::setActiveWindow(window);
    settle();
    return window;
}

// Types each prefix letter by letter into `box` (emptied first); returns the average and the
// slowest key in milliseconds, each key delivered and the window repainted.
std::pair<double, double> typePrefixes(QLineEdit* box, const QStringList& prefixes,
                                       const std::function<void(const QString&)>& typed = {}) {
    double slowest = 0;
    double sum = 0;
    int keys = 0;
    for (const QString& prefix : prefixes) {
        box->clear();
        settle();
        for (QChar c : prefix) {
            QElapsedTimer key;
            key.start();
            sendKey(Qt::Key_unknown, Qt::NoModifier, QString(c));
            const double ms = key.nsecsElapsed() / 1e6;
            slowest = std::max(slowest, ms);
            sum += ms;
            ++keys;
        }
        if (typed) typed(prefix);
    }
    return {sum / keys, slowest};
}

void benchSpecies(int species) {
    double best = 1e9;
    TEkdh1Form* window = nullptr;
    for (int run = 0; run < kRuns; ++run) {
        if (window) {
            window->reject();
            settle();
        }
        QElapsedTimer clock;
        clock.start();
        // The command "Databáze hub".
        cards::pickMode = false;
        cards::cataloguesGoToFirst = true;
        DM1->Hdath.Refresh();
        DM1->Hdath.First();
        window = showActive(new TEkdh1Form(MainForm));
        best = std::min(best, clock.nsecsElapsed() / 1e6);
    }
    report("open_fungi_catalogue", species, best);

    // PgDn through 1,000 rows with the grid focused: each key moves one row and repaints.
    window->DBGridHdath->setFocus();
    settle();
    double slowest = 0;
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < 1000; ++i) {
        QElapsedTimer key;
        key.start();
        sendKey(Qt::Key_PageDown);
        slowest = std::max(slowest, key.nsecsElapsed() / 1e6);
    }
    const double all = total.nsecsElapsed() / 1e6;
    report("pgdn_1000_rows_fungi_catalogue", species, all);
    report("pgdn_fungi_catalogue_slowest_key", species, slowest);
    std::fprintf(stderr, "grid rows held: %d of %d\n", window->DBGridHdath->model()->rowCount(), species);
    window->reject();
    settle();
}

void benchCards(int cards, bool findByName) {
    static const char* const orders[] = {"evc", "nla", "nce", "lk", "d"};
    for (int order = 0; order < 5; ++order) {
        IniFile(MainForm->firmSettingsPath())
            .writeInteger(QStringLiteral("D1"), QStringLiteral("Vyhledavani22Podle"), order);
        double best = 1e9;
        double closing = 1e9;
        for (int run = 0; run < kRuns; ++run) {
            QElapsedTimer clock;
            clock.start();
            // The command "Zápis do kartotéky" (TMainForm::ZapisN2 without the modal loop).
            cards::cardGoToFirst = true;
            DM1->Hdok.Refresh();
            DM1->Hdok.First();
            TEkzpForm* window = showActive(new TEkzpForm(MainForm));
            best = std::min(best, clock.nsecsElapsed() / 1e6);
            clock.restart();
            window->reject();
            settle();
            closing = std::min(closing, clock.nsecsElapsed() / 1e6);
        }
        report(qPrintable(QStringLiteral("open_card_window_by_%1").arg(QLatin1String(orders[order]))), cards, best);
        report(qPrintable(QStringLiteral("close_card_window_by_%1").arg(QLatin1String(orders[order]))), cards, closing);
    }
    if (!findByName) return;

    // F3 in the card window, the Latin-name order, and a prefix typed letter by letter.
    cards::cardGoToFirst = true;
    TEkzpForm* window = showActive(new TEkzpForm(MainForm));
    auto* find = showActive(new TFind22Form(&DM1->Hdok, window));
    find->item(1)->click();
    find->FindEdit->setFocus();
    settle();
    const QStringList prefixes = {QStringLiteral("Bol"), QStringLiteral("Amanita m"), QStringLiteral("Russula"),
                                  QStringLiteral("Lactarius t"), QStringLiteral("Xer")};
    const auto [average, slowest] = typePrefixes(find->FindEdit, prefixes, [](const QString& prefix) {
        std::fprintf(stderr, "typed '%s': %s\n", qPrintable(prefix),
                     qPrintable(DM1->Hdok.FieldByName(QStringLiteral("Nla"))->AsString()));
    });
    report("find_latin_prefix_key_average", cards, average);
    report("find_latin_prefix_key_slowest", cards, slowest);
    find->reject();
    window->reject();
    settle();
}


// ---- search and correction -------------------------------------------------------------------

// The extended search's criteria: three names and a date range that a real collector would ask
// for (Amanitas, "muchom…" in the Czech name, a locality prefix, ten years).
struct SearchCriteria {
    QString nla = QStringLiteral("Amanita");
    QString nce = QStringLiteral("muchom");
    QString lk;      // a prefix of a frequent locality
    QString lkFull;  // that locality, for the species count
    QDate from;
    QDate to;
};

SearchCriteria criteriaFor(int cards) {
    const bench::CardGenerator gen(cards);
    SearchCriteria c;
    c.lkFull = gen.card(0).lk;
    c.lk = c.lkFull.left(3);
    c.from = QDate(2000, 1, 1);
    c.to = QDate(2010, 12, 31);
    return c;
}

void setCriteria(const SearchCriteria& c, bool localityOnly) {
    TTable& h = DM1->Hspl;
    h.Edit();
    for (const char* f : {"Kdh1", "Nla1", "Nce1", "Kdl1", "Lk1", "Evc1o", "Evc1d", "D1o", "D1d"})
        h.FieldByName(QLatin1String(f))->Clear();
    for (const char* f : {"Nlt", "Nct", "Lkt"}) h.FieldByName(QLatin1String(f))->setAsBoolean(false);
    h.FieldByName(QStringLiteral("Lk1"))->setAsString(localityOnly ? c.lkFull : c.lk);
    if (!localityOnly) {
        h.FieldByName(QStringLiteral("Nla1"))->setAsString(c.nla);
        h.FieldByName(QStringLiteral("Nce1"))->setAsString(c.nce);
        h.FieldByName(QStringLiteral("D1o"))->setAsDate(c.from);
        h.FieldByName(QStringLiteral("D1d"))->setAsDate(c.to);
    }
    h.Post();
}

// SQLite doing the same work: the cards' searched fields in an indexed table, the two UPDATEs of
// a selection and the distinct species of a locality. Made once per size next to the firm.
class SqliteCards {
public:
    SqliteCards(const QString& path, int cards) {
        const bool exists = QFile::exists(path);
        sqlite3_open(qPrintable(path), &m_db);
        exec("PRAGMA journal_mode=WAL");
        exec("PRAGMA synchronous=NORMAL");
        if (exists) return;
        exec("CREATE TABLE hdok(evc INTEGER PRIMARY KEY, nla TEXT, nce TEXT, lk TEXT, d TEXT, neh TEXT)");
        exec("BEGIN");
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(m_db, "INSERT INTO hdok VALUES(?,?,?,?,?,'N')", -1, &insert, nullptr);
        const bench::CardGenerator gen(cards);
        for (int i = 0; i < cards; ++i) {
            const bench::Card c = gen.card(i);
            sqlite3_bind_int(insert, 1, c.evc);
            const QByteArray nla = c.nla.toUtf8(), nce = c.nce.toUtf8(), lk = c.lk.toUtf8();
            const QByteArray d = c.d.toString(QStringLiteral("yyyy-MM-dd")).toUtf8();
            sqlite3_bind_text(insert, 2, nla.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 3, nce.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 4, lk.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 5, d.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        exec("COMMIT");
        for (const char* f : {"nla", "nce", "lk", "d"}) exec(QStringLiteral("CREATE INDEX i_%1 ON hdok(%1)").arg(QLatin1String(f)));
    }
    ~SqliteCards() { sqlite3_close(m_db); }
    // Runs a statement; returns the number of rows it changed (UPDATE) or the first column of
    // its last row (SELECT count).
    int exec(const QString& sql) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, qPrintable(sql), -1, &st, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(m_db));
            std::exit(3);
        }
        int value = 0;
        while (sqlite3_step(st) == SQLITE_ROW) value = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
        return sqlite3_changes(m_db) && sql.startsWith(QLatin1String("UPDATE")) ? sqlite3_changes(m_db) : value;
    }

private:
    sqlite3* m_db = nullptr;
};

int marked() {
    TQuery q;
    q.setDatabase(&DM1->Database);
    q.SQL = {QStringLiteral("Select Evc from Hdok where Neh = \"A\"")};
    q.Open();
    return q.RecordCount();
}

void benchSearch(const QString& dataDir, int cards) {
    static const char* const orders[] = {"evc", "nla", "nce", "lk", "d"};
    // Opening the window in each order: the command's sequence without the modal loop (the stale
    // marks cleared, Hdok3 opened on its first card, the window created, shown and painted).
    for (int order = 0; order < 5; ++order) {
        IniFile(MainForm->firmSettingsPath()).writeInteger(QStringLiteral("D1"), QStringLiteral("VyhledavaniPodle1"), order);
        double best = 1e9;
        for (int run = 0; run < kRuns; ++run) {
            QElapsedTimer clock;
            clock.start();
            TEkovForm::goToFirst = true;
            TEkovForm::unmarkAll();
            DM1->Hdok3.Open();
            DM1->Hdok3.First();
            TEkovForm* window = showActive(new TEkovForm(MainForm));
            best = std::min(best, clock.nsecsElapsed() / 1e6);
            window->reject();
            settle();
            DM1->Hdok3.Close();
        }
        report(qPrintable(QStringLiteral("open_search_window_by_%1").arg(QLatin1String(orders[order]))), cards, best);
    }

    TEkovForm::goToFirst = true;
    DM1->Hdok3.Open();
    DM1->Hdok3.First();
    TEkovForm* window = showActive(new TEkovForm(MainForm));
    // Switching the order: each radio button clicked in turn, the grid re-sorted and repainted.
    QRadioButton* radios[] = {window->RadioButtonNla1, window->RadioButtonNce1, window->RadioButtonLk1,
                              window->RadioButtonD1, window->RadioButtonEvc1};
    double slowestSwitch = 0;
    for (int round = 0; round < 2; ++round) {
        for (QRadioButton* r : radios) {
            QElapsedTimer clock;
            clock.start();
            r->click();
            settle();
            slowestSwitch = std::max(slowestSwitch, clock.nsecsElapsed() / 1e6);
        }
    }
    report("switch_search_order_slowest", cards, slowestSwitch);

    // The incremental search in the Latin-name order, letter by letter.
    window->RadioButtonNla1->click();
    window->FindEdit->setFocus();
    settle();
    const auto [average, slowest] =
        typePrefixes(window->FindEdit, {QStringLiteral("Bol"), QStringLiteral("Amanita m"), QStringLiteral("Russula"),
                                        QStringLiteral("Lactarius t"), QStringLiteral("Xer")});
    report("search_name_key_average", cards, average);
    report("search_name_key_slowest", cards, slowest);

    // The extended search: three names and ten years, marking included, then its cancel; and
    // the species count of a locality selection.
    const SearchCriteria criteria = criteriaFor(cards);
    auto* dialog = showActive(new TEkvhForm(window));
    double select = 1e9, cancel = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        setCriteria(criteria, false);
        QElapsedTimer clock;
        clock.start();
        dialog->VyberButtonClick();
        settle();
        select = std::min(select, clock.nsecsElapsed() / 1e6);
        clock.restart();
        dialog->ZrusitButtonClick();
        settle();
        cancel = std::min(cancel, clock.nsecsElapsed() / 1e6);
    }
    setCriteria(criteria, false);
    dialog->VyberButtonClick();
    const int ours = marked();
    report("extended_search_3_names_dates", cards, select);
    report("extended_search_cancel", cards, cancel);
    setCriteria(criteria, true);
    dialog->VyberButtonClick();
    double count = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer clock;
        clock.start();
        window->ZobrPocet();
        count = std::min(count, clock.nsecsElapsed() / 1e6);
    }
    report("species_count_of_locality", cards, count);
    const QString ourCount = window->LabelPocet->text();
    std::fprintf(stderr, "search grid rows held: %d of %d\n", window->DBGridHdok3->model()->rowCount(), cards);
    dialog->ZrusitButtonClick();
    dialog->reject();
    window->reject();
    settle();
    DM1->Hdok3.Close();

    // SQLite: the same selection on an indexed table (its LIKE ignores ASCII letter case, as
    // Upper() does on our side; the criteria are ASCII so both find the same cards).
    SqliteCards lite(dataDir + QStringLiteral("search.sqlite"), cards);
    const QString where = QStringLiteral(" WHERE nla LIKE '%1%' AND nce LIKE '%2%' AND lk LIKE '%3%' AND d >= '%4' AND d <= '%5'")
                              .arg(criteria.nla, criteria.nce, criteria.lk, criteria.from.toString(QStringLiteral("yyyy-MM-dd")),
                                   criteria.to.toString(QStringLiteral("yyyy-MM-dd")));
    double liteSelect = 1e9, liteCancel = 1e9, liteCount = 1e9;
    int theirs = 0, theirCount = 0;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer clock;
        clock.start();
        lite.exec(QStringLiteral("UPDATE hdok SET neh = 'N'"));
        theirs = lite.exec(QStringLiteral("UPDATE hdok SET neh = 'A'") + where);
        liteSelect = std::min(liteSelect, clock.nsecsElapsed() / 1e6);
        clock.restart();
        lite.exec(QStringLiteral("UPDATE hdok SET neh = 'N'"));
        liteCancel = std::min(liteCancel, clock.nsecsElapsed() / 1e6);
        clock.restart();
        theirCount = lite.exec(QStringLiteral("SELECT count(*) FROM (SELECT DISTINCT lk, nla, nce FROM hdok WHERE lk = '%1')")
                                   .arg(QString(criteria.lkFull).replace(QLatin1Char('\''), QStringLiteral("''"))));
        liteCount = std::min(liteCount, clock.nsecsElapsed() / 1e6);
    }
    report("sqlite_extended_search_3_names_dates", cards, liteSelect);
    report("sqlite_extended_search_cancel", cards, liteCancel);
    report("sqlite_species_count_of_locality", cards, liteCount);
    std::fprintf(stderr, "selected: ours %d, sqlite %d; species of '%s': ours '%s', sqlite %d\n", ours, theirs,
                 qPrintable(criteria.lkFull), qPrintable(ourCount), theirCount);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString root = QDir::currentPath() + QStringLiteral("/gui-bench-data");
    QList<int> cardSizes{100000, 1000000};
    int species = 20000;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--data")) root = args[i + 1];
        if (args[i] == QLatin1String("--species")) species = args[i + 1].toInt();
        if (args[i] == QLatin1String("--cards")) {
            cardSizes.clear();
            for (const QString& n : args[i + 1].split(QLatin1Char(','))) cardSizes << n.toInt();
        }
    }
    TMainForm::Options options;
    options.programDir = root + QStringLiteral("/program");
    options.commonAppDataUnavailable = true;
    options.firstActivationOnShow = false;
    QDir().mkpath(options.programDir);
    createStartupWindows(options);
    // Message boxes would wait for a user nobody is: any box is a failure of the run.
    MessageBox::setResponder([](MsgKind, const QString& text, MsgButtons) {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
        std::exit(2);
        return MsgResult::Ok;
    });
    MainForm->show();

    for (int i = 0; i < cardSizes.size(); ++i) {
        const int cards = cardSizes[i];
        openFirm(prepareFirm(root, cards, species));
        if (i == 0) benchSpecies(species);
        benchCards(cards, i + 1 == cardSizes.size());
        benchSearch(root + QStringLiteral("/%1-%2/").arg(cards).arg(species), cards);
    }
    destroyStartupWindows();
    return 0;
}
