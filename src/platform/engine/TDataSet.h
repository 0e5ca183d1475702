#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>
#include <vector>

#include "EngineError.h"
#include "FieldDef.h"
#include "TField.h"

class TDataSource;
namespace engine::sql {
class Expression;
}

enum class TDataSetState { Inactive, Browse, Edit, Insert, CalcFields };

// What an OnPostError handler wants done with a failed post.
enum class TDataAction { Fail, Abort, Retry };

// Thrown to end the current command silently (an error already reported, or a post the
// handler chose to abort). The application's error handler shows nothing for it.
class EAbort : public EDatabaseError {
public:
    EAbort() : EDatabaseError(QStringLiteral("Operace přerušena.")) {}
};

// A bookmark: the identity of a record, valid while that record exists.
struct TBookmark {
    quint32 id = 0;
    bool isValid() const { return id != 0; }
    bool operator==(const TBookmark&) const = default;
};

// The cursor over a set of records that windows and record rules work with: navigation, the
// edit states, fields, events and data sources. TTable and TQuery supply the records.
//
// States: Inactive (closed), Browse, Edit (changing the current record) and Insert (a new
// record not yet stored). Moving, searching, changing the order or the filter first completes
// a pending edit: a modified record is posted, an unmodified new record dropped.
class TDataSet {
public:
    using Event = std::function<void(TDataSet&)>;
    using ErrorEvent = std::function<void(TDataSet&, EDatabaseError&, TDataAction&)>;

    TDataSet();
    virtual ~TDataSet();
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;

    QString Name;

    // Opening and closing.
    void Open();
    void Close();
    bool Active() const { return m_state != TDataSetState::Inactive; }
    void setActive(bool active) { active ? Open() : Close(); }
    TDataSetState State() const { return m_state; }
    // Re-reads the records (also other programs' changes) and keeps the current record.
    virtual void Refresh();

    // Navigation. Bof is true after First or a Prior that could not move; Eof after Last or a
    // Next that could not move; both on an empty dataset.
    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance);
    bool Bof() const { return m_bof; }
    bool Eof() const { return m_eof; }
    bool IsEmpty() const;
    // Number of records (passing the filter), and the 1-based number of the current one
    // (0 when there is none, or while inserting).
    int RecordCount();
    int RecNo();

    // Positional access, for grids that show a few records of a large table. Positions count
    // the records of the current order that pass the filter (within a detail's range) from 0,
    // so RecordCount() is their number. Unfiltered, a position costs nothing; filtered, the
    // dataset keeps the order positions of the passing records, found once after each change.
    //
    // The position of the current record, -1 when there is none. While inserting, the new
    // record has no place yet: the answer is where it is shown, the position of the record that
    // was current before the insert (0 when there was none).
    int CurrentPosition();
    // The record at `position`; an invalid bookmark outside 0..RecordCount()-1.
    TBookmark BookmarkAt(int position);
    // Runs `read` with the fields showing the record `bookmark` (calculated fields included)
    // instead of the current one: no move, no events, no notifications, the edit buffer
    // untouched. Fields read empty when the record no longer exists.
    void ReadRecord(const TBookmark& bookmark, const std::function<void()>& read) const;

    // Editing.
    void Insert();
    void Append();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    bool Modified() const { return m_modified; }
    // Posts a modified record and drops an unmodified new one; nothing in Browse state.
    void CheckBrowseMode();
    bool CanModify() const { return !m_readOnly; }

    // Fields.
    const QList<TField*>& Fields() const { return m_fieldList; }
    TField* FindField(const QString& name) const;
    // Throws EDatabaseError "Pole '%1' nebylo nalezeno." when absent.
    TField* FieldByName(const QString& name) const;
    // Declares the fields the dataset must have (persistent fields). Opening fails when the
    // table lacks one. Without declarations every field of the table is used.
    void AddFieldName(const QString& name);
    // Adds a calculated field, filled by OnCalcFields.
    TField* AddCalcField(const QString& name, engine::FieldType type, int size);

    // Locate: finds the first record whose fields (names separated by ";") equal `values`
    // exactly and case-sensitively, and makes it current. Returns false, not moving, if none.
    bool Locate(const QString& fieldNames, const QVariantList& values);
    bool Locate(const QString& fieldName, const QVariant& value) { return Locate(fieldName, QVariantList{value}); }

    // Filter expression (e.g. "Neh = 'A'") and its switch; a change moves to the first record.
    QString Filter() const { return m_filterText; }
    void setFilter(const QString& text);
    bool Filtered() const { return m_filtered; }
    void setFiltered(bool on);

    // The current record's bookmark; an invalid one on an empty or closed dataset and while
    // inserting.
    TBookmark GetBookmark() const;
    // Moves to the bookmarked record; throws EDatabaseError when it no longer exists.
    void GotoBookmark(const TBookmark& bookmark);
    bool BookmarkValid(const TBookmark& bookmark);

    // Data sources are told about state and data changes unless controls are disabled.
    void DisableControls() { ++m_disableCount; }
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }

    // Events.
    Event BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    Event BeforeInsert, AfterInsert, BeforeEdit, AfterEdit, BeforePost, AfterPost;
    Event BeforeCancel, AfterCancel, BeforeDelete, AfterDelete, AfterScroll;
    Event OnNewRecord, OnCalcFields;
    ErrorEvent OnPostError;

    // Used by TField and TDataSource.
    QVariant fieldValue(const TField* field) const;
    void setFieldValue(TField* field, const QVariant& value);
    void attachSource(TDataSource* source);
    void detachSource(TDataSource* source);
    // The database of the dataset is being destroyed (the dataset is closed already).
    virtual void detachDatabase() {}

