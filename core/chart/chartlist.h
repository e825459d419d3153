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

// The display list: a contiguous array that grows by a fixed step rather than per item, so a
// chart that is refilled on every edit reallocates at most once per block.
class ChartItemList
{
public:
    // Allocation hook, so that a failing allocation can be exercised; must return zero-filled
    // storage for the given number of items or throw.
    using Allocator = std::unique_ptr<TChartItem[]> (*)(std::size_t count);

    static constexpr int MaxAllocSize = 1'000'000;

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
    // Releases the storage.
    void Clear();

    void SetAllocator(Allocator allocator) { m_allocate = allocator; }
    static std::unique_ptr<TChartItem[]> DefaultAllocate(std::size_t count);

private:
    void grow();

    std::unique_ptr<TChartItem[]> m_items;
    int m_count = 0;
    std::size_t m_capacity = 0;
    int m_allocSize = 1000;
    Allocator m_allocate = &DefaultAllocate;
};
