#include "Emtfh.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "CardFlags.h"
#include "DBCheckBoxz.h"
#include "DBEditz.h"
#include "DataM1.h"
#include "DbCtrlsError.h"
#include "Ekdl1.h"
#include "Ekpod.h"
#include "FormSupport.h"
#include "Globals.h"
#include "HourglassCursor.h"
#include "IniFile.h"
#include "Main.h"
#include "MessageBox.h"
#include "PathTemplates.h"
#include "Prev.h"
#include "PrintOutput.h"
#include "Rpd.h"
#include "Rplk1.h"
#include "SpeciesTextFile.h"
#include "TiskInfo.h"
#include "TitleFit.h"
#include "WindowPlacement.h"

TEmtfhForm* EmtfhForm = nullptr;

namespace {

const QString kTisk = QStringLiteral("Tisk");
const QString kTxt = QStringLiteral("TXT");
const QString kWindowKey = QStringLiteral("Tisk3");

enum Report { NoReport = 0, Labels = 1, Locality = 2 };

TField* common(const char* name) {
    return DM1->Hspl.FieldByName(QLatin1String(name));
}

QString settingsPath() {
    return MainForm ? MainForm->firmSettingsPath() : WindowPlacement::firmSettingsPath();
}

bool editing(const TTable& t) {
    return t.State() == TDataSetState::Edit || t.State() == TDataSetState::Insert;
}

TDBEditz* boundEdit(QWidget* parent, const char* name, const char* field, const QString& hint, int width) {
    auto* e = new TDBEditz(parent);
    e->setObjectName(QLatin1String(name));
    e->setDataSource(DM1->HsplSource);
    e->setDataField(QLatin1String(field));
    if (!hint.isEmpty()) forms::setHint(e, hint);
    e->setFixedWidth(width);
    return e;
}

TDBCheckBoxz* boundCheck(QWidget* parent, const char* name, const char* field, const QString& caption,
                         const QString& hint) {
    auto* c = new TDBCheckBoxz(parent);
    c->setObjectName(QLatin1String(name));
    c->setText(caption);
    c->setDataSource(DM1->HsplSource);
    c->setDataField(QLatin1String(field));
    if (!hint.isEmpty()) forms::setHint(c, hint);
    return c;
}

// A row "caption [edit] unit" of the parameter pages.
QHBoxLayout* row(QWidget* parent, const QString& caption, QWidget* edit, const QString& unit = QString()) {
    auto* r = new QHBoxLayout;
    auto* label = new QLabel(caption, parent);
    label->setBuddy(edit);
    label->setMinimumWidth(80);
    r->addWidget(label);
    r->addWidget(edit);
    if (!unit.isEmpty()) r->addWidget(new QLabel(unit, parent));
    r->addStretch(1);
    return r;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QString& hint = QString()) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    if (!hint.isEmpty()) forms::setHint(b, hint);
    return b;
}

}  // namespace

