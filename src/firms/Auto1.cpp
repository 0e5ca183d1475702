#include "Auto1.h"

#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <memory>

#include "Au1.h"
#include "Au2.h"
#include "Au3.h"
#include "Au4.h"
#include "Au5.h"
#include "Au6.h"
#include "Au9.h"
#include "DataM1.h"
#include "EngineError.h"
#include "FirmFiles.h"
#include "FirmRestore.h"
#include "Globals.h"
#include "HourglassCursor.h"
#include "IniFile.h"
#include "Main.h"
#include "MessageBox.h"
#include "OsFileLock.h"
#include "TDBGrid.h"
#include "TableLayouts.h"
#include "TitleFit.h"

namespace {

const QString kNoFirm = QStringLiteral("Není k dispozici žádná firma. Spusťte akci nová firma.");
const QString kCislo = QStringLiteral("Cislo");
const QString kPozice = QStringLiteral("Pozice");
const QString kNazev = QStringLiteral("Nazev");
const QString kAdresar = QStringLiteral("Adresar");
const QString kSporin = QStringLiteral("Sporin");
const QString kVyber = QStringLiteral("Vyber");

// Keeps the grid from following the cursor while the register is walked, and lets it follow
// again however the walk ends.
class ControlsDisabled {
public:
    explicit ControlsDisabled(TDataSet& dataSet) : m_dataSet(dataSet) { m_dataSet.DisableControls(); }
    ~ControlsDisabled() { m_dataSet.EnableControls(); }
    ControlsDisabled(const ControlsDisabled&) = delete;
    ControlsDisabled& operator=(const ControlsDisabled&) = delete;

private:
    TDataSet& m_dataSet;
};

bool editing(const TDataSet& ds) {
    return ds.State() == TDataSetState::Edit || ds.State() == TDataSetState::Insert;
}

}  // namespace

template <typename F>
void TAuto1Form::guarded(F command) {
    try {
        command();
    } catch (const EAbort&) {
    } catch (const EDatabaseError& e) {
        MessageBox::error(e.message(), this);
    }
}

// ---- creation ------------------------------------------------------------------------------

TAuto1Form::TAuto1Form(QWidget* parent)
    : QDialog(parent), Nazvy(DM1 ? &DM1->Session : nullptr, QStringLiteral("Nazvy")) {
    // The upgrade below reaches the window through its variable, so it is set first.
    Auto1Form = this;
    setObjectName(QStringLiteral("Auto1Form"));
    Nazvy.LoginPrompt = false;

    const QStringList current = {kCislo, kPozice, kNazev, kAdresar};
    auto setUp = [this](TTable& table, const char* name, const QString& file, const QStringList& fields) {
        table.Name = QLatin1String(name);
        table.setDatabase(&Nazvy);
        table.TableName = file;
        for (const QString& f : fields) table.AddFieldName(f);
    };
    setUp(Auto1, "Auto1", QStringLiteral("Data.DB"), current);
    setUp(Uziv, "Uziv", QStringLiteral("Uziv.DB"), {kCislo, QStringLiteral("Heslo")});
    setUp(AutoP1, "AutoP1", QStringLiteral("Data.DB"), {kCislo, kNazev, kAdresar});
    setUp(AutoP2, "AutoP2", QStringLiteral("Data.DB"), current);
    setUp(TableA, "TableA", QStringLiteral("Data.DB"), current);
    Auto1.setIndexFieldNames(kCislo);
    Auto1Source.setDataSet(&Auto1);
    Uziv.setIndexFieldNames(kCislo);
    Uziv.setMasterSource(&Auto1Source);
    Uziv.setMasterFields(kCislo);
    UzivSource.setDataSet(&Uziv);
    Auto1.AfterOpen = [](TDataSet& ds) {
        for (TField* f : ds.Fields()) {
            const QString label = storage::displayLabel(QStringLiteral("Data"), f->FieldName());
            if (!label.isEmpty()) f->setDisplayLabel(label);
        }
    };
    // A firm's password row goes with it.
    Auto1.BeforeDelete = [this](TDataSet&) {
        while (Uziv.Active() && !Uziv.IsEmpty()) Uziv.Delete();
    };

    buildWindow();
    buildOrderMenu();
    installKeyPreview(this);

    if (!MainForm || MainForm->dataDirNotFound) return;
    CheckBoxF->setVisible(true);
    DBGridAuto1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DBGridAuto1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu1->popup(DBGridAuto1->viewport()->mapToGlobal(pos)); });
    setWindowTitle(TMainForm::programTitle() + QStringLiteral(" - výběr"));
    Nazvy.Close();
    Nazvy.Params = {QStringLiteral("PATH=") + fileDir(), QStringLiteral("DEFAULT DRIVER=PARADOX"),
                    QStringLiteral("ENABLE BCD=FALSE")};
    firms::deleteStaleLocks(fileDir());
    MainForm->PrevodSeznF1();
}