protected:
    // What a concrete dataset supplies. Positions index the current order, from 0.
    virtual void openCursor() = 0;   // throws on failure
    virtual void closeCursor() = 0;
    virtual engine::TableLayout cursorLayout() const = 0;
    virtual qsizetype orderSize() const = 0;
    virtual quint32 idAt(qsizetype pos) const = 0;
    virtual qsizetype positionOfId(quint32 id) const = 0;  // -1 when not in the order
    virtual bool idLive(quint32 id) const = 0;
    virtual QVariant storedValue(quint32 id, int fieldNo) const = 0;
    virtual QVector<QVariant> storedValues(quint32 id) const = 0;
    // The stored Windows-1250 bytes of text field `fieldNo` (empty for NULL); false when the
    // records are not held in stored form.
    virtual bool storedTextBytes(quint32 id, int fieldNo, QByteArrayView& out) const {
        Q_UNUSED(id);
        Q_UNUSED(fieldNo);
        Q_UNUSED(out);
        return false;
    }
    // Changes of the underlying records since the last look (other cursors, refresh).
    virtual quint64 dataVersion() const = 0;
    // Writing; only TTable implements them.
    virtual quint32 storeInsert(QVector<QVariant>& values);
    virtual void storeUpdate(quint32 id, const QVector<QVariant>& values);
    virtual void storeDelete(quint32 id);
    virtual bool lockForEdit(quint32 id);
    virtual void unlockAfterEdit(quint32 id);
    virtual void refreshStore() {}
    // A restriction of the order to the range [lo, hi), e.g. a master-detail link.
    virtual void range(qsizetype& lo, qsizetype& hi) const;
    // Exact lookup of `value` in `fieldNo` using an index, when the dataset has one: `found` is
    // the matching record that comes first in the current order, within range() and passing the
    // filter, or 0 when there is none. Returns false when it cannot answer (no index).
    virtual bool indexedLookup(int fieldNo, const QVariant& value, quint32& found, qsizetype& position) const;
    // New records of a detail dataset get the master's link value.
    virtual void initNewRecord(QVector<QVariant>& values) {}

    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool passes(quint32 id) const;
    // Moves to the record `id` (which must pass the filter), or to the first record when 0.
    void moveToId(quint32 id);
    // The same when the record's position in the current order is known already.
    void moveToIdAt(quint32 id, qsizetype position);
    // Moves to the first record at or after `pos` passing the filter; the last one if none.
    void moveToPositionOrAfter(qsizetype pos);
    void notifyDataChange(TField* field = nullptr);
    void notifyStateChange();
    void setState(TDataSetState state);
    void resync();
    // The order was switched: positions must be found again.
    void orderChanged() { ++m_shape; }
    quint32 currentId() const { return m_id; }
    const engine::TableLayout& layout() const { return m_layout; }
    void checkActive() const;
    QVariant valueFromKey(int fieldNo, const QVariant& key) const;

private:
    void bindFields();
    void beginInsert(bool append);
    void computeCalcFields() const;
    void sync() const;
    qsizetype currentPos() const;
    bool stepFrom(qsizetype pos, int dir);
    void scrolled();
    void rebuildFilter();
    void emitUpdateData();
    bool filterActive() const { return m_filtered && m_filter != nullptr; }
    // Order positions of the records passing the filter, ascending (filtered datasets only).
    const std::vector<quint32>& passingPositions() const;
    // The position (as CurrentPosition counts) of record `id`, -1 when it is not shown.
    int positionOfRecord(quint32 id) const;
    qsizetype rangeLow() const;

    TDataSetState m_state = TDataSetState::Inactive;
    engine::TableLayout m_layout;
    QList<TField*> m_fieldList;
    std::vector<std::unique_ptr<TField>> m_fields;
    QStringList m_declaredFields;
    mutable quint32 m_id = 0;
    mutable qsizetype m_pos = -1;
    mutable quint64 m_seenVersion = 0;
    bool m_bof = true;
    bool m_eof = true;
    bool m_modified = false;
    bool m_readOnly = false;
    QVector<QVariant> m_buffer;  // the record being edited or inserted
    quint32 m_idBeforeInsert = 0;
    mutable QVector<QVariant> m_calcValues;
    mutable quint32 m_calcId = 0;
    mutable quint64 m_calcVersion = ~quint64(0);
    mutable bool m_calculating = false;
    QString m_filterText;
    bool m_filtered = false;
    std::unique_ptr<engine::sql::Expression> m_filter;
    QList<TDataSource*> m_sources;
    int m_disableCount = 0;
    bool m_pendingNotify = false;
    // The record ReadRecord shows instead of the current one; 0 when none.
    mutable quint32 m_peekId = 0;
    // Changes with the order and the filter; with the data version and the range it says
    // whether m_passing still holds.
    quint64 m_shape = 0;
    struct PassingMap {
        bool valid = false;
        quint64 version = 0;
        quint64 shape = 0;
        qsizetype lo = 0;
        qsizetype hi = 0;
        std::vector<quint32> positions;
    };
    mutable PassingMap m_passing;
};
