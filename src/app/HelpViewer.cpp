#include "HelpViewer.h"

#include <QCollator>
#include <QFile>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QShortcut>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrlQuery>
#include <QVBoxLayout>

// The manual is compiled into the static ui library; nothing refers to its resource data, so
// it has to be registered explicitly (outside any namespace, as Q_INIT_RESOURCE requires).
static void registerManualResources() {
    Q_INIT_RESOURCE(manual);
}

namespace {

const QString kManualPrefix = QStringLiteral(":/manual/");
// Pages the viewer makes itself (the reports of a missing topic or page).
const QString kOwnScheme = QStringLiteral("napoveda");

QString readPage(const QString& file) {
    HelpViewer::ensureManual();
    QFile f(kManualPrefix + file);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(f.readAll());
}

// Decodes the few character entities the manual's titles and key words may contain.
QString decodeEntities(QString text) {
    text.replace(QLatin1String("&nbsp;"), QStringLiteral(" "));
    text.replace(QLatin1String("&lt;"), QStringLiteral("<"));
    text.replace(QLatin1String("&gt;"), QStringLiteral(">"));
    text.replace(QLatin1String("&quot;"), QStringLiteral("\""));
    text.replace(QLatin1String("&amp;"), QStringLiteral("&"));
    return text.simplified();
}

QString messagePage(const QString& text) {
    return QStringLiteral(
               "<html><head><meta charset=\"utf-8\"><title>Téma nenalezeno</title>"
               "<link rel=\"stylesheet\" type=\"text/css\" href=\"qrc:/manual/manual.css\"></head><body>"
               "<h1>Téma nenalezeno</h1><p>%1</p>"
               "<p>Pokračujte <a href=\"qrc:/manual/index.html\">obsahem návodu</a>.</p></body></html>")
        .arg(text.toHtmlEscaped());
}

}  // namespace

// ---- HelpBrowser ---------------------------------------------------------------------------

HelpBrowser::HelpBrowser(QWidget* parent) : QTextBrowser(parent) {
    HelpViewer::ensureManual();
    setObjectName(QStringLiteral("HelpBrowser"));
    setOpenLinks(true);
    // The manual has no links to the web; anything else than its own pages gets the
    // "not found" page instead of being handed to another program.
    setOpenExternalLinks(false);
}

QUrl HelpBrowser::missingContextUrl(int context) {
    QUrl url;
    url.setScheme(kOwnScheme);
    url.setPath(QStringLiteral("chybi"));
    url.setQuery(QStringLiteral("kontext=%1").arg(context));
    return url;
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
    if (type != QTextDocument::HtmlResource) return QTextBrowser::loadResource(type, name);
    const QUrl url = name.isRelative() ? source().resolved(name) : name;
    if (url.scheme() == kOwnScheme) {
        bool ok = false;
        const int context = QUrlQuery(url).queryItemValue(QStringLiteral("kontext")).toInt(&ok);
        return messagePage(ok && context > 0
                               ? QStringLiteral("Téma nápovědy číslo %1 v návodu neexistuje.").arg(context)
                               : QStringLiteral("Požadované téma nápovědy v návodu neexistuje."));
    }
    if (url.scheme() != QLatin1String("qrc") || !QFile::exists(QLatin1Char(':') + url.path())) {
        return messagePage(QStringLiteral("Stránka „%1“ v návodu neexistuje.").arg(url.fileName()));
    }
    return QTextBrowser::loadResource(type, url);
}

// ---- the manual ----------------------------------------------------------------------------

bool HelpViewer::ensureManual() {
    static const bool registered = [] {
        registerManualResources();
        return true;
    }();
    return registered && QFile::exists(kManualPrefix + QStringLiteral("index.html"));
}

