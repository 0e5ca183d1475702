#include "TDataSet.h"

#include <algorithm>

#include "FieldConvert.h"
#include "RowAccessor.h"
#include "SqlExpression.h"
#include "TDataSource.h"

using engine::FieldType;

namespace {

bool sameValue(const QVariant& a, const QVariant& b) {
    const bool an = !a.isValid() || (a.typeId() == QMetaType::QString && a.toString().isEmpty());
    const bool bn = !b.isValid() || (b.typeId() == QMetaType::QString && b.toString().isEmpty());
    if (an || bn) return an == bn;
    return a == b;
}

}  // namespace

TDataSet::TDataSet() = default;

TDataSet::~TDataSet() {
    for (TDataSource* s : m_sources) s->datasetDestroyed();
}

// ---- opening and closing -------------------------------------------------------------------

void TDataSet::Open() {
    if (Active()) return;
    if (BeforeOpen) BeforeOpen(*this);
    openCursor();
    try {
        m_layout = cursorLayout();
        bindFields();
        rebuildFilter();
    } catch (...) {
        closeCursor();
        throw;
    }
    m_state = TDataSetState::Browse;
    m_modified = false;
    m_seenVersion = dataVersion();
    m_id = 0;
    m_pos = -1;
    qsizetype lo, hi;
    range(lo, hi);
    stepFrom(lo, +1);
    m_bof = true;
    m_eof = m_id == 0;
    notifyStateChange();
    notifyDataChange();
    if (AfterOpen) AfterOpen(*this);
}

void TDataSet::Close() {
    if (!Active()) return;
    if (BeforeClose) BeforeClose(*this);
    if (m_state == TDataSetState::Edit) unlockAfterEdit(m_id);
    m_state = TDataSetState::Inactive;
    m_modified = false;
    m_buffer.clear();
    m_id = 0;
    m_pos = -1;
    m_bof = m_eof = true;
    m_calcVersion = ~quint64(0);
    closeCursor();
    notifyStateChange();
    notifyDataChange();
    if (AfterClose) AfterClose(*this);
}

void TDataSet::bindFields() {
    // Persistent fields survive closing; a reopened table with the same fields keeps them, so
    // labels, ranges and handlers set by the owner stay in force.
    QStringList wanted = m_declaredFields;
    if (wanted.isEmpty()) {
        for (const auto& f : m_layout.fields) wanted << f.name;
    }
    for (const QString& name : wanted) {
        const int no = m_layout.indexOf(name);
        if (no < 0) {
            throw EDBEngineError(EngineErrorCode::InvalidLayout,
                                 QStringLiteral("Pole '%1' nebylo v tabulce nalezeno.").arg(name));
        }
    }
    std::vector<std::unique_ptr<TField>> kept;
    for (const QString& name : wanted) {
        const int no = m_layout.indexOf(name);
        const engine::FieldDef& def = m_layout.fields[no];
        std::unique_ptr<TField> field;
        for (auto& f : m_fields) {
            if (f && !f->Calculated() && f->FieldName().compare(def.name, Qt::CaseInsensitive) == 0 && f->DataType() == def.type &&
                f->Size() == def.size) {
                field = std::move(f);
                break;
            }
        }
        if (!field) field = std::make_unique<TField>(this, def.name, def.type, def.size, false);
        field->m_fieldNo = no;
        kept.push_back(std::move(field));
    }
    for (auto& f : m_fields) {
        if (f && f->Calculated()) kept.push_back(std::move(f));
    }
    m_fields = std::move(kept);
    m_fieldList.clear();
    for (size_t i = 0; i < m_fields.size(); ++i) {
        m_fields[i]->m_index = int(i);
        m_fieldList << m_fields[i].get();
    }
}

void TDataSet::AddFieldName(const QString& name) {
    if (!m_declaredFields.contains(name, Qt::CaseInsensitive)) m_declaredFields << name;
}

TField* TDataSet::AddCalcField(const QString& name, FieldType type, int size) {
    m_fields.push_back(std::make_unique<TField>(this, name, type, size, true));
    TField* f = m_fields.back().get();
    f->m_index = int(m_fields.size() - 1);
    m_fieldList << f;
    return f;
}

