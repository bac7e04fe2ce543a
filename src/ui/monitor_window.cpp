#include "ui/monitor_window.h"

#include "ui/layout.h"
#include "ui/monitor_grid.h"

#include <QFontMetrics>
#include <QHeaderView>

namespace tz {

using namespace layout;

MonitorWindow::MonitorWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("Tide04");
    setWindowTitle("Data Monitor For CSVFile");
    setFont(layoutFont("Arial", 9));
    setFixedSize(px(3180), px(4845));
    move(px(10305), px(3360));

    grid_ = place(new MonitorGrid(this), "CSVGrid", 120, 360, 2895, 4335);
    grid_->setFont(layoutFont("Arial", 11.25));
    grid_->setRows(2);
    grid_->setCols(2);
    const QFontMetrics fm(grid_->font());
    grid_->verticalHeader()->setMinimumSectionSize(1);
    grid_->verticalHeader()->setDefaultSectionSize(fm.height() + 4);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->horizontalHeader()->setFixedHeight(fm.height() + 6);
    // Wide enough for a time of day and for a nine-character value.
    grid_->horizontalHeader()->setDefaultSectionSize(fm.horizontalAdvance("00:00:00") + 14);
    grid_->setColumnWidth(1, fm.horizontalAdvance("-0000.000") + 14);

    caption_ = place(new QLabel("Data Monitor (Only CSV)", this), "Label6", 240, 120, 2775, 255);
    caption_->setTextFormat(Qt::PlainText);
    caption_->setFont(layoutFont("Arial", 9.75, true));
}

void MonitorWindow::releaseWhenClosed() {
    if (isVisible())
        setAttribute(Qt::WA_DeleteOnClose);
    else
        deleteLater();
}

} // namespace tz