TAuto1Form::~TAuto1Form() {
    if (Auto1Form == this) Auto1Form = nullptr;
}

void TAuto1Form::buildWindow() {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    const QString formHint = QStringLiteral("Výběr práce s daty Ctrl + N");
    setToolTip(formHint);
    setStatusTip(formHint);

    DBGridAuto1 = new TDBGrid(this);
    DBGridAuto1->setObjectName(QStringLiteral("DBGridAuto1"));
    DBGridAuto1->setDataSource(&Auto1Source);
    DBGridAuto1->setColumns({{kCislo, QStringLiteral("Číslo"), 40, true},
                             {kNazev, QStringLiteral("Název"), 164, true},
                             {kAdresar, QStringLiteral("Adresář"), 47, true}});
    DBGridAuto1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGridAuto1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGridAuto1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGridAuto1->setTabKeyNavigation(true);
    DBGridAuto1->setShowGrid(true);
    DBGridAuto1->horizontalHeader()->setVisible(true);
    QPalette info = DBGridAuto1->palette();
    info.setColor(QPalette::Base, info.color(QPalette::ToolTipBase));
    info.setColor(QPalette::Text, info.color(QPalette::ToolTipText));
    DBGridAuto1->setPalette(info);
    const QString gridHint = QStringLiteral("Změna pořadí - pravé tlačítko myši");
    DBGridAuto1->setToolTip(gridHint);
    DBGridAuto1->setStatusTip(gridHint);
    DBGridAuto1->setMinimumHeight(240);  // as wide as its columns (TDBGrid::sizeHint)
    connect(DBGridAuto1, &QAbstractItemView::doubleClicked, this, &TAuto1Form::OKButtonClick);

    auto button = [this](const char* name, const QString& caption, const QString& hint) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(hint);
        b->setStatusTip(hint);
        return b;
    };
    OKButton = button("OKButton", QStringLiteral("&Otevřít"), QStringLiteral("Otevře vybranou firmu"));
    OKButton->setDefault(true);
    Button3 = button("Button3", QStringLiteral("Ná&zev"), QStringLiteral("Název firmy"));
    Button1 = button("Button1", QStringLiteral("&Nová firma"), QStringLiteral("Vytvoření nové firmy"));
    Button2 = button("Button2", QStringLiteral("&Smazat"), QStringLiteral("Smazání vybrané firmy"));
    CheckBoxF = new QCheckBox(QStringLiteral("Zobrazovat"), this);
    CheckBoxF->setObjectName(QStringLiteral("CheckBoxF"));
    CheckBoxF->setChecked(true);
    CheckBoxF->setToolTip(QStringLiteral("Zobrazovat naposledy zpracovávanou firmu"));
    CheckBoxF->setStatusTip(CheckBoxF->toolTip());
    CheckBoxF->setVisible(false);
    Button5 = button("Button5", QStringLiteral("&Heslo"), QStringLiteral("Možnost zadat heslo pro firmu"));
    Button4 = button("Button4", QStringLiteral("&Konec"), QStringLiteral("Ukončí aplikaci"));

    connect(OKButton, &QPushButton::clicked, this, &TAuto1Form::OKButtonClick);
    connect(Button3, &QPushButton::clicked, this, &TAuto1Form::Button3Click);
    connect(Button1, &QPushButton::clicked, this, &TAuto1Form::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TAuto1Form::Button2Click);
    connect(Button5, &QPushButton::clicked, this, &TAuto1Form::Button5Click);
    connect(Button4, &QPushButton::clicked, this, &TAuto1Form::Button4Click);

    auto* commands = new QVBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{OKButton, Button3, Button1, Button2, CheckBoxF, Button5}) {
        commands->addWidget(w);
    }
    commands->addStretch(1);
    commands->addWidget(Button4);
    auto* row = new QHBoxLayout;
    row->addWidget(DBGridAuto1, 1);
    row->addLayout(commands);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    TitleFit::install(this);

    setTabOrder(DBGridAuto1, OKButton);
    setTabOrder(OKButton, Button3);
    setTabOrder(Button3, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, CheckBoxF);
    setTabOrder(CheckBoxF, Button5);
    setTabOrder(Button5, Button4);
}

