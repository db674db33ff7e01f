// Where finished measurements show their rows: the results list, seen from the
// measuring tools, which add an item's rows and rewrite them when its values change.
#pragma once

#include "app/measure/measure_item.h"

class IResultRows {
public:
    virtual ~IResultRows() = default;
    // Appends the rows of an item just finished and stored.
    virtual void AddItemRows(const MeasureItem& item) = 0;
    // Rewrites the value and unit columns of the item's rows from its values.
    virtual void SetItemRows(const MeasureItem& item) = 0;
};
