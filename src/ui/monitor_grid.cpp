#include "ui/monitor_grid.h"

#include "backends/qt/qt_host.h"
#include "platform/failure.h"

#include <QApplication>
#include <QHeaderView>
#include <QPalette>
#include <QScrollBar>
#include <QTime>

#include <algorithm>

namespace tz {

namespace {
constexpr int kCellPadding = 14; // the cell's margins and a little air
} // namespace

MonitorGridModel::MonitorGridModel(QObject* parent) : QAbstractTableModel(parent) {
    cells_.assign(rows_, QStringList(cols_, QString()));
}

void MonitorGridModel::setGridRows(int rows) {
    rows = std::max(rows, 1); // the fixed row always stays
    if (rows == rows_) return;
    if (rows > rows_) {
        beginInsertRows({}, rows_ - 1, rows - 2);
        cells_.resize(rows, QStringList(cols_, QString()));
        rows_ = rows;
        endInsertRows();
    } else {
        beginRemoveRows({}, rows - 1, rows_ - 2);
        cells_.resize(rows);
        rows_ = rows;
        endRemoveRows();
    }
}

void MonitorGridModel::setGridCols(int cols) {
    cols = std::max(cols, 1); // and so does the fixed column
    if (cols == cols_) return;
    if (cols > cols_) {
        beginInsertColumns({}, cols_, cols - 1);
        for (QStringList& row : cells_)
            while (row.size() < cols)
                row.append(QString());
        cols_ = cols;
        endInsertColumns();
    } else {
        beginRemoveColumns({}, cols, cols_ - 1);
        for (QStringList& row : cells_)
            row.resize(cols);
        cols_ = cols;
        endRemoveColumns();
    }
}

QString MonitorGridModel::cell(int row, int col) const {
    return cells_[row][col];
}

void MonitorGridModel::setCell(int row, int col, const QString& text) {
    cells_[row][col] = text;
    if (row == 0)
        emit headerDataChanged(Qt::Horizontal, col, col);
    else
        emit dataChanged(index(row - 1, col), index(row - 1, col), {Qt::DisplayRole});
}

int MonitorGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_ - 1;
}

int MonitorGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : cols_;
}

QVariant MonitorGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    switch (role) {
    case Qt::DisplayRole:
        return cells_[index.row() + 1][index.column()];
    case Qt::BackgroundRole:
        if (index.column() == 0) return QApplication::palette().brush(QPalette::Button);
        return {};
    case Qt::TextAlignmentRole:
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant MonitorGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= cols_) return {};
    if (role == Qt::DisplayRole) return cells_[0][section];
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags MonitorGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    // The fixed column cannot become the selection, as in the classic grid.
    if (index.column() == 0) return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

MonitorGrid::MonitorGrid(QWidget* parent) : QTableView(parent) {
    setModel(&model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    // Moving the current cell never scrolls by itself: the poll decides with
    // rowIsVisible and setTopRow, which puts the newest row at the top.
    setAutoScroll(false);
    verticalHeader()->hide();
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setCornerButtonEnabled(false);
}

void MonitorGrid::setCols(int cols) {
    model_.setGridCols(cols);
}

void MonitorGrid::setRows(int rows) {
    model_.setGridRows(rows);
}

int MonitorGrid::rows() const {
    return model_.gridRows();
}

int MonitorGrid::cols() const {
    return model_.gridCols();
}

void MonitorGrid::checkCell(int row, int col) const {
    if (row < 0 || row >= model_.gridRows())
        throw Failure(FailureCode::GridRowOutOfRange, "Subscript out of range");
    // A column out of range is not the row shortage that the poll repairs by
    // adding rows, so it must not look like one.
    if (col < 0 || col >= model_.gridCols())
        throw Failure(FailureCode::Other, "The monitor grid has no column " + std::to_string(col));
}

void MonitorGrid::setText(int row, int col, const std::string& text) {
    checkCell(row, col);
    const QString cell = QString::fromStdString(text);
    model_.setCell(row, col, cell);
    if (row > 0 && col == 0) {
        const int needed = fontMetrics().horizontalAdvance(cell) + kCellPadding;
        if (needed > columnWidth(0)) setColumnWidth(0, needed);
    }
}

int MonitorGrid::timeColumnWidth(const QFontMetrics& metrics, const QLocale& locale) {
    // Every hour, for the one- and two-digit hours and both day halves.
    int widest = 0;
    for (int hour = 0; hour < 24; ++hour) {
        const QString time = QString::fromStdString(timeOfDayText(locale, QTime(hour, 58, 58)));
        widest = std::max(widest, metrics.horizontalAdvance(time));
    }
    return widest + kCellPadding;
}

std::string MonitorGrid::text(int row, int col) const {
    checkCell(row, col);
    return model_.cell(row, col).toStdString();
}

void MonitorGrid::setCurrentCell(int row, int col) {
    checkCell(row, col);
    if (row == 0) return; // the fixed row is the header; it holds no current cell
    setCurrentIndex(model_.index(row - 1, col));
}

int MonitorGrid::currentRow() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() + 1 : 0;
}

int MonitorGrid::currentCol() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.column() : 0;
}

bool MonitorGrid::rowIsVisible(int row) const {
    if (row < 0 || row >= model_.gridRows()) return false;
    if (row == 0) return true;
    // Counted visible only when shown whole, so that the newest row is never
    // left half hidden at the bottom edge.
    const QRect cell = visualRect(model_.index(row - 1, 0));
    return cell.isValid() && viewport()->rect().contains(cell);
}

void MonitorGrid::setTopRow(int row) {
    if (row < 1 || row >= model_.gridRows())
        throw Failure(FailureCode::GridRowOutOfRange, "Subscript out of range");
    scrollTo(model_.index(row - 1, 0), QAbstractItemView::PositionAtTop);
    // A hidden view has no size to scroll in yet (the operator may have
    // closed the monitor during a transfer): keep the row for the showing.
    pendingTopRow_ = isVisible() ? 0 : row;
}

void MonitorGrid::showEvent(QShowEvent* event) {
    QTableView::showEvent(event);
    if (pendingTopRow_ > 0 && pendingTopRow_ < model_.gridRows()) {
        updateGeometries();
        scrollTo(model_.index(pendingTopRow_ - 1, 0), QAbstractItemView::PositionAtTop);
    }
    pendingTopRow_ = 0;
}

int MonitorGrid::topRow() const {
    if (model_.gridRows() < 2) return 1;
    const int first = rowAt(0);
    return first < 0 ? 1 : first + 1;
}

} // namespace tz