TField* TDataSet::FindField(const QString& name) const {
    for (TField* f : m_fieldList) {
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0) return f;
    }
    return nullptr;
}

TField* TDataSet::FieldByName(const QString& name) const {
    TField* f = FindField(name);
    if (!f) throw EDatabaseError(QStringLiteral("Pole '%1' nebylo nalezeno.").arg(name));
    return f;
}

void TDataSet::checkActive() const {
    if (!Active()) throw EDatabaseError(QStringLiteral("Operaci nelze provést na zavřené datové sadě."));
}

// ---- position ------------------------------------------------------------------------------

bool TDataSet::passes(quint32 id) const {
    if (!m_filtered || !m_filter) return true;
    // A local class shares this member's access to the stored record.
    class Row : public engine::RowAccessor {
    public:
        Row(const TDataSet& set, quint32 id) : m_set(set), m_id(id) {}
        QVariant value(int field) const override { return m_set.storedValue(m_id, field); }
        bool textBytes(int field, QByteArrayView& out) const override { return m_set.storedTextBytes(m_id, field, out); }

    private:
        const TDataSet& m_set;
        quint32 m_id;
    };
    return m_filter->matches(Row(*this, id));
}

void TDataSet::range(qsizetype& lo, qsizetype& hi) const {
    lo = 0;
    hi = orderSize();
}

bool TDataSet::stepFrom(qsizetype pos, int dir) {
    qsizetype lo, hi;
    range(lo, hi);
    for (qsizetype p = pos; p >= lo && p < hi; p += dir) {
        const quint32 id = idAt(p);
        if (passes(id)) {
            m_id = id;
            m_pos = p;
            return true;
        }
    }
    return false;
}

void TDataSet::sync() const {
    const quint64 v = dataVersion();
    if (v == m_seenVersion) return;
    m_seenVersion = v;
    // A new record has no place in the order yet. A record being edited stays the current one
    // whatever happens around it (another cursor's update may even take it out of the filter):
    // the post must write to the record the user is editing, never to a neighbour.
    if (m_state == TDataSetState::Insert) return;
    if (m_state == TDataSetState::Edit) {
        const qsizetype p = positionOfId(m_id);
        if (p >= 0) m_pos = p;
        return;
    }
    auto* self = const_cast<TDataSet*>(this);
    if (m_id && idLive(m_id) && passes(m_id)) {
        const qsizetype p = positionOfId(m_id);
        qsizetype lo, hi;
        range(lo, hi);
        if (p >= lo && p < hi) {
            m_pos = p;
            return;
        }
    }
    // The current record is gone (deleted through another cursor, or left the range): the
    // record now at its place becomes current.
    qsizetype lo, hi;
    range(lo, hi);
    const qsizetype from = std::clamp<qsizetype>(m_pos, lo, std::max(lo, hi - 1));
    m_id = 0;
    if (!self->stepFrom(from, +1) && !self->stepFrom(from, -1)) {
        m_id = 0;
        m_pos = -1;
    }
}

qsizetype TDataSet::currentPos() const {
    sync();
    if (m_id == 0) return -1;
    if (m_pos < 0 || m_pos >= orderSize() || idAt(m_pos) != m_id) m_pos = positionOfId(m_id);
    return m_pos;
}

bool TDataSet::IsEmpty() const {
    if (!Active()) return true;
    sync();
    return m_id == 0 && m_state != TDataSetState::Insert;
}

void TDataSet::moveToId(quint32 id) {
    m_id = id;
    m_pos = id ? positionOfId(id) : -1;
    m_bof = m_eof = false;
    if (!id) {
        qsizetype lo, hi;
        range(lo, hi);
        stepFrom(lo, +1);
        m_bof = true;
        m_eof = m_id == 0;
    }
    scrolled();
}

void TDataSet::moveToIdAt(quint32 id, qsizetype position) {
    m_id = id;
    m_pos = position;
    m_bof = m_eof = false;
    scrolled();
}