TEmtfhForm::TEmtfhForm(QWidget* parent) : QDialog(parent) {
    EmtfhForm = this;
    setObjectName(QStringLiteral("EmtfhForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Tisk"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    TabSheet1 = buildCardIndexTab();
    TabSheet5 = buildPrinterTab();
    PageControl->addTab(TabSheet1, QStringLiteral("Lamelin"));
    PageControl->addTab(TabSheet5, QStringLiteral("Tiskárna"));

    OpravyButton = button(this, "OpravyButton", QStringLiteral("&Opravy"), QStringLiteral("Opravy (F4)"));
    ZapisButton = button(this, "ZapisButton", QStringLiteral("Zá&pis"), QStringLiteral("Zápis (F2)"));
    CloseButton = button(this, "CloseButton", QStringLiteral("&Zavřít"));
    connect(OpravyButton, &QPushButton::clicked, this, [this] { done(OpravyResult); });
    connect(ZapisButton, &QPushButton::clicked, this, [this] { done(ZapisResult); });
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OpravyButton);
    buttons->addWidget(ZapisButton);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // From the tree through its buttons into the parameters, in the order they are filled in.
    QWidget* order[] = {TreeView, PreviewButton, TiskButton, DBEditC1, DBEditC2, DBEditHo, DBEditLo, DBEditKo,
                        DBCheckBoxKpx, DBEditKdls, DBEditLks, DBCheckBoxPr, DBEditLo1, DBEditKox, DBCheckBoxKp};
    for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
    WindowPlacement::restore(this, kWindowKey, QPoint(28, 0), QPoint(108, 55));
    m_enteredKdls = common("Kdls")->AsString();
    if (MainForm) {
        for (int i = 0; i < MainForm->ListBoxT->count(); ++i) ComboBoxT->addItem(MainForm->ListBoxT->item(i)->text());
        ComboBoxT->setCurrentIndex(MainForm->ListBoxT->currentRow());
    }
    connect(ComboBoxT, &QComboBox::activated, this, &TEmtfhForm::ComboBoxTChange);
    Nacist1();
    forms::installKeyPreview(this, this);
    TitleFit::install(this);
}

TEmtfhForm::~TEmtfhForm() {
    if (EmtfhForm == this) EmtfhForm = nullptr;
}

// ---- building ------------------------------------------------------------------------------

QWidget* TEmtfhForm::buildCardIndexTab() {
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("TabSheet1"));
    auto* group = new QGroupBox(QStringLiteral("Vyberte tiskovou sestavu"), tab);
    group->setObjectName(QStringLiteral("GroupBox1"));
    TreeView = new QTreeWidget(group);
    TreeView->setObjectName(QStringLiteral("TreeView"));
    buildTree();
    PreviewButton = button(group, "PreviewButton", QStringLiteral("&Náhled"));
    TiskButton = button(group, "TiskButton", QStringLiteral("&Tisk"));
    PreviewButton->setEnabled(false);
    TiskButton->setEnabled(false);
    connect(PreviewButton, &QPushButton::clicked, this, [this] { PickReport(false); });
    connect(TiskButton, &QPushButton::clicked, this, [this] { PickReport(true); });
    auto* runButtons = new QHBoxLayout;
    runButtons->addWidget(PreviewButton);
    runButtons->addWidget(TiskButton);
    auto* inGroup = new QVBoxLayout(group);
    inGroup->addWidget(TreeView);
    inGroup->addLayout(runButtons);

    Notebook = new QStackedWidget(tab);
    Notebook->setObjectName(QStringLiteral("Notebook"));
    Notebook->addWidget(buildLabelPage());
    Notebook->addWidget(buildLocalityPage());

    auto* layout = new QHBoxLayout(tab);
    layout->addWidget(group);
    layout->addWidget(Notebook, 1);
    return tab;
}

void TEmtfhForm::buildTree() {
    TreeView->setHeaderHidden(true);
    TreeView->setRootIsDecorated(false);
    TreeView->setItemsExpandable(false);
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView->setFixedWidth(180);
    auto* root = new QTreeWidgetItem(TreeView, {QStringLiteral("Lamelin")});
    root->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
    for (const QString& name : {QStringLiteral("Evidenční štítek"), QStringLiteral("Tisk lokality")}) {
        auto* child = new QTreeWidgetItem(root, {name});
        child->setIcon(0, style()->standardIcon(QStyle::SP_FileIcon));
    }
    TreeView->expandAll();
    // The tree stays open: the two print-outs are always in sight.
    connect(TreeView, &QTreeWidget::itemCollapsed, this, [](QTreeWidgetItem* item) { item->setExpanded(true); });
    connect(TreeView, &QTreeWidget::currentItemChanged, this, &TEmtfhForm::TreeViewChange);
    connect(TreeView, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (selectedReport() != NoReport) PickReport(false);
    });
}

