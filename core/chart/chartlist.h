#pragma once

#include "core/chart/color.h"

#include <cstddef>
#include <cstdint>
#include <memory>

enum TPenStyle : std::uint8_t {
    psSolid,
    psDash,
    psDot,
    psDashDot,
    psDashDotDot,
    psClear,
    psInsideFrame,
};

inline constexpr std::uint8_t ikLineTo = 3;
inline constexpr std::uint8_t ikMoveTo = 8;

// One drawing command with the pen state that was current when it was appended.
struct TChartItem
{
    double X;
    double Y;
    TColor Color;
    TPenStyle PenStyle;
    std::int32_t LineWidth;
    std::uint8_t ItemClass;
    std::uint8_t Kind;
    std::int32_t Layer;
    bool operator==(const TChartItem&) const = default;
};

// The display list: a contiguous array that grows by a fixed step rather than per item. Emptied,
// it reports no capacity but keeps its storage for the next fill, so a chart that is refilled on
// every edit allocates only when it grows past its largest list.
class ChartItemList
{
public:
    // Allocation hook, so that a failing allocation can be exercised; must return zero-filled
    // storage for the given number of items or throw.
    using Allocator = std::unique_ptr<TChartItem[]> (*)(std::size_t count);

    static constexpr int MaxAllocSize = 1'000'000;
    // Storage of up to this many items outlives Clear; a larger list gives its storage back.
    static constexpr std::size_t MaxKeptItems = 65'536;

    ChartItemList() = default;

    int Count() const { return m_count; }
    std::size_t Capacity() const { return m_capacity; }
    int AllocSize() const { return m_allocSize; }
    // Values outside 1..1,000,000 are ignored.
    void SetAllocSize(int value);

    const TChartItem& operator[](int index) const { return m_items[std::size_t(index)]; }
    const TChartItem* begin() const { return m_items.get(); }
    const TChartItem* end() const { return m_items.get() + m_count; }

    // Leaves the list as it was when the storage cannot be grown; the failure propagates.
    void Append(const TChartItem& item)
    {
        if (std::size_t(m_count) >= m_capacity)
            grow();
        m_items[std::size_t(m_count)] = item;
        ++m_count;
    }
    // Count and Capacity become 0; the storage is released or, up to MaxKeptItems, kept for
    // the items appended next.
    void Clear();

    void SetAllocator(Allocator allocator) { m_allocate = allocator; }
    static std::unique_ptr<TChartItem[]> DefaultAllocate(std::size_t count);

private:
    void grow();

    std::unique_ptr<TChartItem[]> m_items;
    int m_count = 0;
    std::size_t m_capacity = 0;
    std::size_t m_stored = 0; // items that m_items holds room for, at least m_capacity
    int m_allocSize = 1000;
    Allocator m_allocate = &DefaultAllocate;
};
