#pragma once

#include <QString>

namespace engine::sql {

// Quotes user text as a string literal of a statement or filter: wraps it in double quotes and
// doubles every double quote inside, so the text reads back unchanged and cannot end the
// literal early. Every statement built from user text goes through this.
QString quoteLiteral(const QString& text);

}  // namespace engine::sql