QWidget* TEmtfhForm::buildLabelPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Stitek"));
    auto* group = new QGroupBox(QStringLiteral("Evidenční štítek"), page);
    DBEditC1 = boundEdit(group, "DBEditC1", "C1", QStringLiteral("Tisknout štítek od čísla"), 80);
    DBEditC2 = boundEdit(group, "DBEditC2", "C2", QStringLiteral("Tisknout štítek do čísla"), 80);
    DBEditHo = boundEdit(group, "DBEditHo", "Ho", QString(), 50);
    DBEditLo = boundEdit(group, "DBEditLo", "Lo", QString(), 50);
    DBEditKo = boundEdit(group, "DBEditKo", "Ko", QString(), 50);
    DBCheckBoxKpx = boundCheck(group, "DBCheckBoxKpx", "Kp", QStringLiteral("Podpora více kopií"),
                               QStringLiteral("Zašktněte pokud tiskárna podporuje tisk více kopií, jestli-že ne "
                                              "nezaškrtávejte"));
    SpeedButtonNastaveni1 = button(group, "SpeedButtonNastaveni1", QStringLiteral("Nastav&ení tiskárny"),
                                   QStringLiteral("Zobrazí dialog pro nastavení tiskárny"));
    connect(SpeedButtonNastaveni1, &QPushButton::clicked, this, &TEmtfhForm::printerSetup);
    auto* l = new QVBoxLayout(group);
    l->addLayout(row(group, QStringLiteral("od čísla"), DBEditC1));
    l->addLayout(row(group, QStringLiteral("do čísla"), DBEditC2));
    l->addLayout(row(group, QStringLiteral("Horní okraj"), DBEditHo, QStringLiteral("mm")));
    l->addLayout(row(group, QStringLiteral("Levý okraj"), DBEditLo, QStringLiteral("mm")));
    l->addLayout(row(group, QStringLiteral("Počet kopií"), DBEditKo));
    l->addWidget(DBCheckBoxKpx);
    l->addWidget(SpeedButtonNastaveni1, 0, Qt::AlignLeft);
    l->addStretch(1);
    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(group);
    return page;
}

QWidget* TEmtfhForm::buildLocalityPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Lokalita"));
    auto* group = new QGroupBox(QStringLiteral("Tisk lokality"), page);
    LabelKdls = new QLabel(QStringLiteral("<a href=\"#\" style=\"color: blue;\">lokalita</a>"), group);
    LabelKdls->setObjectName(QStringLiteral("LabelKdls"));
    LabelKdls->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    connect(LabelKdls, &QLabel::linkActivated, this, &TEmtfhForm::PrenosLok1);
    DBEditKdls = boundEdit(group, "DBEditKdls", "Kdls", QStringLiteral("Kód lokality"), 70);
    DBEditLks = boundEdit(group, "DBEditLks", "Lks", QStringLiteral("Název lokality"), 330);
    DBCheckBoxPr = boundCheck(group, "DBCheckBoxPr", "Pr", QStringLiteral("v tisku řadit zápisy podle názvu latinsky"),
                              QStringLiteral("Zaškrtnuto - řadit podle názvu latinsky, nezaškrtnuto - podle názvu česky"));
    DBEditLo1 = boundEdit(group, "DBEditLo1", "Lo1", QString(), 50);
    DBEditKox = boundEdit(group, "DBEditKox", "Ko", QString(), 50);
    DBCheckBoxKp = boundCheck(group, "DBCheckBoxKp", "Kp", QStringLiteral("Podpora více kopií"), QString());
    auto* locality = new QHBoxLayout;
    locality->addWidget(LabelKdls);
    locality->addWidget(DBEditKdls);
    locality->addWidget(DBEditLks, 1);
    auto* l = new QVBoxLayout(group);
    l->addLayout(locality);
    l->addWidget(DBCheckBoxPr);
    l->addLayout(row(group, QStringLiteral("Levý okraj"), DBEditLo1, QStringLiteral("mm")));
    l->addLayout(row(group, QStringLiteral("Počet kopií"), DBEditKox));
    l->addWidget(DBCheckBoxKp);

    GroupBoxTXT = new QGroupBox(QStringLiteral("Data pro textový soubor"), page);
    GroupBoxTXT->setObjectName(QStringLiteral("GroupBoxTXT"));
    ButtonUlozit1 = button(GroupBoxTXT, "ButtonUlozit1", QStringLiteral("&Uložit data"));
    ButtonNastav1 = button(GroupBoxTXT, "ButtonNastav1", QStringLiteral("N&astavení"));
    connect(ButtonUlozit1, &QPushButton::clicked, this, &TEmtfhForm::ButtonUlozit1Click);
    connect(ButtonNastav1, &QPushButton::clicked, this, &TEmtfhForm::ButtonNastav1Click);
    auto* txt = new QHBoxLayout(GroupBoxTXT);
    txt->addWidget(ButtonUlozit1);
    txt->addWidget(ButtonNastav1);
    txt->addStretch(1);

    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(group);
    outer->addWidget(GroupBoxTXT);
    outer->addStretch(1);
    return page;
}