void TAuto1Form::buildOrderMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->setToolTipsVisible(true);
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    auto item = [this](const char* name, const QString& caption, const QString& hint) {
        QAction* a = PopupMenu1->addAction(caption);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(hint);
        a->setStatusTip(hint);
        return a;
    };
    Razeniautomaticky1 = item("Razeniautomaticky1", QStringLiteral("Řazení - &automaticky"),
                              QStringLiteral("Firmy se automaticky seřadí podle pořadového čísla"));
    Razenipodlenazvu1 = item("Razenipodlenazvu1", QStringLiteral("Řazení - podle ná&zvu"),
                             QStringLiteral("Firmy se automaticky seřadí podle názvu"));
    Razenivlastni1 =
        item("Razenivlastni1", QStringLiteral("Řazení - &vlastní"), QStringLiteral("Vlastní seřazení firem"));
    for (QAction* a : {Razeniautomaticky1, Razenipodlenazvu1, Razenivlastni1}) {
        a->setCheckable(true);
        group->addAction(a);
    }
    Razeniautomaticky1->setChecked(true);
    PopupMenu1->addSeparator();
    Zmenitpozicefirem1 = item("Zmenitpozicefirem1", QStringLiteral("Změnit &pozice firem"),
                              QStringLiteral("Stiskněte, pokud chcete změnit pořadí"));
    PopupMenu1->addSeparator();
    Vymazatvlastninastaveni1 = item("Vymazatvlastninastaveni1", QStringLiteral("Vymazat vlastní &nastavení"),
                                    QStringLiteral("Vymazat vlastní nastavení"));

    connect(Razeniautomaticky1, &QAction::triggered, this, &TAuto1Form::Razeniautomaticky1Click);
    connect(Razenipodlenazvu1, &QAction::triggered, this, &TAuto1Form::Razenipodlenazvu1Click);
    connect(Razenivlastni1, &QAction::triggered, this, &TAuto1Form::Razenivlastni1Click);
    connect(Zmenitpozicefirem1, &QAction::triggered, this, &TAuto1Form::Zmenitpozicefirem1Click);
    connect(Vymazatvlastninastaveni1, &QAction::triggered, this, &TAuto1Form::Vymazatvlastninastaveni1Click);
    // Hints of the menu items go to the main window's status bar like the other hints.
    PopupMenu1->installEventFilter(this);
}

// The window's keys are looked at before the control with the focus gets them.
void TAuto1Form::installKeyPreview(QWidget* widget) {
    widget->installEventFilter(this);
    for (QObject* child : widget->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (w && !qobject_cast<QMenu*>(w)) installKeyPreview(w);
    }
}

