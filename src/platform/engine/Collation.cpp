#include "Collation.h"

#include <QCollator>
#include <QLocale>

namespace engine {

QCollator& Collation::collator() {
    // The engine runs on the user-interface thread only; one instance serves every caller.
    static QCollator c = [] {
        QCollator col{QLocale(QLocale::Czech, QLocale::CzechRepublic)};
        col.setCaseSensitivity(Qt::CaseSensitive);
        col.setNumericMode(false);
        col.setIgnorePunctuation(false);
        return col;
    }();
    return c;
}

int Collation::compare(const QString& a, const QString& b) {
    return collator().compare(a, b);
}

QCollatorSortKey Collation::sortKey(const QString& s) {
    return collator().sortKey(s);
}

}  // namespace engine
