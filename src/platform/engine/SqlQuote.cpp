#include "SqlQuote.h"

namespace engine::sql {

QString quoteLiteral(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (const QChar c : text) {
        if (c == u'"') out += u'"';
        out += c;
    }
    out += u'"';
    return out;
}

}  // namespace engine::sql