bool TAuto1Form::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched != PopupMenu1) {
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (modifiers == Qt::ControlModifier) {
            switch (key->key()) {
                case Qt::Key_N:
                    openDataLocation();
                    return true;
                case Qt::Key_P:
                    PrevodRequest();
                    return true;
                case Qt::Key_I:
                    openInformation();
                    return true;
                default:
                    break;
            }
        }
        // The window has no cancel button: Esc neither opens a firm nor ends the program.
        if (key->key() == Qt::Key_Escape && modifiers == Qt::NoModifier) return true;
    }
    return QDialog::eventFilter(watched, event);
}

// ---- helpers -------------------------------------------------------------------------------

QString TAuto1Form::fileDir() const {
    return MainForm ? MainForm->FileDir : QString();
}

bool TAuto1Form::registerEmpty() const {
    return !Auto1.Active() || Auto1.IsEmpty();
}

bool TAuto1Form::reportEmpty() {
    if (!registerEmpty()) return false;
    MessageBox::information(kNoFirm, this);
    return true;
}

QString TAuto1Form::currentDirName() const {
    if (registerEmpty()) return QString();
    return Auto1.FieldByName(kAdresar)->AsString().trimmed();
}

int TAuto1Form::lowestFreeNumber(TDataSet& byNumber) {
    int i = 1;
    int found = 0;
    for (byNumber.First(); !byNumber.Eof(); byNumber.Next()) {
        if (byNumber.FieldByName(kCislo)->AsInteger() > i) {
            found = i;
            break;
        }
        ++i;
    }
    if (found == 0) found = i;  // the number of rows + 1
    if (byNumber.Locate(kCislo, found)) {
        byNumber.Last();
        found = byNumber.FieldByName(kCislo)->AsInteger() + 1;
    }
    return found;
}

int TAuto1Form::razeni() const {
    if (Razenivlastni1->isChecked()) return 0;
    if (Razenipodlenazvu1->isChecked()) return 2;
    return 1;
}

void TAuto1Form::writeRazeni(int value) {
    IniFile(fileDir() + QStringLiteral("Sporin.ini")).writeInteger(kSporin, QStringLiteral("Razeni"), value);
}

void TAuto1Form::RazeniAuto() {
    Razeniautomaticky1->setChecked(true);
    Auto1.setIndexFieldNames(kCislo);
}

void TAuto1Form::RazeniVlastni() {
    Razenivlastni1->setChecked(true);
    Auto1.setIndexFieldNames(kPozice);
}

void TAuto1Form::RazeniNazev() {
    Razenipodlenazvu1->setChecked(true);
    Auto1.setIndexFieldNames(kNazev);
}

// ---- showing and hiding --------------------------------------------------------------------

void TAuto1Form::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!MainForm || MainForm->dataDirNotFound) return;
    if (const QScreen* screen = this->screen()) {
        // Centred by its frame: move() places the frame, so centring the client area would put
        // the window lower by the title bar each time it is shown again.
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    // No firm is open while the selection is shown.
    MainForm->setWindowTitle(TMainForm::programTitle());
    if (DM1) DM1->Database.Close();
    QDir::setCurrent(fileDir());
    guarded([this] {
        if (Auto1.Active()) Auto1.Refresh();
        if (Uziv.Active()) Uziv.Refresh();
    });

    const IniFile local(MainForm->FileDirLocal + QStringLiteral("Sporin.ini"));
    CheckBoxF->setChecked(local.readBool(kVyber, QStringLiteral("Pos"), true));
    if (CheckBoxF->isChecked() && Auto1.Active()) {
        guarded([&] { Auto1.Locate(kCislo, local.readInteger(kVyber, kCislo, 1)); });
    }
    applyStoredOrder();
    // Without "Zobrazovat" the program starts on the first firm of the order in force; shown
    // again later, the window stays on the firm that was current.
    if (!m_shownBefore && !CheckBoxF->isChecked()) guarded([this] {
            if (Auto1.Active()) Auto1.First();
        });
    m_shownBefore = true;
    if (registerEmpty()) {
        Button1->setFocus();
    } else {
        DBGridAuto1->setFocus();
    }
}

