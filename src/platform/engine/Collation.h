#pragma once

#include <QCollator>
#include <QString>

namespace engine {

// The one collation of the engine: Czech order ("ch" after "h", "č" after "c"), used by every
// string index, by nearest-key searches and by ORDER BY on text. All callers must go through
// this class so that an order and a search over it never disagree.
class Collation {
public:
    // <0, 0 or >0 as a sorts before, equal to or after b.
    static int compare(const QString& a, const QString& b);
    // Sort key for bulk sorting: key(a).compare(key(b)) agrees with compare(a, b) and is
    // much cheaper than compare() when each value takes part in many comparisons.
    static QCollatorSortKey sortKey(const QString& s);

private:
    static QCollator& collator();
};

}  // namespace engine