void TDataSet::moveToPositionOrAfter(qsizetype pos) {
    qsizetype lo, hi;
    range(lo, hi);
    m_id = 0;
    m_bof = m_eof = false;
    if (!stepFrom(std::max(pos, lo), +1)) {
        m_eof = true;
        if (!stepFrom(hi - 1, -1)) m_bof = true;
    }
    scrolled();
}

void TDataSet::scrolled() {
    if (AfterScroll) AfterScroll(*this);
    notifyDataChange();
}

void TDataSet::First() {
    checkActive();
    CheckBrowseMode();
    sync();
    qsizetype lo, hi;
    range(lo, hi);
    m_id = 0;
    stepFrom(lo, +1);
    m_bof = true;
    m_eof = m_id == 0;
    scrolled();
}

void TDataSet::Last() {
    checkActive();
    CheckBrowseMode();
    sync();
    qsizetype lo, hi;
    range(lo, hi);
    m_id = 0;
    stepFrom(hi - 1, -1);
    m_eof = true;
    m_bof = m_id == 0;
    scrolled();
}

void TDataSet::Next() {
    checkActive();
    CheckBrowseMode();
    const qsizetype pos = currentPos();
    if (pos < 0) {
        m_bof = m_eof = true;
        return;
    }
    const quint32 before = m_id;
    if (stepFrom(pos + 1, +1)) {
        m_bof = m_eof = false;
        scrolled();
    } else {
        m_id = before;
        m_pos = pos;
        m_eof = true;
    }
}

void TDataSet::Prior() {
    checkActive();
    CheckBrowseMode();
    const qsizetype pos = currentPos();
    if (pos < 0) {
        m_bof = m_eof = true;
        return;
    }
    const quint32 before = m_id;
    if (stepFrom(pos - 1, -1)) {
        m_bof = m_eof = false;
        scrolled();
    } else {
        m_id = before;
        m_pos = pos;
        m_bof = true;
    }
}

int TDataSet::MoveBy(int distance) {
    checkActive();
    CheckBrowseMode();
    const int from = CurrentPosition();
    if (from < 0) {
        m_bof = m_eof = true;
        return 0;
    }
    // One jump, whatever the distance: a page of a grid over a million records must not walk.
    // Running into either end sets Bof or Eof as a walk of Next or Prior would.
    const int last = RecordCount() - 1;
    const qint64 wanted = qint64(from) + distance;
    const int to = int(std::clamp<qint64>(wanted, 0, last));
    if (to != from) {
        const qsizetype pos = filterActive() ? qsizetype(passingPositions()[size_t(to)]) : rangeLow() + to;
        moveToIdAt(idAt(pos), pos);
    }
    if (wanted > last) m_eof = true;
    if (wanted < 0) m_bof = true;
    return to - from;
}

int TDataSet::RecordCount() {
    checkActive();
    sync();
    if (filterActive()) return int(passingPositions().size());
    qsizetype lo, hi;
    range(lo, hi);
    return int(hi - lo);
}

int TDataSet::RecNo() {
    checkActive();
    if (m_state == TDataSetState::Insert) return 0;
    sync();
    return positionOfRecord(m_id) + 1;
}

int TDataSet::CurrentPosition() {
    checkActive();
    if (m_state == TDataSetState::Insert) {
        const int p = positionOfRecord(m_idBeforeInsert);
        return p < 0 ? 0 : p;
    }
    sync();
    return positionOfRecord(m_id);
}

TBookmark TDataSet::BookmarkAt(int position) {
    checkActive();
    sync();
    if (position < 0) return {};
    if (filterActive()) {
        const auto& map = passingPositions();
        return size_t(position) < map.size() ? TBookmark{idAt(qsizetype(map[size_t(position)]))} : TBookmark{};
    }
    qsizetype lo, hi;
    range(lo, hi);
    return position < hi - lo ? TBookmark{idAt(lo + position)} : TBookmark{};
}

