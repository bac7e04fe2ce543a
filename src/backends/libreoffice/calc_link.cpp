#include "backends/libreoffice/calc_link.h"

#include "backends/libreoffice/cell_text.h"
#include "backends/libreoffice/process.h"
#include "backends/libreoffice/uno_runtime.h"
#include "platform/failure.h"

#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/IndexOutOfBoundsException.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <osl/file.hxx>

#include <chrono>
#include <filesystem>
#include <optional>
#include <system_error>

namespace tz::calc {

using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

[[noreturn]] void noAnswer(const std::string& why) {
    throw Failure(FailureCode::NoDdeAnswer, "LibreOffice Calc does not answer yet: " + why);
}

// Same file, whatever way the office spelled its URL.
bool sameDocument(const rtl::OUString& modelUrl, const rtl::OUString& wantedUrl,
                  const std::string& wantedPath) {
    if (modelUrl.isEmpty()) return false;
    if (modelUrl == wantedUrl) return true;
    rtl::OUString sys;
    if (osl::FileBase::getSystemPathFromFileURL(modelUrl, sys) != osl::FileBase::E_None)
        return false;
    std::error_code ec;
    return std::filesystem::equivalent(std::filesystem::path(toUtf8(sys)),
                                       std::filesystem::path(wantedPath), ec) &&
           !ec;
}

// A cell as messages name it.
std::string cellName(int row, int col) {
    return "R" + std::to_string(row) + "C" + std::to_string(col);
}

} // namespace

struct CalcLink::Impl {
    Options options;
    bool linked = false;
    bool askedToAccept = false;
    int askedSession = 0; // the session started to ask, 0 when none
    std::optional<std::chrono::steady_clock::time_point> firstFailure;
    Reference<css::frame::XDesktop2> desktop;
    Reference<css::frame::XModel> model;
    Reference<css::sheet::XSpreadsheet> sheet;
    std::string path;

    void drop() {
        sheet.clear();
        model.clear();
        desktop.clear();
        linked = false;
    }

    void connect() {
        try {
            desktop = connectDesktop(options.pipeName);
            return;
        } catch (const css::connection::NoConnectException&) {
        } catch (const css::uno::Exception& e) {
            // The office is starting or going: try again later.
            desktop.clear();
            noAnswer(messageOf(e));
        }
        desktop.clear();
        const auto now = std::chrono::steady_clock::now();
        if (!firstFailure) firstFailure = now;
        const double failing = std::chrono::duration<double>(now - *firstFailure).count();
        if (options.askToAccept && !askedToAccept && failing >= options.askAfterSeconds) {
            askedToAccept = true;
            auto cmd = sofficeCommand();
            cmd.push_back(acceptArgument(options.pipeName));
            askedSession = startDetached(cmd);
        }
        noAnswer("nobody accepts on the pipe " + options.pipeName);
    }

    Reference<css::frame::XModel> findDocument() {
        const rtl::OUString wanted = fileUrlOf(path);
        const Reference<css::container::XEnumerationAccess> all(desktop->getComponents(),
                                                                UNO_QUERY_THROW);
        const auto e = all->createEnumeration();
        while (e.is() && e->hasMoreElements()) {
            const Reference<css::frame::XModel> m(e->nextElement(), UNO_QUERY);
            if (m.is() && sameDocument(m->getURL(), wanted, path)) return m;
        }
        return {};
    }

    // The sheet the operator looks at, else the first one.
    Reference<css::sheet::XSpreadsheet> findSheet() {
        const Reference<css::sheet::XSpreadsheetView> view(model->getCurrentController(),
                                                           UNO_QUERY);
        if (view.is()) {
            if (auto active = view->getActiveSheet(); active.is()) return active;
        }
        const Reference<css::sheet::XSpreadsheetDocument> doc(model, UNO_QUERY_THROW);
        const Reference<css::container::XIndexAccess> sheets(doc->getSheets(), UNO_QUERY_THROW);
        return Reference<css::sheet::XSpreadsheet>(sheets->getByIndex(0), UNO_QUERY_THROW);
    }

