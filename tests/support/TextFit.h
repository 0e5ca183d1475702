#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QStyle>
#include <QTableView>
#include <QWidget>

#include "TitleFit.h"

// The texts of a shown window that do not get the room they need: its caption, and every
// visible label, button, check box and grid column title. Returns one line per clipped text
// ("Button1 '&Nová firma': needs 92, has 80"); empty when everything fits. Used by the walk
// over all windows (TextFitTest.cpp), where adding a window is one line.
inline QStringList clippedTexts(QWidget* window) {
    QStringList problems;
    auto check = [&](const QObject* o, const QString& text, int needs, int has) {
        if (needs > has) {
            problems << QStringLiteral("%1 '%2': needs %3, has %4").arg(o->objectName(), text).arg(needs).arg(has);
        }
    };
    // What a text shows: "&&" is an ampersand, a single "&" marks the hot key.
    auto shown = [](QString text) {
        text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
        text.remove(QLatin1Char('&'));
        return text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    };
    auto widest = [](const QFontMetrics& fm, const QString& text) {
        int w = 0;
        for (const QString& line : text.split(QLatin1Char('\n'))) w = std::max(w, fm.horizontalAdvance(line));
        return w;
    };

    if (!(window->windowFlags() & Qt::FramelessWindowHint) && !window->windowTitle().isEmpty()) {
        check(window, window->windowTitle(), TitleFit::titleWidth(window->windowTitle()), window->width());
    }
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->isVisibleTo(window) || label->wordWrap() || label->text().isEmpty() ||
            Qt::mightBeRichText(label->text()))
            continue;
        const QString text = label->buddy() ? shown(label->text()) : label->text();
        check(label, text, widest(label->fontMetrics(), text), label->contentsRect().width() - 2 * label->margin());
    }
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(window) || button->text().isEmpty()) continue;
        if (qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button)) {
            check(button, button->text(), button->sizeHint().width(), button->width());
        } else {
            // The style's room around a button's text: its margin and a frame on each side.
            const QStyle* style = button->style();
            const int margin = style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                               2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
            const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
            check(button, button->text(), button->fontMetrics().horizontalAdvance(shown(button->text())) + margin + icon,
                  button->width());
        }
    }
    for (QTableView* view : window->findChildren<QTableView*>()) {
        QHeaderView* header = view->horizontalHeader();
        if (!view->isVisibleTo(window) || !header->isVisible() || !view->model()) continue;
        const int margin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        for (int i = 0; i < header->count(); ++i) {
            if (header->isSectionHidden(i)) continue;
            const QString title = view->model()->headerData(i, Qt::Horizontal).toString();
            check(view, title, header->fontMetrics().horizontalAdvance(title) + margin, header->sectionSize(i));
        }
    }
    return problems;
}
