#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include "HelpViewer.h"
#include "UseHTMLHelp.h"

namespace {

UseHTMLHelp& help() {
    return UseHTMLHelp::instance();
}

QString shownFile(const HelpViewer* v) {
    return v->source().fileName();
}

QString currentContentsFile(const HelpViewer& v) {
    const auto* contents = v.findChild<QTreeWidget*>(QStringLiteral("HelpContents"));
    const QTreeWidgetItem* item = contents->currentItem();
    return item ? item->data(0, Qt::UserRole).toString() : QString();
}

int visibleIndexEntries(const HelpViewer& v) {
    const auto* list = v.findChild<QListWidget*>(QStringLiteral("HelpIndexList"));
    int n = 0;
    for (int i = 0; i < list->count(); ++i) n += list->item(i)->isHidden() ? 0 : 1;
    return n;
}

bool helpWindowExists() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<HelpViewer*>(w)) return true;
    }
    return false;
}

// The manual's sources in the source tree.
QDir manualSourceDir() {
    // Not through __FILE__: with the shared compiler cache's base directory it is relative to
    // the build directory, not to where the tests run.
    return QDir(QStringLiteral(LAMELIN_SOURCE_DIR "/docs/manual"));
}

}  // namespace

// ---- the help handler ----------------------------------------------------------------------

class HelpCommandTest : public ::testing::Test {
protected:
    void SetUp() override { help().ApplicationHelp(UseHTMLHelp::HelpQuit, 0); }
    void TearDown() override { help().ApplicationHelp(UseHTMLHelp::HelpQuit, 0); }
};

TEST_F(HelpCommandTest, ContextOneOpensTheViewerOnTheFirstTopic) {
    EXPECT_TRUE(help().ApplicationHelp(UseHTMLHelp::HelpContext, 1));
    HelpViewer* v = help().viewer();
    ASSERT_NE(v, nullptr);
    EXPECT_TRUE(v->isVisible());
    EXPECT_TRUE(v->isWindow());
    EXPECT_EQ(v->windowTitle(), QStringLiteral("Lamelin - nápověda"));
    EXPECT_EQ(shownFile(v), QStringLiteral("index.html"));
    EXPECT_EQ(v->browser()->documentTitle(), QStringLiteral("Návod k programu"));
    EXPECT_EQ(help().lastCall(), UseHTMLHelp::ViewerCall::HelpContext);
    EXPECT_EQ(help().lastData(), 1);
}

TEST_F(HelpCommandTest, PopupContextShowsTheTopicLikeContextAndReusesTheWindow) {
    help().ApplicationHelp(UseHTMLHelp::HelpContext, 1);
    HelpViewer* first = help().viewer();
    EXPECT_TRUE(help().ApplicationHelp(UseHTMLHelp::HelpContextPopup, 8));
    EXPECT_EQ(help().viewer(), first);
    EXPECT_EQ(shownFile(first), HelpViewer::topicFile(8));
    EXPECT_EQ(help().lastCall(), UseHTMLHelp::ViewerCall::HelpContext);
    EXPECT_EQ(help().lastData(), 8);
    // Both pages are in the history of the one window.
    EXPECT_TRUE(first->findChild<QToolButton*>(QStringLiteral("HelpBack"))->isEnabled());
}

TEST_F(HelpCommandTest, AnyOtherCommandShowsTheDefaultTopic) {
    for (const quint16 command : {quint16(0), quint16(3), quint16(4), quint16(9), quint16(258), quint16(0xFFFF)}) {
        help().ApplicationHelp(UseHTMLHelp::HelpContext, 8);
        ASSERT_NE(shownFile(help().viewer()), QStringLiteral("index.html"));
        EXPECT_TRUE(help().ApplicationHelp(command, 77)) << command;
        EXPECT_EQ(shownFile(help().viewer()), QStringLiteral("index.html")) << command;
        EXPECT_EQ(help().lastCall(), UseHTMLHelp::ViewerCall::DisplayTopic) << command;
        EXPECT_EQ(help().lastData(), 0) << command;
    }
    // Without an open window the default topic opens one.
    help().ApplicationHelp(UseHTMLHelp::HelpQuit, 0);
    EXPECT_TRUE(help().ApplicationHelp(5, 0));
    ASSERT_NE(help().viewer(), nullptr);
    EXPECT_EQ(shownFile(help().viewer()), QStringLiteral("index.html"));
}