void TAuto1Form::applyStoredOrder() {
    const IniFile shared(fileDir() + QStringLiteral("Sporin.ini"));
    guarded([&] {
        switch (shared.readInteger(kSporin, QStringLiteral("Razeni"), 1)) {
            case 0:
                RazeniVlastni();
                break;
            case 1:
                RazeniAuto();
                break;
            case 2:
                RazeniNazev();
                break;
            default:
                break;
        }
    });
}

void TAuto1Form::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!MainForm || MainForm->dataDirNotFound) return;
    const bool empty = registerEmpty();
    IniFile local(MainForm->FileDirLocal + QStringLiteral("Sporin.ini"));
    local.writeBool(kVyber, QStringLiteral("Pos"), CheckBoxF->isChecked());
    local.writeInteger(kVyber, kCislo, empty ? 0 : Auto1.FieldByName(kCislo)->AsInteger());
    // While no firm exists and no conversion has run, the next start searches again for data of
    // an earlier release.
    if (empty && local.readString(kSporin, firms::conversionRequestedKey()) != QLatin1String("1")) {
        local.writeString(kSporin, firms::conversionCheckedKey(), QString());
    }
    writeRazeni(razeni());

    try {
        const TBookmark bookmark = Auto1.GetBookmark();
        Uziv.Close();
        Auto1.Close();
        Auto1.Open();
        Uziv.Open();
        if (bookmark.isValid() && Auto1.BookmarkValid(bookmark)) Auto1.GotoBookmark(bookmark);
    } catch (const EDatabaseError&) {
        // A register that cannot be opened again shows as empty.
    }
}

// ---- opening the chosen firm ---------------------------------------------------------------

bool TAuto1Form::TestOtevreni() {
    if (!DM1) return true;
    // A firm being restored by another program has its tables closed, yet it is in use.
    if (backup::FirmRestore::runningElsewhere(fileDir() + currentDirName() + QLatin1Char('/'))) return false;
    try {
        DM1->setFirmDirectory(fileDir() + currentDirName());
        DM1->Hdatl.Close();
        DM1->Hdatl.Exclusive = true;
        DM1->Hdatl.Open();
    } catch (const EDBEngineError& e) {
        // A damaged, foreign or unreadable-by-password Hdatl is refused only after the engine
        // granted the exclusive lock, so nobody else has the firm open. Such a firm is free: the
        // opening then reports its tables, and restoring a backup or deleting the firm stays
        // possible instead of being refused as work of another user forever.
        switch (e.errorCode()) {
            case EngineErrorCode::FileCorrupt:
            case EngineErrorCode::InvalidPassword:
            case EngineErrorCode::InvalidLayout:
                return true;
            default:
                return false;
        }
    } catch (const EDatabaseError&) {
        return false;
    }
    return true;
}

void TAuto1Form::TestChyba() {
    if (DM1) {
        DM1->Hdatl.Close();
        DM1->Hdatl.Exclusive = false;
        DM1->Database.Close();
    }
    MessageBox::information(QStringLiteral("Tuto firmu právě zpracovává jiný uživatel."), this);
}

bool TAuto1Form::passwordCheck() {
    // Without its password table there is no telling whether the firm is protected: it is not
    // opened (nor deleted) until the table can be read again.
    if (!registerEmpty() && !Uziv.Active()) {
        try {
            Uziv.Open();
        } catch (const EDatabaseError& e) {
            MessageBox::error(e.message(), this);
            DBGridAuto1->setFocus();
            return false;
        }
    }
    const QString password =
        Uziv.Active() && !Uziv.IsEmpty() ? Uziv.FieldByName(QStringLiteral("Heslo"))->AsString() : QString();
    if (password.isEmpty()) return true;
    std::unique_ptr<TAu4Form> ownPrompt;
    TAu4Form* prompt = Au4Form;
    if (!prompt) {
        ownPrompt = std::make_unique<TAu4Form>(this);
        prompt = ownPrompt.get();
    }
    prompt->Edit1->clear();
    prompt->exec();
    // Whatever closed the prompt, what was typed counts; letter case matters.
    const bool ok = prompt->Edit1->text() == password;
    prompt->Edit1->clear();
    if (!ok) {
        MessageBox::information(QStringLiteral("Neplatné heslo pro tuto firmu."), this);
        DBGridAuto1->setFocus();
    }
    return ok;
}

