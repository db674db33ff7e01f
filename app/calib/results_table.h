// CResultsTable: the results list's rows as the window shows them. Each row holds the
// texts of its columns and the measurement it belongs to; the rows of one measurement
// are adjacent, and a row's number is its position.
#pragma once

#include "app/calib/result_rows.h"
#include "app/measure/measure_list.h"
#include "app/measure/result_rows_sink.h"

#include <cstdint>
#include <functional>
#include <vector>

class CResultsTable : public IResultRows {
public:
    struct CRow {
        const MeasureItem* pItem = nullptr;
        CResultRow text;
    };

    // nUnitOf answers the unit of the calibration entry selected now, in which values
    // are shown; bJapanese picks the language of the type texts.
    CResultsTable(std::function<MeasureUnit()> unitOf, bool bJapanese);

    // AddResultRow for each row of the item (one, or three for two circles).
    void AddItemRows(const MeasureItem& item) override;
    // SetResultRow for each row of the item, found from the top; nothing without a row.
    void SetItemRows(const MeasureItem& item) override;
    // The first row of the item, or -1.
    int FirstRowOf(const MeasureItem* pItem) const;
    // DELETE: the rows marked in bSelected (one flag per row) go, each with its
    // measurement, which is removed from list. Rows are taken in ascending order until
    // none is marked; a row of a two-circle item takes its item's three rows with it.
    // The rows left are numbered again by their positions. Answers whether any went.
    bool DeleteRows(std::vector<bool> bSelected, CMeasureList& list);
    // CLEAR: no rows.
    void Clear();

    const std::vector<CRow>& Rows() const { return m_Rows; }
    // Counts every change, so a view of the table knows when to show it again.
    std::uint64_t Revision() const { return m_nRevision; }

private:
    std::function<MeasureUnit()> m_UnitOf;
    bool m_bJapanese;
    std::vector<CRow> m_Rows;
    std::uint64_t m_nRevision = 0;
};
