#include "TReportBand.h"

#include "TReport.h"
#include "TReportElement.h"

TReportBand::TReportBand(TReport* report, const QString& name, Kind kind, int height)
    : QObject(report), m_kind(kind), m_height(height < 0 ? 0 : height) {
    setObjectName(name);
}

TReport* TReportBand::report() const {
    return static_cast<TReport*>(parent());
}

void TReportBand::place(const TReportContext& context, QPointF origin, TPreparedPage& page) const {
    for (QObject* child : children()) {
        if (auto* element = qobject_cast<TReportElement*>(child)) element->place(context, origin, page);
    }
}