QWidget* TEmtfhForm::buildPrinterTab() {
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("TabSheet5"));
    SpeedButtonNastaveni = button(tab, "SpeedButtonNastaveni", QStringLiteral("Nastav&ení tiskárny"),
                                  QStringLiteral("Zobrazí dialog pro nastavení tiskárny"));
    connect(SpeedButtonNastaveni, &QPushButton::clicked, this, &TEmtfhForm::printerSetup);

    auto* f6 = new QGroupBox(QStringLiteral("Klávesa F6"), tab);
    f6->setObjectName(QStringLiteral("GroupBoxF6"));
    RadioButtonN = new QRadioButton(QStringLiteral("Náhled"), f6);
    RadioButtonN->setObjectName(QStringLiteral("RadioButtonN"));
    RadioButtonT = new QRadioButton(QStringLiteral("Tisk"), f6);
    RadioButtonT->setObjectName(QStringLiteral("RadioButtonT"));
    auto* f6l = new QVBoxLayout(f6);
    f6l->addWidget(RadioButtonN);
    f6l->addWidget(RadioButtonT);

    auto* printers = new QGroupBox(QStringLiteral("Výběr tiskárny pro tisk:"), tab);
    printers->setObjectName(QStringLiteral("GroupBoxT"));
    ComboBoxT = new QComboBox(printers);
    ComboBoxT->setObjectName(QStringLiteral("ComboBoxT"));
    forms::setHint(ComboBoxT, QStringLiteral("Výběr tiskárny pro tisk"));
    ComboBoxT->setMinimumWidth(300);
    CheckBoxTisk = new QCheckBox(QStringLiteral("Při otevření firmy nastavit tiskárnu na výchozí"), printers);
    CheckBoxTisk->setObjectName(QStringLiteral("CheckBoxTisk"));
    auto* pl = new QVBoxLayout(printers);
    pl->addWidget(ComboBoxT);
    pl->addWidget(CheckBoxTisk);

    auto* fonts = new QGroupBox(QStringLiteral("Typ písma v tisku"), tab);
    fonts->setObjectName(QStringLiteral("GroupBoxPismo"));
    RadioButtonP = new QRadioButton(QStringLiteral("Arial, Courier New, Times New Roman"), fonts);
    RadioButtonP->setObjectName(QStringLiteral("RadioButtonP"));
    RadioButtonCe = new QRadioButton(QStringLiteral("Arial CE, Courier New CE, Times New Roman CE"), fonts);
    RadioButtonCe->setObjectName(QStringLiteral("RadioButtonCe"));
    auto* fl = new QVBoxLayout(fonts);
    fl->addWidget(RadioButtonP);
    fl->addWidget(RadioButtonCe);
    fl->addWidget(new QLabel(QStringLiteral("Po změně typu písma zavřete a znovu\notevřete okno s tiskem."), fonts));

    auto* layout = new QGridLayout(tab);
    layout->addWidget(SpeedButtonNastaveni, 0, 0, Qt::AlignLeft);
    layout->addWidget(f6, 1, 0);
    layout->addWidget(printers, 1, 1);
    layout->addWidget(fonts, 2, 0, 1, 2);
    layout->setRowStretch(3, 1);
    return tab;
}

// ---- showing and the tree ------------------------------------------------------------------

void TEmtfhForm::Nastaveni(int mode) {
    if (mode != 2) return;
    PageControl->setTabVisible(0, true);
    PageControl->setTabVisible(1, true);
    PageControl->setCurrentIndex(0);
    TreeView->setFocus();
}

void TEmtfhForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    TreeView->expandAll();
}

int TEmtfhForm::selectedReport() const {
    const QTreeWidgetItem* item = TreeView->currentItem();
    if (!item || !item->parent()) return NoReport;
    return item->parent()->indexOfChild(const_cast<QTreeWidgetItem*>(item)) == 0 ? Labels : Locality;
}

void TEmtfhForm::TreeViewChange() {
    const int report = selectedReport();
    PreviewButton->setEnabled(report != NoReport);
    TiskButton->setEnabled(report != NoReport);
    Notebook->setCurrentIndex(report == Locality ? 1 : 0);
}

