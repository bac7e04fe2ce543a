#pragma once
// Helpers shared by the Qt backend's tests.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <string>

namespace tz::qt_test {

inline bool matches(const std::string& s, const char* pattern) {
    // Tables match thousands of lines against a few patterns.
    static std::map<std::string, std::regex> compiled;
    auto it = compiled.try_emplace(pattern, pattern).first;
    return std::regex_match(s, it->second);
}

// Answers the next modal dialog of type D that opens, while the code under
// test waits in its exec(). It looks every few milliseconds, since building
// a dialog takes a while on a busy machine, and closes any such dialog after
// five seconds so that nothing can block the test program. The caller keeps
// the returned timer for as long as the answer may come.
template <class D> std::unique_ptr<QTimer> answerNextDialog(std::function<void(D&)> answer) {
    auto poll = std::make_unique<QTimer>();
    QTimer* timer = poll.get();
    auto waited = std::make_shared<QElapsedTimer>();
    waited->start();
    QObject::connect(timer, &QTimer::timeout, [timer, waited, answer] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible()) {
            answer(*dialog);
        } else if (waited->elapsed() < 5000) {
            return;
        } else {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<D*>(w)) static_cast<QDialog*>(d)->done(0);
        }
        timer->stop();
    });
    timer->start(10);
    return poll;
}

} // namespace tz::qt_test
