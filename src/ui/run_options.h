#pragma once
// Two choices of the on-line window below its progress strip: keep polling
// through faults, and dated (ISO 8601) times in the TIME column. They are
// the operator's own and are remembered in the user's settings, apart from
// Twell.ini and Twenv.dat, whose layouts stay as they are.
#include <QWidget>

class QCheckBox;

namespace tz {

class RunOptions : public QWidget {
    Q_OBJECT
  public:
    explicit RunOptions(QWidget* parent = nullptr);

    bool keepPolling() const;
    bool isoTime() const;
    // A running transfer keeps the choices it started with.
    void setLocked(bool locked);

    static constexpr int kHeight = 22; // pixels added below the progress strip

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    QCheckBox* keepPolling_;
    QCheckBox* isoTime_;
};

} // namespace tz