void TDataSet::ReadRecord(const TBookmark& bookmark, const std::function<void()>& read) const {
    struct Peek {
        const TDataSet* ds;
        quint32 before;
        ~Peek() { ds->m_peekId = before; }
    } peek{this, m_peekId};
    // A record that is gone reads as empty fields rather than as the current record.
    m_peekId = bookmark.isValid() ? bookmark.id : ~quint32(0);
    read();
}

qsizetype TDataSet::rangeLow() const {
    qsizetype lo, hi;
    range(lo, hi);
    return lo;
}

int TDataSet::positionOfRecord(quint32 id) const {
    if (id == 0 || !idLive(id) || !passes(id)) return -1;
    qsizetype lo, hi;
    range(lo, hi);
    qsizetype pos = (m_id == id && m_pos >= lo && m_pos < hi && idAt(m_pos) == id) ? m_pos : positionOfId(id);
    if (pos < lo || pos >= hi) return -1;
    if (!filterActive()) return int(pos - lo);
    const auto& map = passingPositions();
    const auto it = std::lower_bound(map.begin(), map.end(), quint32(pos));
    return it != map.end() && *it == quint32(pos) ? int(it - map.begin()) : -1;
}

const std::vector<quint32>& TDataSet::passingPositions() const {
    qsizetype lo, hi;
    range(lo, hi);
    const quint64 version = dataVersion();
    if (!m_passing.valid || m_passing.version != version || m_passing.shape != m_shape || m_passing.lo != lo ||
        m_passing.hi != hi) {
        m_passing.positions.clear();
        for (qsizetype p = lo; p < hi; ++p) {
            if (passes(idAt(p))) m_passing.positions.push_back(quint32(p));
        }
        m_passing.positions.shrink_to_fit();
        m_passing.valid = true;
        m_passing.version = version;
        m_passing.shape = m_shape;
        m_passing.lo = lo;
        m_passing.hi = hi;
    }
    return m_passing.positions;
}

void TDataSet::resync() {
    m_seenVersion = ~quint64(0) - 1;
    sync();
    m_bof = m_eof = m_id == 0;
}

// ---- editing -------------------------------------------------------------------------------

void TDataSet::CheckBrowseMode() {
    if (m_state != TDataSetState::Edit && m_state != TDataSetState::Insert) return;
    emitUpdateData();
    if (m_modified) {
        Post();
    } else {
        Cancel();
    }
}

void TDataSet::beginInsert(bool append) {
    checkActive();
    if (m_readOnly) throw EDatabaseError(QStringLiteral("Datová sada je určena jen pro čtení."));
    CheckBrowseMode();
    if (BeforeInsert) BeforeInsert(*this);
    Q_UNUSED(append);  // a new record has no place in the order until it is posted
    m_idBeforeInsert = m_id;
    m_buffer = QVector<QVariant>(m_layout.fields.size());
    initNewRecord(m_buffer);
    setState(TDataSetState::Insert);
    try {
        if (OnNewRecord) OnNewRecord(*this);
    } catch (...) {
        Cancel();
        throw;
    }
    // Defaults given to a new record do not count as the user's changes.
    m_modified = false;
    notifyDataChange();
    if (AfterInsert) AfterInsert(*this);
}

void TDataSet::Insert() { beginInsert(false); }
void TDataSet::Append() { beginInsert(true); }

void TDataSet::Edit() {
    checkActive();
    if (m_state == TDataSetState::Edit || m_state == TDataSetState::Insert) return;
    if (m_readOnly) throw EDatabaseError(QStringLiteral("Datová sada je určena jen pro čtení."));
    sync();
    if (m_id == 0) {
        Insert();
        return;
    }
    if (BeforeEdit) BeforeEdit(*this);
    // Lock first, then read: the lock keeps other programs from changing the record, and the
    // read after it gives the version they posted last. When another program deleted the
    // record, or changed it so that it left this view, the read moves the cursor to a
    // neighbour; the edit must then fail rather than quietly start on that neighbour, which the
    // user has not seen.
    const quint32 wanted = m_id;
    if (!lockForEdit(wanted)) {
        throw EDBEngineError(EngineErrorCode::RecordLocked, QStringLiteral("Záznam je uzamčen jiným uživatelem."));
    }
    try {
        refreshStore();
        sync();
    } catch (...) {
        unlockAfterEdit(wanted);
        throw;
    }
    if (m_id != wanted) {
        unlockAfterEdit(wanted);
        notifyDataChange();
        if (!idLive(wanted)) throw EDatabaseError(QStringLiteral("Záznam byl smazán jiným uživatelem."));
        throw EDatabaseError(QStringLiteral("Záznam byl změněn jiným uživatelem."));
    }
    m_buffer = storedValues(m_id);
    setState(TDataSetState::Edit);
    m_modified = false;
    notifyDataChange();
    if (AfterEdit) AfterEdit(*this);
}