const QList<HelpViewer::Topic>& HelpViewer::topics() {
    ensureManual();
    // Context numbers are what help requests carry; they must stay stable once used.
    static const QList<Topic> table = {
        {1, QStringLiteral("index.html"), 0},          {2, QStringLiteral("spusteni.html"), 0},
        {3, QStringLiteral("vyber-firmy.html"), 0},    {4, QStringLiteral("nova-firma.html"), 1},
        {5, QStringLiteral("nazev-firmy.html"), 1},    {6, QStringLiteral("smazani-firmy.html"), 1},
        {7, QStringLiteral("razeni-firem.html"), 1},   {8, QStringLiteral("hesla.html"), 1},
        {9, QStringLiteral("firma-obsazena.html"), 1}, {10, QStringLiteral("hlavni-okno.html"), 0},
        // Printing keeps the numbers from 40.
        {40, QStringLiteral("tisk.html"), 0},          {41, QStringLiteral("nahled.html"), 1},
        {42, QStringLiteral("tisk-pdf.html"), 1},
        {43, QStringLiteral("okno-tisk.html"), 1},     {44, QStringLiteral("tiskarna.html"), 1},
        {45, QStringLiteral("textovy-soubor.html"), 1}, {46, QStringLiteral("textovy-soubor-nastaveni.html"), 1},
        {47, QStringLiteral("kodovani.html"), 1},      {48, QStringLiteral("cesty-souboru.html"), 1},
        {49, QStringLiteral("spolecne-udaje.html"), 0}, {11, QStringLiteral("klavesy.html"), 0},
        {12, QStringLiteral("prevod-dat.html"), 0},
        // The card index from 20.
        {20, QStringLiteral("zapis-karet.html"), 0},   {21, QStringLiteral("databaze-hub.html"), 1},
        {22, QStringLiteral("databaze-lokalit.html"), 1},
        // Search and correction from 30.
        {30, QStringLiteral("vyhledavani.html"), 0},   {31, QStringLiteral("rozsirene-vyhledavani.html"), 1},
        // Backup, restore and shared data from 60.
        {60, QStringLiteral("zalohovani.html"), 0},    {61, QStringLiteral("obnoveni.html"), 0},
        {62, QStringLiteral("sitova-data.html"), 0},
        // Moving data out from 70.
        {70, QStringLiteral("export-nalezu.html"), 0},
    };
    return table;
}

QString HelpViewer::topicFile(int context) {
    for (const Topic& t : topics()) {
        if (t.context == context) return t.file;
    }
    return QString();
}

QUrl HelpViewer::manualUrl(const QString& file) {
    return QUrl(QStringLiteral("qrc:/manual/") + file);
}

