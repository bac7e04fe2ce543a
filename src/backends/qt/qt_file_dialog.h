#pragma once
// The file dialogs on Qt.
#include "platform/file_dialog.h"

#include <QString>

#include <string>

class QWidget;

namespace tz {

// "Description|pattern[|Description|pattern...]" as the classic dialog
// takes it, in Qt's form "Description (pattern);;...". Several patterns of
// one entry ("*.xls;*.xlsx") become blank-separated. A description without
// a pattern keeps "*" so the entry still lists files.
QString qtFileFilter(const std::string& filter);

class QtFileDialog : public FileDialog {
  public:
    explicit QtFileDialog(QWidget* owner) : owner_(owner) {}
    // The chosen path with the system's separators (UTF-8), "" on cancel.
    std::string open(const std::string& filter) override;
    std::string chooseDocument(const std::string& filter, const std::string& current) override;

  private:
    QWidget* owner_;
};

} // namespace tz
