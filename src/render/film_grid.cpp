#include "render/film_grid.h"

#include "core/errors.h"
#include "core/rounding.h"

namespace kestrova {
namespace {

std::int32_t nearestQuotient(double dividend, std::int16_t divisor)
{
    if (divisor == 0)
        raise(ErrorCode::DivisionByZero);
    return roundHalfEven<std::int32_t>(dividend / divisor);
}

std::int32_t cellOrigin(std::int32_t size, int index, std::int32_t offset)
{
    return checkedNarrow<std::int32_t>(static_cast<std::int64_t>(size) * (index - 1) + offset);
}

std::int16_t cellsIn(const FilmLayout& layout, std::size_t line)
{
    const std::int16_t cells = layout.cellsPerLine[line];
    if (cells == 0)
        raise(ErrorCode::DivisionByZero); // the line cannot be shared among no cells
    if (cells < 0)
        raise(ErrorCode::InvalidArgument, "A line of the film has fewer than no cells");
    return cells;
}

// Cell `cell` (1-based) of line `line` (1-based).
Cell cellOf(const GridArea& area, const FilmLayout& layout, int line, int cell)
{
    const bool rows = layout.direction == LayoutDirection::Rows;
    const auto lines = checkedNarrow<std::int16_t>(layout.cellsPerLine.size());
    const std::int16_t cells = cellsIn(layout, std::size_t(line) - 1);
    const std::int32_t lineSize = nearestQuotient(rows ? area.height : area.width, lines);
    const std::int32_t cellSize = nearestQuotient(rows ? area.width : area.height, cells);
    const std::int32_t lineOrigin = cellOrigin(lineSize, line, rows ? area.top : area.left);
    const std::int32_t cellStart = cellOrigin(cellSize, cell, rows ? area.left : area.top);
    if (rows)
        return Cell{cellStart, lineOrigin, cellSize, lineSize};
    return Cell{lineOrigin, cellStart, lineSize, cellSize};
}

} // namespace

void forEachCell(const GridArea& area, const FilmLayout& layout, const std::function<void(const Cell&)>& take)
{
    if (layout.cellsPerLine.empty())
        raise(ErrorCode::DivisionByZero);
    for (std::size_t line = 1; line <= layout.cellsPerLine.size(); ++line) {
        for (int cell = 1; cell <= cellsIn(layout, line - 1); ++cell)
            take(cellOf(area, layout, int(line), cell));
    }
}

} // namespace kestrova