QString HelpViewer::pageTitle(const QString& file) {
    static const QRegularExpression title(
        QStringLiteral("<title>(.*?)</title>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = title.match(readPage(file));
    return m.hasMatch() ? decodeEntities(m.captured(1)) : QString();
}

QList<HelpViewer::IndexEntry> HelpViewer::indexEntries() {
    static const QRegularExpression keywords(QStringLiteral("<meta\\s+name=\"keywords\"\\s+content=\"([^\"]*)\""),
                                             QRegularExpression::CaseInsensitiveOption);
    QList<IndexEntry> entries;
    QSet<QString> seen;
    // A page's title and its key words; the same word twice for one page (in whatever
    // letter case) is listed once.
    auto add = [&](const QString& keyword, const QString& file) {
        const QString k = decodeEntities(keyword);
        const QString key = k.toCaseFolded() + QLatin1Char('\n') + file;
        if (k.isEmpty() || seen.contains(key)) return;
        seen.insert(key);
        entries.append({k, file});
    };
    for (const Topic& t : topics()) {
        add(pageTitle(t.file), t.file);
        const QRegularExpressionMatch m = keywords.match(readPage(t.file));
        if (!m.hasMatch()) continue;
        for (const QString& k : m.captured(1).split(QLatin1Char(';'))) add(k, t.file);
    }
    // A word that leads to several pages names the page, so that the entries differ.
    QHash<QString, int> pagesPerWord;
    for (const IndexEntry& e : entries) ++pagesPerWord[e.keyword.toCaseFolded()];
    for (IndexEntry& e : entries) {
        if (pagesPerWord.value(e.keyword.toCaseFolded()) > 1) e.keyword += QStringLiteral(" – ") + pageTitle(e.file);
    }
    // Czech order ("ch" after "h", "š" after "s"), letter case aside.
    QCollator collator{QLocale(QLocale::Czech, QLocale::CzechRepublic)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(entries.begin(), entries.end(), [&](const IndexEntry& a, const IndexEntry& b) {
        return collator.compare(a.keyword, b.keyword) < 0;
    });
    return entries;
}

QString HelpViewer::foldForSearch(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing) out.append(c);
    }
    return out.toCaseFolded();
}

// ---- the window ----------------------------------------------------------------------------

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("Lamelin - nápověda"));
    // The program ends when its main window closes, even while the manual is open; the main
    // window then closes the manual.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(900, 600);

    auto makeButton = [this](const QString& name, const QString& text, const QString& tip, QStyle::StandardPixmap icon,
                             const QKeySequence& key) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setText(text);
        b->setToolTip(tip);
        b->setIcon(style()->standardIcon(icon));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAutoRaise(true);
        b->setShortcut(key);
        return b;
    };
    m_back = makeButton(QStringLiteral("HelpBack"), QStringLiteral("Zpět"),
                        QStringLiteral("Předchozí stránka (Alt+šipka vlevo)"), QStyle::SP_ArrowBack,
                        QKeySequence(Qt::ALT | Qt::Key_Left));
    m_forward = makeButton(QStringLiteral("HelpForward"), QStringLiteral("Vpřed"),
                           QStringLiteral("Následující stránka (Alt+šipka vpravo)"), QStyle::SP_ArrowForward,
                           QKeySequence(Qt::ALT | Qt::Key_Right));
    m_home = makeButton(QStringLiteral("HelpHome"), QStringLiteral("Domů"),
                        QStringLiteral("Úvodní stránka návodu (Alt+Home)"), QStyle::SP_DirHomeIcon,
                        QKeySequence(Qt::ALT | Qt::Key_Home));
    m_back->setEnabled(false);
    m_forward->setEnabled(false);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(4, 4, 4, 0);
    bar->addWidget(m_back);
    bar->addWidget(m_forward);
    bar->addWidget(m_home);
    bar->addStretch(1);

    m_browser = new HelpBrowser(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("HelpTabs"));
    buildContents();
    buildIndex();

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(m_tabs);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({270, 630});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(bar);
    layout->addWidget(splitter, 1);

    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_home, &QToolButton::clicked, this, &HelpViewer::showDefaultTopic);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpViewer::syncContents);

    // Esc closes the manual, as it closes the program's dialogs.
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, &QWidget::close);
}

void HelpViewer::buildContents() {
    m_contents = new QTreeWidget(m_tabs);
    m_contents->setObjectName(QStringLiteral("HelpContents"));
    m_contents->setHeaderHidden(true);
    m_contents->setColumnCount(1);
    QTreeWidgetItem* chapter = nullptr;
    for (const Topic& t : topics()) {
        QTreeWidgetItem* item =
            (t.level > 0 && chapter) ? new QTreeWidgetItem(chapter) : new QTreeWidgetItem(m_contents);
        if (t.level == 0) chapter = item;
        item->setText(0, pageTitle(t.file));
        item->setData(0, Qt::UserRole, t.file);
    }
    m_contents->expandAll();
    connect(m_contents, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (m_syncing || !current) return;
        m_browser->setSource(manualUrl(current->data(0, Qt::UserRole).toString()));
    });
    m_tabs->addTab(m_contents, QStringLiteral("Obsah"));
}

