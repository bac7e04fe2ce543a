#pragma once
// The data monitor grid: Rows x Cols cells of text, of which row 0 and
// column 0 are fixed cells that hold data too (the header row and the
// times). The fixed row is shown as the table's header, so it stays in view
// while the rows scroll; the fixed column is drawn in the same grey.
#include <QAbstractTableModel>
#include <QFontMetrics>
#include <QLocale>
#include <QStringList>
#include <QTableView>

#include <string>
#include <vector>

namespace tz {

class MonitorGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit MonitorGridModel(QObject* parent = nullptr);

    int gridRows() const { return rows_; }
    int gridCols() const { return cols_; }
    void setGridRows(int rows);
    void setGridCols(int cols);
    QString cell(int row, int col) const;
    void setCell(int row, int col, const QString& text);

    // The table shows the data rows 1.. as its rows 0..
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    int rows_ = 2;
    int cols_ = 2;
    std::vector<QStringList> cells_; // one list of cols_ texts per grid row
};

class MonitorGrid : public QTableView {
    Q_OBJECT
  public:
    explicit MonitorGrid(QWidget* parent = nullptr);

    void setCols(int cols);
    void setRows(int rows);
    int rows() const;
    // Throws GridRowOutOfRange (381) when row >= rows().
    void setText(int row, int col, const std::string& text);
    void setCurrentCell(int row, int col);
    bool rowIsVisible(int row) const;
    void setTopRow(int row);

    int cols() const;
    std::string text(int row, int col) const;
    // Width of the time column for the locale's long time format at the
    // grid's font ("6:06:18 AM" as much as "06:06:18"). A time that comes
    // out wider all the same widens the column when it is written.
    static int timeColumnWidth(const QFontMetrics& metrics, const QLocale& locale);
    // Current cell in grid coordinates; (0, 0) when none is set.
    int currentRow() const;
    int currentCol() const;
    int topRow() const;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void checkCell(int row, int col) const;
    MonitorGridModel model_;
    int pendingTopRow_ = 0; // asked for while hidden, applied when shown
};

} // namespace tz
