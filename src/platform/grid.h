#pragma once
// The data monitor grid: two columns, a fixed header row (row 0).
#include <string>

namespace tz {

class Grid {
  public:
    virtual ~Grid() = default;
    virtual void setCols(int cols) = 0;
    virtual void setRows(int rows) = 0;
    virtual int rows() const = 0;
    // Throws GridRowOutOfRange (381) when row >= rows().
    virtual void setText(int row, int col, const std::string& text) = 0;
    virtual void setCurrentCell(int row, int col) = 0;
    virtual bool rowIsVisible(int row) const = 0;
    virtual void setTopRow(int row) = 0;
};

} // namespace tz