// ---- running a print-out -------------------------------------------------------------------

void TEmtfhForm::postCommon() {
    // Text being typed goes into its field first, as when the focus leaves the box.
    if (QWidget* f = focusWidget()) {
        f->clearFocus();
        f->setFocus();
    }
    TTable& hspl = DM1->Hspl;
    hspl.Edit();
    hspl.Post();  // stores the parameters; empty numbers become 0
    forms::reopen(hspl);
}

void TEmtfhForm::PickReport(bool print) {
    const int report = selectedReport();
    if (report == NoReport) return;
    const bool fromButton = PreviewButton->isEnabled();
    PreviewButton->setEnabled(false);
    TiskButton->setEnabled(false);
    Ulozit1();
    try {
        postCommon();
        HourglassCursor wait;
        forms::setStatus(0, print ? QStringLiteral("Odesílám data do tiskárny ...")
                                  : QStringLiteral("Připravuje se náhled před tiskem ..."));
        if (report == Labels) {
            runLabels(print);
        } else {
            runLocality(print);
        }
    } catch (const std::exception&) {
        forms::setStatus(0, QString());
        MessageBox::information(QStringLiteral("Tisk se nepodařilo vytvořit."), this);
    }
    forms::setStatus(0, QString());
    PreviewButton->setEnabled(fromButton);
    TiskButton->setEnabled(fromButton);
}

void TEmtfhForm::runLabels(bool print) {
    if (!RpdReport) {
        RpdReport = new TRpdReport(*DM1, this);
        if (MainForm && MainForm->TypPisma == 1) TMainForm::PrevodPisma1(RpdReport);
    }
    TiskoveParametry(*RpdReport);
    // Whatever happens, the label query does not stay open.
    struct CloseQuery {
        ~CloseQuery() { DM1->HdokQr.Close(); }
    } closeQuery;
    RpdReport->selectCards(common("C1")->AsInteger(), common("C2")->AsInteger());
    RpdReport->setTopOffsetMm(common("Ho")->AsInteger());
    RpdReport->setLeftMarginMm(common("Lo")->AsInteger());
    print ? Tisk2(*RpdReport) : Nahled2(*RpdReport);
}

void TEmtfhForm::runLocality(bool print) {
    const QString locality = common("Lks")->AsString();
    if (locality.isEmpty()) {
        QApplication::restoreOverrideCursor();
        MessageBox::information(QStringLiteral("Pro tisk není vybraná lokalita."), this);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        return;
    }
    if (!Rplk1Report) {
        Rplk1Report = new TRplk1Report(*DM1, this);
        if (MainForm && MainForm->TypPisma == 1) TMainForm::PrevodPisma1(Rplk1Report);
    }
    TiskoveParametry(*Rplk1Report);
    struct CloseQuery {
        ~CloseQuery() { DM1->HdokQr1.Close(); }
    } closeQuery;
    Rplk1Report->selectSpecies(locality, common("Pr")->AsBoolean());
    Rplk1Report->setLeftMarginMm(common("Lo1")->AsInteger());
    print ? Tisk2(*Rplk1Report) : Nahled2(*Rplk1Report);
}

void TEmtfhForm::TiskoveParametry(TReport& report) {
    report.setPrinterCopies(common("Kp")->AsBoolean() ? common("Ko")->AsInteger() : 1);
    if (PrevForm) PrevForm->setStatusLine(QStringLiteral("Budou vytištěny všechny stránky."));
}

void TEmtfhForm::Nahled2(TReport& report) {
    report.Preview();
}

void TEmtfhForm::Tisk2(TReport& report) {
    report.Prepare();
    // The printer makes the copies itself (Kp), or the pages go out Ko times, one copy each.
    PrintOutput::print(report, common("Kp")->AsBoolean(), qMax(1, common("Ko")->AsInteger()), this,
                       &TTiskInfoForm::sending);
}

// ---- the locality --------------------------------------------------------------------------