    void link() {
        if (path.empty())
            throw Failure(FailureCode::Other, "No spreadsheet document is named for the link.");
        // An earlier connection may belong to an office that has ended
        // since: one fresh try before telling the caller to wait.
        for (int tries = 0; tries < 2; ++tries) {
            if (!desktop.is()) connect();
            try {
                const auto found = findDocument();
                if (!found.is()) noAnswer(path + " is not loaded yet");
                if (!Reference<css::sheet::XSpreadsheetDocument>(found, UNO_QUERY).is())
                    throw Failure(FailureCode::Other,
                                  path + " is open in LibreOffice, but not as a spreadsheet.");
                model = found;
                sheet = findSheet();
                linked = true;
                return;
            } catch (const css::uno::RuntimeException& e) {
                drop();
                if (tries == 1) noAnswer(messageOf(e));
            } catch (const css::uno::Exception& e) {
                drop();
                noAnswer(messageOf(e));
            }
        }
    }

    bool documentStillOpen() {
        try {
            return model.is() && desktop.is() && findDocument().is();
        } catch (const css::uno::Exception&) {
            return false;
        }
    }

    [[noreturn]] void lost() {
        drop();
        throw Failure(FailureCode::Other, "The link to the spreadsheet was lost: LibreOffice Calc "
                                          "no longer holds " +
                                              path + " open.");
    }

    void write(int row, int col, const std::string& text) {
        if (!linked || !model.is())
            throw Failure(FailureCode::Other, "There is no link to a spreadsheet document.");
        if (row < 1 || col < 1)
            throw Failure(FailureCode::Other, "Row " + std::to_string(row) + ", column " +
                                                  std::to_string(col) + " names no cell.");
        const std::string item = cellName(row, col);
        const auto number = numberFromCellText(text);
        // The sheet may have gone while the document stays (the operator
        // deleted it): one more try on the sheet in view then.
        for (int tries = 0; tries < 2; ++tries) {
            try {
                if (!sheet.is()) sheet = findSheet();
                const auto cell = sheet->getCellByPosition(col - 1, row - 1);
                if (number)
                    cell->setValue(*number);
                else
                    Reference<css::text::XTextRange>(cell, UNO_QUERY_THROW)
                        ->setString(fromUtf8(text));
                return;
            } catch (const css::lang::IndexOutOfBoundsException&) {
                throw Failure(FailureCode::Other, "The cell " + item + " lies outside the sheet.");
            } catch (const css::uno::RuntimeException&) {
                sheet.clear();
                if (tries == 1 || !documentStillOpen()) lost();
            } catch (const css::uno::Exception& e) {
                throw Failure(FailureCode::Other,
                              "LibreOffice Calc refused the cell " + item + ": " + messageOf(e));
            }
        }
    }
};

CalcLink::CalcLink() : CalcLink(Options{}) {}
CalcLink::CalcLink(Options options) : impl_(std::make_unique<Impl>()) {
    impl_->options = std::move(options);
}

CalcLink::~CalcLink() {
    try {
        impl_->drop();
    } catch (...) {
        // Releasing proxies of an office that died may complain; nothing to save.
    }
}

void CalcLink::open(const std::string& documentPath) {
    if (documentPath != impl_->path) {
        // Another document: its own series of attempts.
        impl_->askedToAccept = false;
        impl_->firstFailure.reset();
    }
    impl_->path = documentPath;
    impl_->linked = false;
    impl_->link();
}

void CalcLink::close() noexcept {
    try {
        impl_->drop();
    } catch (...) {
    }
    impl_->askedToAccept = false;
    impl_->firstFailure.reset();
}

bool CalcLink::isOpen() const {
    return impl_->linked;
}

void CalcLink::writeCell(int row, int col, const std::string& text) {
    impl_->write(row, col, text);
}

void CalcLink::endLaunched() noexcept {
    endSession(impl_->askedSession);
    impl_->askedSession = 0;
}

std::string CalcLink::defaultPipeName() {
    return officePipeName();
}

} // namespace tz::calc