TEST_F(HelpCommandTest, QuitClosesAndDeletesTheViewer) {
    help().ApplicationHelp(UseHTMLHelp::HelpContext, 1);
    QPointer<HelpViewer> v = help().viewer();
    ASSERT_TRUE(helpWindowExists());

    EXPECT_TRUE(help().ApplicationHelp(UseHTMLHelp::HelpQuit, 123));
    EXPECT_EQ(help().viewer(), nullptr);
    EXPECT_TRUE(v.isNull());
    EXPECT_FALSE(helpWindowExists());
    EXPECT_EQ(help().lastCall(), UseHTMLHelp::ViewerCall::CloseAll);
    EXPECT_EQ(help().lastData(), 0);

    // Quit with no window open changes nothing and opens nothing.
    EXPECT_TRUE(help().ApplicationHelp(UseHTMLHelp::HelpQuit, 0));
    EXPECT_EQ(help().viewer(), nullptr);
    EXPECT_FALSE(helpWindowExists());
}

TEST_F(HelpCommandTest, ClosingTheWindowByHandLetsTheNextRequestOpenANewOne) {
    help().ApplicationHelp(UseHTMLHelp::HelpContext, 1);
    QPointer<HelpViewer> v = help().viewer();
    v->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(v.isNull());
    EXPECT_EQ(help().viewer(), nullptr);

    help().ApplicationHelp(UseHTMLHelp::HelpContext, 3);
    ASSERT_NE(help().viewer(), nullptr);
    EXPECT_TRUE(help().viewer()->isVisible());
    EXPECT_EQ(shownFile(help().viewer()), HelpViewer::topicFile(3));
}

TEST_F(HelpCommandTest, AnOpenManualDoesNotKeepTheProgramRunning) {
    // The program ends when its main window closes, even with the manual's window open; the
    // main window's destruction then closes the manual.
    QWidget mainWindow;
    mainWindow.show();
    help().ApplicationHelp(UseHTMLHelp::HelpContext, 1);
    ASSERT_TRUE(help().viewer()->isVisible());

    bool timedOut = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&timedOut] {
        timedOut = true;
        QCoreApplication::quit();
    });
    guard.start(5000);
    QTimer::singleShot(0, &mainWindow, &QWidget::close);
    QApplication::exec();
    EXPECT_FALSE(timedOut);
}

TEST_F(HelpCommandTest, KeyWordShowsTheIndexWithTheWordTypedIn) {
    const QString keyword = QStringLiteral("heslo");
    const auto data = reinterpret_cast<qintptr>(&keyword);
    EXPECT_TRUE(help().ApplicationHelp(UseHTMLHelp::HelpKey, data));
    EXPECT_EQ(help().lastCall(), UseHTMLHelp::ViewerCall::DisplayIndex);
    EXPECT_EQ(help().lastData(), data);
    HelpViewer* v = help().viewer();
    ASSERT_NE(v, nullptr);
    const auto* tabs = v->findChild<QTabWidget*>(QStringLiteral("HelpTabs"));
    EXPECT_EQ(tabs->currentWidget()->objectName(), QStringLiteral("HelpIndexPage"));
    EXPECT_EQ(v->findChild<QLineEdit*>(QStringLiteral("HelpIndexFilter"))->text(), keyword);
    EXPECT_EQ(shownFile(v), QStringLiteral("hesla.html"));

    // No key word: the whole index, and the first page behind it.
    help().ApplicationHelp(UseHTMLHelp::HelpQuit, 0);
    EXPECT_TRUE(help().ApplicationHelp(UseHTMLHelp::HelpKey, 0));
    v = help().viewer();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(visibleIndexEntries(*v), v->findChild<QListWidget*>(QStringLiteral("HelpIndexList"))->count());
    EXPECT_EQ(shownFile(v), QStringLiteral("index.html"));
}