void HelpViewer::buildIndex() {
    auto* page = new QWidget(m_tabs);
    page->setObjectName(QStringLiteral("HelpIndexPage"));
    m_indexFilter = new QLineEdit(page);
    m_indexFilter->setObjectName(QStringLiteral("HelpIndexFilter"));
    m_indexFilter->setPlaceholderText(QStringLiteral("Hledané slovo"));
    m_indexFilter->setClearButtonEnabled(true);
    m_indexList = new QListWidget(page);
    m_indexList->setObjectName(QStringLiteral("HelpIndexList"));
    for (const IndexEntry& e : indexEntries()) {
        auto* item = new QListWidgetItem(e.keyword, m_indexList);
        item->setData(Qt::UserRole, e.file);
        item->setToolTip(pageTitle(e.file));
    }
    m_indexEmpty = new QLabel(QStringLiteral("Rejstřík toto slovo neobsahuje."), page);
    m_indexEmpty->setObjectName(QStringLiteral("HelpIndexEmpty"));
    m_indexEmpty->setWordWrap(true);
    m_indexEmpty->hide();

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_indexFilter);
    layout->addWidget(m_indexEmpty);
    layout->addWidget(m_indexList, 1);

    connect(m_indexFilter, &QLineEdit::textChanged, this, &HelpViewer::filterIndex);
    connect(m_indexFilter, &QLineEdit::returnPressed, this, &HelpViewer::openSelectedIndexEntry);
    connect(m_indexList, &QListWidget::itemActivated, this, &HelpViewer::openSelectedIndexEntry);
    connect(m_indexList, &QListWidget::itemClicked, this, &HelpViewer::openSelectedIndexEntry);
    m_tabs->addTab(page, QStringLiteral("Rejstřík"));
}

void HelpViewer::filterIndex(const QString& text) {
    const QString wanted = foldForSearch(text.trimmed());
    QListWidgetItem* startsWith = nullptr;
    QListWidgetItem* contains = nullptr;
    for (int i = 0; i < m_indexList->count(); ++i) {
        QListWidgetItem* item = m_indexList->item(i);
        const QString keyword = foldForSearch(item->text());
        const bool match = wanted.isEmpty() || keyword.contains(wanted);
        item->setHidden(!match);
        if (!match) continue;
        if (!contains) contains = item;
        if (!startsWith && keyword.startsWith(wanted)) startsWith = item;
    }
    // A key word that begins with the typed text is a better match than one containing it.
    QListWidgetItem* best = startsWith ? startsWith : contains;
    m_indexList->setCurrentItem(best);
    if (best) m_indexList->scrollToItem(best);
    m_indexEmpty->setVisible(!best);
}

void HelpViewer::openSelectedIndexEntry() {
    QListWidgetItem* item = m_indexList->currentItem();
    if (!item || item->isHidden()) return;
    m_browser->setSource(manualUrl(item->data(Qt::UserRole).toString()));
}

void HelpViewer::syncContents(const QUrl& url) {
    QTreeWidgetItem* found = nullptr;
    if (url.scheme() == QLatin1String("qrc")) {
        for (QTreeWidgetItemIterator it(m_contents); *it; ++it) {
            if ((*it)->data(0, Qt::UserRole).toString() == url.fileName()) {
                found = *it;
                break;
            }
        }
    }
    m_syncing = true;
    m_contents->setCurrentItem(found);
    if (!found) m_contents->clearSelection();
    m_syncing = false;
}

void HelpViewer::bringToFront() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

void HelpViewer::showContext(int context) {
    const QString file = topicFile(context);
    m_tabs->setCurrentWidget(m_contents);
    m_browser->setSource(file.isEmpty() ? HelpBrowser::missingContextUrl(context) : manualUrl(file));
    bringToFront();
}

void HelpViewer::showDefaultTopic() {
    showContext(kDefaultContext);
}

void HelpViewer::showIndex(const QString& keyword) {
    m_tabs->setCurrentWidget(m_indexFilter->parentWidget());
    // Set the text and filter explicitly: an unchanged text emits no change signal.
    {
        const QSignalBlocker block(m_indexFilter);
        m_indexFilter->setText(keyword);
    }
    filterIndex(keyword);
    if (!keyword.trimmed().isEmpty() && m_indexList->currentItem()) {
        openSelectedIndexEntry();
    } else if (m_browser->source().isEmpty()) {
        m_browser->setSource(manualUrl(topicFile(kDefaultContext)));
    }
    bringToFront();
    m_indexFilter->setFocus();
}

QUrl HelpViewer::source() const {
    return m_browser->source();
}