void TDataSet::Post() {
    checkActive();
    if (m_state != TDataSetState::Edit && m_state != TDataSetState::Insert) return;
    emitUpdateData();
    if (BeforePost) BeforePost(*this);
    quint32 id = m_id;
    for (;;) {
        try {
            if (m_state == TDataSetState::Insert) {
                id = storeInsert(m_buffer);
            } else {
                storeUpdate(m_id, m_buffer);
                unlockAfterEdit(m_id);
            }
            break;
        } catch (EAbort&) {
            throw;
        } catch (EDatabaseError& e) {
            TDataAction action = TDataAction::Fail;
            if (OnPostError) OnPostError(*this, e, action);
            if (action == TDataAction::Retry) continue;
            if (action == TDataAction::Abort) throw EAbort();
            throw;
        }
    }
    const bool wasInsert = m_state == TDataSetState::Insert;
    m_state = TDataSetState::Browse;
    m_modified = false;
    m_buffer.clear();
    m_seenVersion = dataVersion();
    // The posted record stays current where this view shows it. A record the view does not
    // show (filtered out, or outside a detail's range) hands over to the record current before
    // an insert, or to the one now at its place.
    qsizetype lo, hi;
    range(lo, hi);
    const qsizetype p = idLive(id) && passes(id) ? positionOfId(id) : -1;
    if (p >= lo && p < hi) {
        m_id = id;
        m_pos = p;
        m_bof = m_eof = false;
    } else if (wasInsert && m_idBeforeInsert && BookmarkValid(TBookmark{m_idBeforeInsert})) {
        moveToId(m_idBeforeInsert);
    } else {
        moveToPositionOrAfter(std::max<qsizetype>(0, m_pos));
    }
    notifyStateChange();
    if (AfterPost) AfterPost(*this);
    notifyDataChange();
}

void TDataSet::Cancel() {
    if (m_state != TDataSetState::Edit && m_state != TDataSetState::Insert) return;
    if (BeforeCancel) BeforeCancel(*this);
    const bool wasInsert = m_state == TDataSetState::Insert;
    if (!wasInsert) unlockAfterEdit(m_id);
    m_state = TDataSetState::Browse;
    m_modified = false;
    m_buffer.clear();
    if (wasInsert) {
        m_id = m_idBeforeInsert;
        resync();
    }
    notifyStateChange();
    notifyDataChange();
    if (AfterCancel) AfterCancel(*this);
}

void TDataSet::Delete() {
    checkActive();
    if (m_readOnly) throw EDatabaseError(QStringLiteral("Datová sada je určena jen pro čtení."));
    if (m_state == TDataSetState::Insert) {
        Cancel();
        return;
    }
    const qsizetype pos = currentPos();
    if (m_id == 0) throw EDatabaseError(QStringLiteral("Tuto operaci nelze provést na prázdné tabulce"));
    if (BeforeDelete) BeforeDelete(*this);
    storeDelete(m_id);
    if (m_state == TDataSetState::Edit) {
        unlockAfterEdit(m_id);
        m_state = TDataSetState::Browse;
        m_buffer.clear();
        m_modified = false;
        notifyStateChange();
    }
    m_seenVersion = dataVersion();
    moveToPositionOrAfter(pos);
    if (AfterDelete) AfterDelete(*this);
}

// ---- fields --------------------------------------------------------------------------------

