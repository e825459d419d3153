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
    std::unique_ptr<TChartItem[]> storage = m_allocate(grown);
    if (!storage)
        throw std::bad_alloc();
    std::copy(begin(), end(), storage.get());
    m_items = std::move(storage);
    m_capacity = grown;
}

void ChartItemList::Clear()
{
    m_items.reset();
    m_count = 0;
    m_capacity = 0;
}
