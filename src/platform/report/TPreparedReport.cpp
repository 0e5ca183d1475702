#include "TPreparedReport.h"

const TPreparedItem* TPreparedPage::find(const QString& name) const {
    for (const TPreparedItem& item : items) {
        if (item.name == name) return &item;
    }
    return nullptr;
}

QVector<const TPreparedItem*> TPreparedPage::findAll(const QString& name) const {
    QVector<const TPreparedItem*> found;
    for (const TPreparedItem& item : items) {
        if (item.name == name) found << &item;
    }
    return found;
}