bool TAuto1Form::closingChecks() {
    bool ok = true;
    const QString dirName = currentDirName();
    if (firms::isFirmDirName(dirName)) firms::deleteStaleLocks(fileDir() + dirName + QLatin1Char('/'));
    if (!dirName.isEmpty() && QFile::exists(fileDir() + dirName + QStringLiteral("/Hdatl.DB"))) {
        ok = TestOtevreni();
        if (!ok) TestChyba();
        if (DM1) {
            DM1->Hdatl.Close();
            DM1->Hdatl.Exclusive = false;
            DM1->Database.Close();
        }
    }
    if (ok) ok = passwordCheck();
    if (Au4Form) Au4Form->Edit1->clear();
    return ok;
}

void TAuto1Form::OKButtonClick() {
    if (closingChecks()) done(QDialog::Accepted);
}

void TAuto1Form::reject() {
    if (closingChecks()) done(QDialog::Rejected);
}

void TAuto1Form::Button4Click() {
    done(EndResult);
}

// ---- keys ----------------------------------------------------------------------------------

void TAuto1Form::PrevodRequest() {
    if (!registerEmpty() || !MainForm) return;
    IniFile local(MainForm->FileDirLocal + QStringLiteral("Sporin.ini"));
    local.writeString(kSporin, firms::conversionRequestedKey(), QStringLiteral("1"));
    local.writeString(kSporin, firms::conversionCheckedKey(), QString());
    MessageBox::information(QStringLiteral("Změny se projeví při novém spuštění programu."), this);
    done(EndResult);
}

void TAuto1Form::openDataLocation() {
    auto* dialog = new TAu5Form(this);
    dialog->exec();
    // The register of the new location is shown at once, in the order kept there.
    applyStoredOrder();
    DBGridAuto1->setFocus();
}

void TAuto1Form::openInformation() {
    auto* dialog = new TAu9Form(this);
    dialog->exec();
}

// ---- creating a firm -----------------------------------------------------------------------

void TAuto1Form::Button1Click() {
    if (!Auto1.Active()) {
        // The register could not be opened; there is nowhere to add the firm.
        guarded([this] { Auto1.Open(); });
        if (!Auto1.Active()) return;
    }
    m_orderBeforeNew = Auto1.IndexFieldNames();
    const bool ownOrder = m_orderBeforeNew.compare(kPozice, Qt::CaseInsensitive) == 0;
    const bool hadCurrent = !Auto1.IsEmpty();
    const int position = ownOrder && hadCurrent ? Auto1.FieldByName(kPozice)->AsInteger() : 0;
    int result = QDialog::Rejected;
    try {
        int number;
        {
            ControlsDisabled frozen(Auto1);
            Auto1.setIndexFieldNames(kCislo);
            number = lowestFreeNumber(Auto1);
        }
        Auto1.Append();
        Auto1.FieldByName(kCislo)->setAsInteger(number);
        Auto1.FieldByName(kAdresar)->setAsString(QStringLiteral("D") + QString::number(number));
        // In the own order the new firm sorts beside the firm that was current.
        m_newFirmKeepsPosition = ownOrder && hadCurrent;
        Auto1.FieldByName(kPozice)->setAsInteger(m_newFirmKeepsPosition ? position : number);
        auto* dialog = new TAu2Form(this, this);
        result = dialog->exec();
    } catch (const EDatabaseError& e) {
        MessageBox::error(e.message(), this);
        result = QDialog::Rejected;
    }
    if (result == QDialog::Accepted) {
        // The new firm is opened at once.
        OKButtonClick();
        return;
    }
    guarded([this] {
        Auto1.Cancel();
        Auto1.setIndexFieldNames(m_orderBeforeNew);
    });
}