TEST_F(HelpCommandTest, ContextWithoutTopicShowsTheViewersOwnPage) {
    const qintptr unknown[] = {0, 4096, 999, -5, qintptr(1) << 40};
    for (const qintptr context : unknown) {
        EXPECT_TRUE(help().ApplicationHelp(UseHTMLHelp::HelpContext, context)) << context;
        HelpViewer* v = help().viewer();
        ASSERT_NE(v, nullptr);
        EXPECT_TRUE(v->isVisible());
        EXPECT_EQ(v->browser()->documentTitle(), QStringLiteral("Téma nenalezeno")) << context;
        EXPECT_EQ(help().lastData(), context);
    }
    help().ApplicationHelp(UseHTMLHelp::HelpContext, 999);
    EXPECT_TRUE(help().viewer()->browser()->toPlainText().contains(QStringLiteral("999")));
    // Its link leads back into the manual.
    help().viewer()->browser()->setSource(
        help().viewer()->source().resolved(QUrl(QStringLiteral("qrc:/manual/index.html"))));
    EXPECT_EQ(help().viewer()->browser()->documentTitle(), QStringLiteral("Návod k programu"));
}

// ---- the viewer ----------------------------------------------------------------------------

TEST(HelpViewerTest, ContextTableCoversEveryPageOnce) {
    const QList<HelpViewer::Topic>& topics = HelpViewer::topics();
    ASSERT_FALSE(topics.isEmpty());
    EXPECT_EQ(topics.first().context, 1);
    EXPECT_EQ(HelpViewer::pageTitle(HelpViewer::topicFile(1)), QStringLiteral("Návod k programu"));
    EXPECT_TRUE(HelpViewer::topicFile(0).isEmpty());

    QSet<int> contexts;
    QSet<QString> files;
    for (const HelpViewer::Topic& t : topics) {
        EXPECT_FALSE(contexts.contains(t.context)) << t.context;
        EXPECT_FALSE(files.contains(t.file)) << t.file.toStdString();
        contexts.insert(t.context);
        files.insert(t.file);
        EXPECT_TRUE(QFile::exists(QStringLiteral(":/manual/") + t.file)) << t.file.toStdString();
        EXPECT_FALSE(HelpViewer::pageTitle(t.file).isEmpty()) << t.file.toStdString();
    }
    // Every page of the manual can be reached from the contents.
    const QStringList pages = QDir(QStringLiteral(":/manual")).entryList({QStringLiteral("*.html")}, QDir::Files);
    for (const QString& page : pages) EXPECT_TRUE(files.contains(page)) << page.toStdString();
    EXPECT_EQ(pages.size(), files.size());
}

TEST(HelpViewerTest, BackForwardAndHomeButtons) {
    HelpViewer v;
    auto* back = v.findChild<QToolButton*>(QStringLiteral("HelpBack"));
    auto* forward = v.findChild<QToolButton*>(QStringLiteral("HelpForward"));
    auto* home = v.findChild<QToolButton*>(QStringLiteral("HelpHome"));
    ASSERT_TRUE(back && forward && home);

    v.showContext(3);
    EXPECT_FALSE(back->isEnabled());
    v.showContext(8);
    EXPECT_TRUE(back->isEnabled());
    EXPECT_FALSE(forward->isEnabled());

    back->click();
    EXPECT_EQ(shownFile(&v), HelpViewer::topicFile(3));
    EXPECT_TRUE(forward->isEnabled());
    forward->click();
    EXPECT_EQ(shownFile(&v), HelpViewer::topicFile(8));
    home->click();
    EXPECT_EQ(shownFile(&v), QStringLiteral("index.html"));
    back->click();
    EXPECT_EQ(shownFile(&v), HelpViewer::topicFile(8));
}