void TEmtfhForm::PrenosLok1() {
    try {
        TTable& catalogue = DM1->Hdatl;
        catalogue.Refresh();
        catalogue.First();
        // With no code chosen the catalogue stays on its first row rather than on a row without a code.
        const QString code = common("Kdls")->AsString();
        if (!code.isEmpty()) catalogue.Locate(QStringLiteral("Kodl"), code);
        cards::pickMode = true;
        cards::cataloguesGoToFirst = false;
        const int result = (new TEkdl1Form(this))->exec();
        cards::pickMode = false;
        if (result == TCatalogueForm::PickResult) {
            DM1->Hspl.Edit();
            common("Kdls")->setValue(catalogue.FieldByName(QStringLiteral("Kodl"))->Value());
            common("Lks")->setValue(catalogue.FieldByName(QStringLiteral("Lkd"))->Value());
            m_enteredKdls = common("Kdls")->AsString();
        }
    } catch (const std::exception& e) {
        cards::pickMode = false;
        dbctrls::reportError(e, this);
    }
    forms::setStatus(1, QString());
    forms::setStatus(2, QString());
}

void TEmtfhForm::typedLocality() {
    const QString code = DBEditKdls->text();
    if (code == m_enteredKdls) return;
    m_enteredKdls = code;
    try {
        DM1->Hspl.Edit();
        common("Kdls")->setAsString(code);
        TTable& catalogue = DM1->Hdatl;
        // An emptied code names no locality, even when some catalogue row has no code.
        if (!code.isEmpty() && catalogue.Locate(QStringLiteral("Kodl"), code)) {
            common("Kdls")->setValue(catalogue.FieldByName(QStringLiteral("Kodl"))->Value());
            common("Lks")->setValue(catalogue.FieldByName(QStringLiteral("Lkd"))->Value());
        } else {
            // An unknown code keeps what was typed; the name goes, so nothing prints by mistake.
            common("Lks")->setAsString(QString());
        }
    } catch (const std::exception& e) {
        dbctrls::reportError(e, this);
    }
    forms::setStatus(1, QString());
    forms::setStatus(2, QString());
}

// ---- printers and settings -----------------------------------------------------------------

void TEmtfhForm::Nacist1() {
    const IniFile ini(settingsPath());
    (ini.readBool(kTisk, QStringLiteral("Tisk"), false) ? RadioButtonT : RadioButtonN)->setChecked(true);
    CheckBoxTisk->setChecked(ini.readInteger(kTisk, QStringLiteral("Vychozi"), 1) != 0);
    ((MainForm && MainForm->TypPisma == 1) ? RadioButtonCe : RadioButtonP)->setChecked(true);
    m_txtShow = ini.readBool(kTxt, QStringLiteral("Zobrazit"), true);
    m_txtPath = ini.readString(kTxt, QStringLiteral("Cesta"));
    if (MainForm) {
        MainForm->VyberTisk1(2);
        ComboBoxT->setCurrentIndex(MainForm->ListBoxT->currentRow());
    }
}

void TEmtfhForm::Ulozit1() {
    const QString path = settingsPath();
    if (path.isEmpty()) return;
    IniFile ini(path);
    ini.writeBool(kTisk, QStringLiteral("Tisk"), RadioButtonT->isChecked());
    ini.writeInteger(kTisk, QStringLiteral("Vychozi"), CheckBoxTisk->isChecked() ? 1 : 0);
    QString printer;
    if (ini.readInteger(kTisk, QStringLiteral("Vychozi"), 1) == 0 && MainForm && MainForm->ListBoxT->currentItem()) {
        printer = MainForm->ListBoxT->currentItem()->text();
    }
    ini.writeString(kTisk, QStringLiteral("Tiskarna"), printer);
    if (MainForm) MainForm->TypPisma = RadioButtonCe->isChecked() ? 1 : 0;
    ini.writeBool(kTxt, QStringLiteral("Zobrazit"), m_txtShow);
    ini.writeString(kTxt, QStringLiteral("Cesta"), m_txtPath);
}

void TEmtfhForm::ComboBoxTChange(int index) {
    Ulozit1();
    if (!MainForm || index < 0) return;
    MainForm->setCurrentPrinter(ComboBoxT->itemText(index));
    if (!CheckBoxTisk->isChecked()) {
        IniFile(settingsPath()).writeString(kTisk, QStringLiteral("Tiskarna"), ComboBoxT->itemText(index));
    }
}