void TAuto1Form::storeNewFirm() {
    Auto1.Post();
    const QString dirName = Auto1.FieldByName(kAdresar)->AsString().trimmed();
    const QString dir = fileDir() + dirName + QLatin1Char('/');
    QDir().mkpath(dir);
    // A template file that cannot be copied leaves the firm with the files that were; opening
    // it then reports the tables that are missing. A table already in the directory is kept:
    // it belongs to a firm that lost its register row (a register replaced by the empty one),
    // and an empty copy over it would destroy that firm's cards.
    const QString templates = fileDir() + QStringLiteral("Data/");
    const QStringList& files = MainForm ? MainForm->DatoveSoubory : QStringList();
    for (const QString& name : files) {
        if (!QFileInfo::exists(dir + name)) firms::copyFileOverwriting(templates + name, dir + name);
    }
    Auto1.setIndexFieldNames(m_orderBeforeNew);
}

void TAuto1Form::renumberNewFirm() {
    if (Auto1.State() != TDataSetState::Insert) return;
    try {
        TTable numbers;
        numbers.setDatabase(&Nazvy);
        numbers.TableName = QStringLiteral("Data.DB");
        numbers.AddFieldName(kCislo);
        numbers.setIndexFieldNames(kCislo);
        numbers.Open();
        numbers.Refresh();
        const int number = lowestFreeNumber(numbers);
        numbers.Close();
        Auto1.FieldByName(kCislo)->setAsInteger(number);
        Auto1.FieldByName(kAdresar)->setAsString(QStringLiteral("D") + QString::number(number));
        if (!m_newFirmKeepsPosition) Auto1.FieldByName(kPozice)->setAsInteger(number);
    } catch (const EDatabaseError&) {
        // The row keeps its number; "&Firma" reports the refusal again.
    }
}

// ---- name and password ---------------------------------------------------------------------

void TAuto1Form::Button3Click() {
    if (reportEmpty()) return;
    guarded([this] {
        Auto1.Edit();
        auto* dialog = new TAu1Form(&Auto1Source, this);
        dialog->setWindowTitle(QStringLiteral("Název firmy č. ") +
                               QString::number(Auto1.FieldByName(kCislo)->AsInteger()));
        dialog->exec();
    });
    // The dialog posts the name; whatever happened, the register is not left in edit mode.
    if (editing(Auto1)) Auto1.Cancel();
    DBGridAuto1->setFocus();
}

void TAuto1Form::Button5Click() {
    if (reportEmpty()) return;
    auto* dialog = new TAu3Form(&UzivSource, this);
    dialog->setWindowTitle(QStringLiteral("Heslo pro firmu ") + Auto1.FieldByName(kNazev)->AsString());
    const bool hasPassword =
        Uziv.Active() && !Uziv.IsEmpty() && !Uziv.FieldByName(QStringLiteral("Heslo"))->AsString().isEmpty();
    dialog->setAddMode(!hasPassword);
    dialog->exec();
    DBGridAuto1->setFocus();
}

// ---- deleting a firm -----------------------------------------------------------------------

void TAuto1Form::Button2Click() {
    if (!closingChecks()) return;
    QDir::setCurrent(fileDir());
    if (reportEmpty()) return;
    if (MainForm) {
        MainForm->setStatusText(0, QStringLiteral("Vymaže vybranou firmu z disku. P O Z O R  -  máte uložena data ?"));
    }
    const QString name = Auto1.FieldByName(kNazev)->AsString();
    const QString question = QStringLiteral("Opravdu smazat firmu ") + name + QStringLiteral(" ?");
    if (!MessageBox::confirm(question, this) || !MessageBox::confirm(question, this)) return;

    const QString dirName = currentDirName();
    // A register row naming no plain subdirectory (empty, "..", a path) has no files of its own
    // to delete: only the row goes.
    const bool ownDirectory = firms::isFirmDirName(dirName);
    QString failure;
    {
        HourglassCursor wait;
        if (ownDirectory) {
            const QString dir = fileDir() + dirName + QLatin1Char('/');
            const QStringList& files = MainForm ? MainForm->DatoveSoubory : QStringList();
            for (const QString& file : files) QFile::remove(dir + file);
            QFile::remove(dir + dirName + QStringLiteral(".ini"));
            engine::deleteStaleLockFile(dir + QStringLiteral("Pdoxusrs.lck"));
            engine::deleteStaleLockFile(dir + QStringLiteral("Paradox.lck"));
        }
        try {
            Auto1.Delete();
            Auto1.First();
            if (ownDirectory) QDir(fileDir()).rmdir(dirName);
        } catch (const EDatabaseError& e) {
            failure = e.message();
        }
    }
    const bool deleted = failure.isEmpty();
    if (!deleted) MessageBox::error(failure, this);
    if (deleted && MainForm) {
        MainForm->setStatusText(0, QStringLiteral("Firma ") + name + QStringLiteral(" byla vymazána."));
    }
    DBGridAuto1->setFocus();
}

