#include "app/calib/results_table.h"

#include <utility>

CResultsTable::CResultsTable(std::function<MeasureUnit()> unitOf, bool bJapanese)
    : m_UnitOf(std::move(unitOf)), m_bJapanese(bJapanese)
{
}

void CResultsTable::AddItemRows(const MeasureItem& item)
{
    CResultRow rows[3];
    const int nRows = ResultRowsOf(item, m_UnitOf(), m_bJapanese, rows);
    for (int i = 0; i < nRows; ++i)
        m_Rows.push_back(CRow{&item, rows[i]});
    ++m_nRevision;
}

void CResultsTable::SetItemRows(const MeasureItem& item)
{
    const int nFirst = FirstRowOf(&item);
    if (nFirst < 0)
        return;
    CResultRow rows[3];
    const int nRows = ResultRowsOf(item, m_UnitOf(), m_bJapanese, rows);
    for (int i = 0; i < nRows && nFirst + i < static_cast<int>(m_Rows.size()); ++i) {
        m_Rows[nFirst + i].text.szValue = rows[i].szValue;
        m_Rows[nFirst + i].text.szUnit = rows[i].szUnit;
    }
    ++m_nRevision;
}

int CResultsTable::FirstRowOf(const MeasureItem* pItem) const
{
    for (std::size_t i = 0; i < m_Rows.size(); ++i) {
        if (m_Rows[i].pItem == pItem)
            return static_cast<int>(i);
    }
    return -1;
}

void CResultsTable::Clear()
{
    m_Rows.clear();
    ++m_nRevision;
}
