#include "ui/calc_module.h"

#include "platform/failure.h"
#include "ui/services.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace tz {

namespace {

constexpr int kInterface = 3;
constexpr const char* kModuleName = "tidewell-z-calc.so";

struct Entry {
    SheetLink* (*makeSheetLink)() = nullptr;
    Shell* (*makeShell)() = nullptr;
    // Kept reachable rather than deleted at exit: the objects the module
    // made may outlive any destructor order we could choose.
    QLibrary* library = nullptr;
};

// Loads the module once; a failed load is tried again at the next start,
// so that installing LibreOffice meanwhile needs no restart.
const Entry& calcModule() {
    static Entry entry;
    if (entry.makeSheetLink) return entry;
    std::string why;
    for (const std::string& path : calcModuleCandidates()) {
        if (!QFileInfo(QString::fromStdString(path)).isFile()) continue;
        // Never unloaded: the objects it made live on in the windows.
        auto* library = new QLibrary(QString::fromStdString(path));
        if (!library->load()) {
            why = library->errorString().toStdString();
            delete library;
            continue;
        }
        auto version = reinterpret_cast<int (*)()>(library->resolve("tz_calc_module_interface"));
        auto link = reinterpret_cast<SheetLink* (*)()>(library->resolve("tz_calc_make_sheet_link"));
        auto shell = reinterpret_cast<Shell* (*)()>(library->resolve("tz_calc_make_shell"));
        if (!version || !link || !shell || version() != kInterface) {
            why = path + " belongs to another version of the program.";
            library->unload();
            delete library;
            continue;
        }
        entry.makeSheetLink = link;
        entry.makeShell = shell;
        entry.library = library;
        return entry;
    }
    throw Failure(FailureCode::Other,
                  "Spreadsheet output needs LibreOffice Calc.\r\n"
                  "Install the package libreoffice-calc, or choose CSV(TXT).\r\n" +
                      (why.empty()
                           ? std::string("The Calc module ") + kModuleName + " was not found."
                           : why));
}

class LazyShell : public Shell {
  public:
    bool findWindow(const std::string& title) override { return inner().findWindow(title); }
    void openDocument(const std::string& path, WindowHandle owner) override {
        inner().openDocument(path, owner);
    }
    void activate(const std::string& title) override { inner().activate(title); }
    bool documentWindowComesLater() override {
        return inner_ && inner_->documentWindowComesLater();
    }
    void endLaunched() noexcept override {
        if (inner_) inner_->endLaunched();
    }

  private:
    Shell& inner() {
        if (!inner_) inner_.reset(calcModule().makeShell());
        return *inner_;
    }
    std::unique_ptr<Shell> inner_;
};

class LazySheetLink : public SheetLink {
  public:
    void open(const std::string& documentPath) override { inner().open(documentPath); }
    // Ending a link that never began needs no module (every logger start
    // does so, whatever the format).
    void close() noexcept override {
        if (inner_) inner_->close();
    }
    bool isOpen() const override { return inner_ && inner_->isOpen(); }
    void writeCell(int row, int col, const std::string& text) override {
        inner().writeCell(row, col, text);
    }
    void endLaunched() noexcept override {
        if (inner_) inner_->endLaunched();
    }

  private:
    SheetLink& inner() {
        if (!inner_) inner_.reset(calcModule().makeSheetLink());
        return *inner_;
    }
    std::unique_ptr<SheetLink> inner_;
};

} // namespace

std::vector<std::string> calcModuleCandidates() {
    std::vector<std::string> paths;
    const QByteArray chosen = qgetenv("TZ_CALC_MODULE");
    if (!chosen.isEmpty()) paths.push_back(chosen.toStdString());
    const QDir program(QCoreApplication::applicationDirPath());
    paths.push_back(program.filePath(kModuleName).toStdString());
    paths.push_back(QDir::cleanPath(program.filePath(QString("../lib/tidewell-z/") + kModuleName))
                        .toStdString());
    return paths;
}

std::unique_ptr<SheetLink> makeLazyCalcSheetLink() {
    return std::make_unique<LazySheetLink>();
}

std::unique_ptr<Shell> makeLazyCalcShell() {
    return std::make_unique<LazyShell>();
}

} // namespace tz