// ---- order ---------------------------------------------------------------------------------

void TAuto1Form::Razeniautomaticky1Click() {
    guarded([this] { RazeniAuto(); });
    writeRazeni(1);
}

void TAuto1Form::Razenipodlenazvu1Click() {
    guarded([this] { RazeniNazev(); });
    writeRazeni(2);
}

void TAuto1Form::Razenivlastni1Click() {
    guarded([this] { RazeniVlastni(); });
    writeRazeni(0);
}

void TAuto1Form::Zmenitpozicefirem1Click() {
    if (reportEmpty()) return;
    guarded([this] {
        RazeniVlastni();
        writeRazeni(0);
        auto dialog = std::make_unique<TAu6Form>(this);
        const int current = Auto1.FieldByName(kCislo)->AsInteger();
        {
            ControlsDisabled frozen(Auto1);
            int selected = -1;
            for (Auto1.First(); !Auto1.Eof(); Auto1.Next()) {
                const int number = Auto1.FieldByName(kCislo)->AsInteger();
                if (number == current) selected = dialog->ListBox1->count();
                dialog->ListBox1->addItem(QString::number(number) + QLatin1Char(' ') +
                                          Auto1.FieldByName(kNazev)->AsString());
            }
            Auto1.Locate(kCislo, current);
            dialog->ListBox1->setCurrentRow(selected);
        }
        dialog->exec();

        ControlsDisabled frozen(Auto1);
        Auto1.setIndexFieldNames(kCislo);
        for (int i = 0; i < dialog->ListBox1->count(); ++i) {
            const QString line = dialog->ListBox1->item(i)->text();
            const int number = line.left(line.indexOf(QLatin1Char(' '))).toInt();
            if (!Auto1.Locate(kCislo, number)) continue;
            if (Auto1.FieldByName(kPozice)->AsInteger() == i + 1) continue;
            Auto1.Edit();
            Auto1.FieldByName(kPozice)->setAsInteger(i + 1);
            Auto1.Post();
        }
        Auto1.Locate(kCislo, current);
        Auto1.setIndexFieldNames(kPozice);
    });
    if (editing(Auto1)) Auto1.Cancel();
}

void TAuto1Form::Vymazatvlastninastaveni1Click() {
    if (!MessageBox::confirm(QStringLiteral("Opravdu vymazat vlastní nastavení ?"), this)) return;
    if (registerEmpty()) return;
    guarded([this] {
        const int current = Auto1.FieldByName(kCislo)->AsInteger();
        RazeniAuto();
        {
            ControlsDisabled frozen(Auto1);
            for (Auto1.First(); !Auto1.Eof(); Auto1.Next()) {
                const int number = Auto1.FieldByName(kCislo)->AsInteger();
                if (Auto1.FieldByName(kPozice)->AsInteger() == number) continue;
                Auto1.Edit();
                Auto1.FieldByName(kPozice)->setAsInteger(number);
                Auto1.Post();
            }
            Auto1.Locate(kCislo, current);
        }
        writeRazeni(1);
    });
    if (editing(Auto1)) Auto1.Cancel();
}