TEST(HelpViewerTest, ContentsFollowTheShownPageAndOpenPages) {
    HelpViewer v;
    v.showContext(8);
    EXPECT_EQ(currentContentsFile(v), HelpViewer::topicFile(8));

    // Following a link inside a page moves the contents along.
    v.browser()->setSource(v.source().resolved(QUrl(QStringLiteral("vyber-firmy.html"))));
    EXPECT_EQ(currentContentsFile(v), QStringLiteral("vyber-firmy.html"));

    auto* contents = v.findChild<QTreeWidget*>(QStringLiteral("HelpContents"));
    QTreeWidgetItem* last = contents->topLevelItem(contents->topLevelItemCount() - 1);
    contents->setCurrentItem(last);
    EXPECT_EQ(shownFile(&v), last->data(0, Qt::UserRole).toString());

    // A page outside the manual's contents selects nothing.
    v.showContext(4711);
    EXPECT_TRUE(currentContentsFile(v).isEmpty());
}

TEST(HelpViewerTest, IndexSearchIgnoresCaseAndDiacritics) {
    HelpViewer v;
    v.showIndex(QStringLiteral("SMAZANI"));
    const auto* list = v.findChild<QListWidget*>(QStringLiteral("HelpIndexList"));
    ASSERT_NE(list->currentItem(), nullptr);
    EXPECT_TRUE(HelpViewer::foldForSearch(list->currentItem()->text()).startsWith(QStringLiteral("smazani")));
    EXPECT_EQ(shownFile(&v), QStringLiteral("smazani-firmy.html"));
    EXPECT_LT(visibleIndexEntries(v), list->count());
    EXPECT_TRUE(v.findChild<QLabel*>(QStringLiteral("HelpIndexEmpty"))->isHidden());

    // A word the index lacks: nothing listed, the page stays, the window says so.
    v.showIndex(QStringLiteral("plodnice-neexistuje"));
    EXPECT_EQ(visibleIndexEntries(v), 0);
    EXPECT_EQ(shownFile(&v), QStringLiteral("smazani-firmy.html"));
    EXPECT_FALSE(v.findChild<QLabel*>(QStringLiteral("HelpIndexEmpty"))->isHidden());

    // Several entries contain "heslo" ("Zadejte heslo", "Nové heslo"); the one selected begins with it.
    v.showIndex(QStringLiteral("heslo"));
    ASSERT_NE(list->currentItem(), nullptr);
    EXPECT_TRUE(HelpViewer::foldForSearch(list->currentItem()->text()).startsWith(QStringLiteral("heslo")));

    EXPECT_EQ(HelpViewer::foldForSearch(QStringLiteral("Řazení - vlastní")), QStringLiteral("razeni - vlastni"));
}

TEST(HelpViewerTest, IndexEntriesAreDistinctAndCoverEveryTopic) {
    QSet<QString> indexed;
    QSet<QString> texts;
    for (const HelpViewer::IndexEntry& e : HelpViewer::indexEntries()) {
        EXPECT_FALSE(e.keyword.isEmpty());
        // Two entries that read the same (letter case aside) could not be told apart.
        EXPECT_FALSE(texts.contains(e.keyword.toCaseFolded())) << e.keyword.toStdString();
        texts.insert(e.keyword.toCaseFolded());
        indexed.insert(e.file);
    }
    for (const HelpViewer::Topic& t : HelpViewer::topics())
        EXPECT_TRUE(indexed.contains(t.file)) << t.file.toStdString();
}

TEST(HelpViewerTest, MissingPageShowsTheViewersOwnPage) {
    HelpViewer v;
    v.showDefaultTopic();
    v.browser()->setSource(QUrl(QStringLiteral("qrc:/manual/neni-v-navodu.html")));
    EXPECT_EQ(v.browser()->documentTitle(), QStringLiteral("Téma nenalezeno"));
    EXPECT_TRUE(v.browser()->toPlainText().contains(QStringLiteral("neni-v-navodu.html")));
    v.browser()->setSource(QUrl(QStringLiteral("https://example.org/")));
    EXPECT_EQ(v.browser()->documentTitle(), QStringLiteral("Téma nenalezeno"));
}

