#include "FieldDef.h"

namespace engine {

int TableLayout::indexOf(const QString& name) const {
    for (int i = 0; i < fields.size(); ++i) {
        if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

QString indexSuffixForField(int field) {
    return QStringLiteral("%1").arg(field + 1, 2, 16, QLatin1Char('0')).toUpper();
}

}  // namespace engine