QVariant TDataSet::fieldValue(const TField* field) const {
    if (!Active()) return {};
    if (field->Calculated()) {
        computeCalcFields();
        return field->m_index < m_calcValues.size() ? m_calcValues[field->m_index] : QVariant();
    }
    if (m_peekId) return idLive(m_peekId) ? storedValue(m_peekId, field->m_fieldNo) : QVariant();
    if (m_state == TDataSetState::Edit || m_state == TDataSetState::Insert) return m_buffer.value(field->m_fieldNo);
    sync();
    return m_id ? storedValue(m_id, field->m_fieldNo) : QVariant();
}

void TDataSet::computeCalcFields() const {
    if (m_calculating || !OnCalcFields) return;
    // ReadRecord's record is calculated like a browsed one, never from the edit buffer.
    const bool editing = !m_peekId && (m_state == TDataSetState::Edit || m_state == TDataSetState::Insert);
    sync();
    const quint32 id = m_peekId ? (idLive(m_peekId) ? m_peekId : 0) : m_id;
    if (!editing && m_calcId == id && m_calcVersion == m_seenVersion) return;
    m_calculating = true;
    m_calcValues = QVector<QVariant>(m_fields.size());
    try {
        if (editing || id) OnCalcFields(const_cast<TDataSet&>(*this));
    } catch (...) {
        m_calculating = false;
        throw;
    }
    m_calculating = false;
    m_calcId = editing ? 0 : id;
    m_calcVersion = editing ? ~quint64(0) : m_seenVersion;
}

void TDataSet::setFieldValue(TField* field, const QVariant& value) {
    checkActive();
    if (field->Calculated()) {
        if (!m_calculating) throw EDatabaseError(QStringLiteral("Pole '%1' nelze měnit.").arg(field->DisplayLabel()));
        if (m_calcValues.size() <= field->m_index) m_calcValues.resize(field->m_index + 1);
        m_calcValues[field->m_index] = value;
        return;
    }
    if (m_state != TDataSetState::Edit && m_state != TDataSetState::Insert) {
        throw EDatabaseError(QStringLiteral("Datová sada není v režimu úprav ani vkládání."));
    }
    if (m_layout.fields[field->m_fieldNo].type == FieldType::AutoInc) {
        throw EDatabaseError(QStringLiteral("Pole '%1' nelze měnit.").arg(field->DisplayLabel()));
    }
    m_buffer[field->m_fieldNo] = value;
    m_modified = true;
    if (field->OnChange) field->OnChange(*field);
    notifyDataChange(field);
}

QVariant TDataSet::valueFromKey(int fieldNo, const QVariant& key) const {
    const engine::FieldDef& def = m_layout.fields[fieldNo];
    engine::FieldDef unbounded = def;
    unbounded.size = 0;  // a search key may be longer than any stored value
    return engine::convertValue(unbounded, key, def.name);
}

// ---- searching -----------------------------------------------------------------------------

bool TDataSet::indexedLookup(int, const QVariant&, quint32&, qsizetype&) const { return false; }

bool TDataSet::Locate(const QString& fieldNames, const QVariantList& values) {
    checkActive();
    CheckBrowseMode();
    sync();
    const QStringList names = fieldNames.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (names.isEmpty() || names.size() != values.size()) throw EDatabaseError(QStringLiteral("Chybný počet hodnot hledání."));
    QVector<int> fields;
    QVector<QVariant> keys;
    for (int i = 0; i < names.size(); ++i) {
        const int no = m_layout.indexOf(names[i].trimmed());
        if (no < 0) throw EDatabaseError(QStringLiteral("Pole '%1' nebylo nalezeno.").arg(names[i].trimmed()));
        fields << no;
        keys << valueFromKey(no, values[i]);
    }
    quint32 found = 0;
    qsizetype position = -1;
    if (fields.size() == 1 && indexedLookup(fields[0], keys[0], found, position)) {
        if (!found) return false;
        moveToIdAt(found, position);
        return true;
    }
    qsizetype lo, hi;
    range(lo, hi);
    for (qsizetype p = lo; p < hi; ++p) {
        const quint32 id = idAt(p);
        bool match = true;
        for (int i = 0; i < fields.size() && match; ++i) match = sameValue(storedValue(id, fields[i]), keys[i]);
        if (match && passes(id)) {
            moveToId(id);
            return true;
        }
    }
    return false;
}

