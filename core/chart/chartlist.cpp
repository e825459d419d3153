#include "core/chart/chartlist.h"

#include <algorithm>
#include <climits>
#include <new>

void ChartItemList::SetAllocSize(int value)
{
    if (value >= 1 && value <= MaxAllocSize)
        m_allocSize = value;
}

std::unique_ptr<TChartItem[]> ChartItemList::DefaultAllocate(std::size_t count)
{
    return std::make_unique<TChartItem[]>(count); // value-initialised: zero-filled
}

void ChartItemList::grow()
{
    if (m_count == INT_MAX)
        throw std::bad_alloc();
    const std::size_t grown = m_capacity + std::size_t(m_allocSize);
    if (grown <= m_stored) {
        // Kept from before a Clear: the new slots are emptied as fresh storage would be.
        std::fill(m_items.get() + m_capacity, m_items.get() + grown, TChartItem{});
        m_capacity = grown;
        return;
    }
    std::unique_ptr<TChartItem[]> storage = m_allocate(grown);
    if (!storage)
        throw std::bad_alloc();
    std::copy(begin(), end(), storage.get());
    m_items = std::move(storage);
    m_capacity = grown;
    m_stored = grown;
}

void ChartItemList::Clear()
{
    if (m_stored > MaxKeptItems) {
        m_items.reset();
        m_stored = 0;
    }
    m_count = 0;
    m_capacity = 0;
}