void TEmtfhForm::printerSetup() {
    Ulozit1();
    if (!MainForm) return;
    MainForm->VyberTisk1(1);
    ComboBoxT->setCurrentIndex(MainForm->ListBoxT->currentRow());
}

// ---- the text file -------------------------------------------------------------------------

void TEmtfhForm::ButtonUlozit1Click() {
    if (!MainForm) return;
    QString path;
    try {
        if (editing(DM1->Hspl)) postCommon();  // the locality of the file name is the one on screen
        if (m_txtPath.isEmpty()) {
            m_txtPath = MainForm->CestyTyp1(2, 4);
            MainForm->NazevSb1();
        }
        path = MainForm->CestyTyp2(m_txtPath, 4);
    } catch (const std::exception& e) {
        dbctrls::reportError(e, this);
        return;
    }
    if (backup::PathTemplates::isUnusable(path)) {
        MessageBox::information(QStringLiteral("Nastavte správně cestu."), this);
        return;
    }
    SporinTxt1(path);
    if (m_txtShow && QFile::exists(path)) TMainForm::ExecuteFile1(path, QString());
}

void TEmtfhForm::SporinTxt1(const QString& path) {
    int count = -1;
    try {
        postCommon();
        HourglassCursor wait;
        const QString dir = QFileInfo(path).absolutePath();
        if (!QFileInfo(dir).isDir()) QDir().mkpath(dir);
        TQuery& rows = DM1->HdokQr1;
        rows.Close();
        rows.SQL = SpeciesTextFile::statement(common("Lks")->AsString(), common("Pr")->AsBoolean());
        rows.Open();
        count = SpeciesTextFile::write(path, rows, common("Lks")->AsString(), MainForm->Kodovani);
        rows.Close();
    } catch (const std::exception& e) {
        DM1->HdokQr1.Close();
        dbctrls::reportError(e, this);
        return;
    }
    if (count < 0) {
        MessageBox::error(QStringLiteral("Soubor ") + QDir::toNativeSeparators(path) + QStringLiteral(" nelze vytvořit."),
                          this);
        return;
    }
    MessageBox::information(QStringLiteral("Data byla uložena do TXT souboru (počet: %1)").arg(count), this);
}

void TEmtfhForm::ButtonNastav1Click() {
    if (!MainForm) return;
    if (m_txtPath.isEmpty()) {
        m_txtPath = MainForm->CestyTyp1(2, 4);
        MainForm->NazevSb1();
    }
    TEkpodForm::Values values{m_txtPath, m_txtShow, MainForm->Kodovani};
    auto* settings = new TEkpodForm(values, this);
    settings->Nastaveni(1);
    settings->exec();
    m_txtPath = values.path;
    m_txtShow = values.show;
    MainForm->Kodovani = values.encoding;
    Ulozit1();
}

// ---- keys and closing ----------------------------------------------------------------------

bool TEmtfhForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && watched == DBEditKdls) {
        m_enteredKdls = DBEditKdls->text();
    } else if (event->type() == QEvent::FocusOut && watched == DBEditKdls) {
        typedLocality();
    } else if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
               static_cast<QWidget*>(watched)->window() == this) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = forms::modifiers(key);
        if (mods == Qt::NoModifier) {
            switch (key->key()) {
                case Qt::Key_Escape:
                    reject();
                    return true;
                case Qt::Key_F2:
                    done(ZapisResult);
                    return true;
                case Qt::Key_F4:
                    done(OpravyResult);
                    return true;
                case Qt::Key_F6:
                    if (PageControl->currentIndex() == 0) PickReport(RadioButtonT->isChecked());
                    return true;
                default:
                    break;
            }
        } else if (mods == Qt::ShiftModifier && key->key() == Qt::Key_F7 && watched == DBEditKdls) {
            PrenosLok1();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TEmtfhForm::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        forms::routeHint(event);
        return true;
    }
    return QDialog::event(event);
}

void TEmtfhForm::done(int result) {
    WindowPlacement::save(this, kWindowKey);
    Ulozit1();
    try {
        if (QWidget* f = focusWidget()) f->clearFocus();
        if (editing(DM1->Hspl)) DM1->Hspl.Post();
        forms::reopen(DM1->Hspl);
    } catch (const std::exception& e) {
        dbctrls::reportError(e, this);
    }
    QDialog::done(result);
}
