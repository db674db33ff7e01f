#include "app/calib/results_table.h"

#include <algorithm>
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

bool CResultsTable::DeleteRows(std::vector<bool> bSelected, CMeasureList& list)
{
    bSelected.resize(m_Rows.size(), false);
    bool bDeleted = false;
    for (auto it = std::find(bSelected.begin(), bSelected.end(), true); it != bSelected.end();
         it = std::find(bSelected.begin(), bSelected.end(), true)) {
        std::size_t nFirst = static_cast<std::size_t>(it - bSelected.begin());
        const MeasureItem* pItem = m_Rows[nFirst].pItem;
        std::size_t nCount = 1;
        if (pItem != nullptr && pItem->Type == -TOOL_CIRCLE2) {
            // Any of its three rows takes the other two: find the first.
            for (std::size_t nBack : {std::size_t{2}, std::size_t{1}}) {
                if (nFirst >= nBack && m_Rows[nFirst - nBack].pItem == pItem) {
                    nFirst -= nBack;
                    break;
                }
            }
            nCount = std::min<std::size_t>(3, m_Rows.size() - nFirst);
        }
        m_Rows.erase(m_Rows.begin() + static_cast<std::ptrdiff_t>(nFirst),
                     m_Rows.begin() + static_cast<std::ptrdiff_t>(nFirst + nCount));
        bSelected.erase(bSelected.begin() + static_cast<std::ptrdiff_t>(nFirst),
                        bSelected.begin() + static_cast<std::ptrdiff_t>(nFirst + nCount));
        if (pItem != nullptr)
            list.RemoveById(pItem->Id);
        bDeleted = true;
    }
    ++m_nRevision;
    return bDeleted;
}

void CResultsTable::Clear()
{
    m_Rows.clear();
    ++m_nRevision;
}
