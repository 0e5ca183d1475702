#pragma once

#include <QList>
#include <QString>
#include <QTextBrowser>
#include <QUrl>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QTabWidget;
class QToolButton;
class QTreeWidget;

// The text pane of the help viewer. Pages come from the manual in the Qt resources; a page
// that is not there, and a context number without a topic, get a short page of their own
// saying so, so that a bad link or request never leaves an empty or broken window.
class HelpBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit HelpBrowser(QWidget* parent = nullptr);
    QVariant loadResource(int type, const QUrl& name) override;

    // The address of the page that reports a context number without a topic.
    static QUrl missingContextUrl(int context);
};

// The window of the program's manual: a non-modal top-level window with the contents and the
// index of the manual on the left, the page on the right and Back, Forward and Home buttons.
// Context numbers of help requests are mapped to the manual's pages by one table (topics()).
class HelpViewer : public QWidget {
    Q_OBJECT
public:
    struct Topic {
        int context;   // the context number of help requests
        QString file;  // the page in the manual, relative to ":/manual/"
        int level;     // 0 a chapter, 1 a section of the chapter above it
    };
    // An index entry: a key word and the page that explains it.
    struct IndexEntry {
        QString keyword;
        QString file;
    };

    static constexpr int kDefaultContext = 1;

    // Makes the manual's pages available under ":/manual/" (once); false when they are missing.
    static bool ensureManual();
    // The context table, in the order of the contents.
    static const QList<Topic>& topics();
    // The page of a context number; empty when no topic has that number.
    static QString topicFile(int context);
    // qrc:/manual/<file>
    static QUrl manualUrl(const QString& file);
    // The title of a manual page (its <title>); empty when the page is missing.
    static QString pageTitle(const QString& file);
    // The key words of every topic page (<meta name="keywords">), sorted for the index.
    static QList<IndexEntry> indexEntries();
    // Lower case without diacritics, so that "smazani" finds "Smazání".
    static QString foldForSearch(const QString& text);

    explicit HelpViewer(QWidget* parent = nullptr);

    // Shows the page of a context number, or the page saying that no such topic exists.
    void showContext(int context);
    // Shows the manual's first page, "Návod k programu".
    void showDefaultTopic();
    // Switches to the index with `keyword` typed in its search line: the entries are narrowed
    // to those that contain it and the best match is selected and shown. An empty keyword
    // shows the whole index.
    void showIndex(const QString& keyword);

    QUrl source() const;
    HelpBrowser* browser() const { return m_browser; }

private:
    void buildContents();
    void buildIndex();
    void filterIndex(const QString& text);
    void openSelectedIndexEntry();
    void syncContents(const QUrl& url);
    void bringToFront();

    HelpBrowser* m_browser = nullptr;
    QTabWidget* m_tabs = nullptr;
    QTreeWidget* m_contents = nullptr;
    QLineEdit* m_indexFilter = nullptr;
    QListWidget* m_indexList = nullptr;
    QLabel* m_indexEmpty = nullptr;
    QToolButton* m_back = nullptr;
    QToolButton* m_forward = nullptr;
    QToolButton* m_home = nullptr;
    bool m_syncing = false;
};