// ---- the manual's files --------------------------------------------------------------------

TEST(HelpManualTest, EverySourceFileIsBuiltIntoTheProgramAndIsUtf8) {
    ASSERT_TRUE(HelpViewer::ensureManual());
    const QDir dir = manualSourceDir();
    const QStringList files = dir.entryList({QStringLiteral("*.html"), QStringLiteral("*.css")}, QDir::Files);
    ASSERT_FALSE(files.isEmpty()) << dir.absolutePath().toStdString();
    for (const QString& name : files) {
        EXPECT_TRUE(QFile::exists(QStringLiteral(":/manual/") + name)) << "not in manual.qrc: " << name.toStdString();
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8(f.readAll());
        EXPECT_FALSE(utf8.hasError()) << name.toStdString();
        if (name.endsWith(QLatin1String(".html"))) {
            EXPECT_TRUE(text.contains(QLatin1String("charset=\"utf-8\""))) << name.toStdString();
        }
    }
}

TEST(HelpManualTest, EveryLinkLeadsToAnExistingPageAndAnchor) {
    ASSERT_TRUE(HelpViewer::ensureManual());
    const QDir dir = manualSourceDir();
    const QStringList pages = dir.entryList({QStringLiteral("*.html")}, QDir::Files);
    ASSERT_FALSE(pages.isEmpty());
    static const QRegularExpression link(QStringLiteral("(?:href|src)\\s*=\\s*\"([^\"]*)\""),
                                         QRegularExpression::CaseInsensitiveOption);
    auto readResource = [](const QString& path) {
        QFile f(QLatin1Char(':') + path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    };
    int checked = 0;
    for (const QString& page : pages) {
        QFile f(dir.filePath(page));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(f.readAll());
        const QUrl base(QStringLiteral("qrc:/manual/") + page);
        for (auto it = link.globalMatch(html); it.hasNext();) {
            const QString href = it.next().captured(1);
            const QUrl target = base.resolved(QUrl(href));
            const std::string where = page.toStdString() + " -> " + href.toStdString();
            ASSERT_FALSE(href.isEmpty()) << where;
            EXPECT_EQ(target.scheme(), QStringLiteral("qrc")) << where;
            EXPECT_TRUE(target.path().startsWith(QStringLiteral("/manual/"))) << where;
            EXPECT_TRUE(QFile::exists(QLatin1Char(':') + target.path())) << where;
            if (target.hasFragment()) {
                const QString anchor = target.fragment();
                const QString text = readResource(target.path());
                EXPECT_TRUE(text.contains(QStringLiteral("name=\"%1\"").arg(anchor)) ||
                            text.contains(QStringLiteral("id=\"%1\"").arg(anchor)))
                    << where;
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, pages.size());
}

TEST(HelpManualTest, TheViewerFollowsEveryLinkOfEveryPage) {
    // The links as the viewer sees them in the rendered pages: none may end on its error page.
    HelpViewer v;
    int followed = 0;
    for (const HelpViewer::Topic& t : HelpViewer::topics()) {
        v.showContext(t.context);
        ASSERT_EQ(v.browser()->documentTitle(), HelpViewer::pageTitle(t.file)) << t.file.toStdString();
        QStringList hrefs;
        for (QTextBlock b = v.browser()->document()->begin(); b.isValid(); b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QString href = it.fragment().charFormat().anchorHref();
                if (!href.isEmpty() && !hrefs.contains(href)) hrefs << href;
            }
        }
        const QUrl page = v.source();
        for (const QString& href : hrefs) {
            v.browser()->setSource(page.resolved(QUrl(href)));
            EXPECT_NE(v.browser()->documentTitle(), QStringLiteral("Téma nenalezeno"))
                << t.file.toStdString() << " -> " << href.toStdString();
            ++followed;
        }
    }
    EXPECT_GT(followed, HelpViewer::topics().size());
}
