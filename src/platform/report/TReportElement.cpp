#include "TReportElement.h"

#include "TReportBand.h"

TReportElement::TReportElement(TReportBand* band, const QString& name, const QRect& geometry)
    : QObject(band), m_geometry(geometry) {
    setObjectName(name);
}

TReportBand* TReportElement::band() const {
    return static_cast<TReportBand*>(parent());
}

TReport* TReportElement::report() const {
    return band() ? band()->report() : nullptr;
}