// ---- filter --------------------------------------------------------------------------------

void TDataSet::rebuildFilter() {
    ++m_shape;
    m_filter.reset();
    if (Active() || !m_layout.fields.isEmpty()) {
        if (!m_filterText.trimmed().isEmpty()) m_filter = engine::sql::Expression::parseFilter(m_filterText, m_layout);
    }
}

void TDataSet::setFilter(const QString& text) {
    if (Active()) CheckBrowseMode();
    const QString old = m_filterText;
    m_filterText = text;
    if (Active()) {
        try {
            rebuildFilter();
        } catch (...) {
            m_filterText = old;
            rebuildFilter();
            throw;
        }
        if (m_filtered) First();
    }
}

void TDataSet::setFiltered(bool on) {
    if (Active()) CheckBrowseMode();
    m_filtered = on;
    if (Active()) First();
}

// ---- bookmarks -----------------------------------------------------------------------------

TBookmark TDataSet::GetBookmark() const {
    if (!Active() || m_state == TDataSetState::Insert) return {};
    sync();  // the current record may have been deleted through another cursor
    return TBookmark{m_id};
}

bool TDataSet::BookmarkValid(const TBookmark& b) {
    if (!Active() || !b.isValid() || !idLive(b.id) || !passes(b.id)) return false;
    qsizetype lo, hi;
    range(lo, hi);
    const qsizetype p = positionOfId(b.id);
    return p >= lo && p < hi;
}

void TDataSet::GotoBookmark(const TBookmark& b) {
    checkActive();
    CheckBrowseMode();
    sync();
    if (!BookmarkValid(b)) throw EDatabaseError(QStringLiteral("Záznam nebyl nalezen."));
    moveToId(b.id);
}

// ---- writing defaults (read-only datasets) ---------------------------------------------------

quint32 TDataSet::storeInsert(QVector<QVariant>&) { throw EDatabaseError(QStringLiteral("Datová sada je určena jen pro čtení.")); }
void TDataSet::storeUpdate(quint32, const QVector<QVariant>&) {
    throw EDatabaseError(QStringLiteral("Datová sada je určena jen pro čtení."));
}
void TDataSet::storeDelete(quint32) { throw EDatabaseError(QStringLiteral("Datová sada je určena jen pro čtení.")); }
bool TDataSet::lockForEdit(quint32) { return true; }
void TDataSet::unlockAfterEdit(quint32) {}

// ---- notifications -------------------------------------------------------------------------

void TDataSet::setState(TDataSetState state) {
    if (m_state == state) return;
    m_state = state;
    notifyStateChange();
}

void TDataSet::attachSource(TDataSource* source) {
    if (!m_sources.contains(source)) m_sources << source;
}

void TDataSet::detachSource(TDataSource* source) { m_sources.removeAll(source); }

void TDataSet::notifyStateChange() {
    if (m_disableCount > 0) {
        m_pendingNotify = true;
        return;
    }
    const auto sources = m_sources;
    for (TDataSource* s : sources) s->notifyStateChange();
}

void TDataSet::notifyDataChange(TField* field) {
    if (m_disableCount > 0) {
        m_pendingNotify = true;
        return;
    }
    const auto sources = m_sources;
    for (TDataSource* s : sources) s->notifyDataChange(field);
}

void TDataSet::emitUpdateData() {
    const auto sources = m_sources;
    for (TDataSource* s : sources) s->notifyUpdateData();
}

void TDataSet::EnableControls() {
    if (m_disableCount > 0 && --m_disableCount == 0 && m_pendingNotify) {
        m_pendingNotify = false;
        notifyStateChange();
        notifyDataChange();
    }
}

void TDataSet::Refresh() {
    checkActive();
    CheckBrowseMode();
    refreshStore();
    sync();
    notifyDataChange();
}
