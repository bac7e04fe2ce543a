#pragma once
// A strip below a transfer window's specified controls: what the transfer
// is doing now (with a bar when the share done is known) and one line of
// result that stays until the next start.
#include <QAbstractButton>
#include <QLabel>
#include <QProgressBar>
#include <QWidget>

#include <vector>

namespace tz {

class ProgressStrip : public QWidget {
    Q_OBJECT
  public:
    explicit ProgressStrip(QWidget* parent = nullptr);

    // A new transfer: the last one's lines go.
    void startRun();
    void setProgress(const QString& text);
    // Share done, 0 to 1; a negative share hides the bar.
    void setShare(double share);
    void setResult(const QString& text);
    // A small button at the right end of the result line (the window's own
    // helpers, such as ticking every set); the result line gives way.
    void addButton(QAbstractButton* button);

    QString progressText() const { return progress_->text(); }
    QString resultText() const { return result_->text(); }
    const QProgressBar& bar() const { return *bar_; }

    static constexpr int kHeight = 40; // pixels added below the window's layout

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    QLabel* progress_;
    QProgressBar* bar_;
    QLabel* result_;
    std::vector<QAbstractButton*> buttons_;
};

} // namespace tz
