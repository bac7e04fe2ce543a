#include "backends/libreoffice/uno_runtime.h"

#include "platform/failure.h"

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <osl/file.hxx>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifndef TZ_LO_PROGRAM_DIR
#define TZ_LO_PROGRAM_DIR "/usr/lib/libreoffice/program"
#endif

namespace tz::calc {

using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

Reference<css::uno::XComponentContext> localContext() {
    // Kept alive until the process ends: UNO objects released during the
    // teardown of static objects take the process down with them.
    static Reference<css::uno::XComponentContext>* context = nullptr;
    if (context) return *context;
    // The link to the office is a pipe: when the office dies in the middle
    // of a write, the write must fail with an error we report, not kill the
    // program with SIGPIPE and lose the transfer.
    std::signal(SIGPIPE, SIG_IGN);
    // Without it the runtime finds none of the office's types, and the
    // first call into them crashes.
    ::setenv("URE_BOOTSTRAP", "vnd.sun.star.pathname:" TZ_LO_PROGRAM_DIR "/fundamentalrc", 0);
    try {
        context = new Reference<css::uno::XComponentContext>(
            ::cppu::defaultBootstrap_InitialComponentContext());
    } catch (const ::cppu::BootstrapException& e) {
        throw Failure(FailureCode::Other,
                      "The LibreOffice runtime could not start: " + toUtf8(e.getMessage()));
    } catch (const css::uno::Exception& e) {
        throw Failure(FailureCode::Other,
                      "The LibreOffice runtime could not start: " + messageOf(e));
    }
    return *context;
}

Reference<css::frame::XDesktop2> connectDesktop(const std::string& pipeName) {
    const auto local = localContext();
    const auto resolver = css::bridge::UnoUrlResolver::create(local);
    const Reference<css::uno::XComponentContext> remote(
        resolver->resolve(
            fromUtf8("uno:pipe,name=" + pipeName + ";urp;StarOffice.ComponentContext")),
        UNO_QUERY_THROW);
    return css::frame::Desktop::create(remote);
}

rtl::OUString fromUtf8(std::string_view text) {
    return rtl::OUString(text.data(), static_cast<sal_Int32>(text.size()), RTL_TEXTENCODING_UTF8);
}

std::string toUtf8(const rtl::OUString& text) {
    const rtl::OString bytes = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
    return std::string(bytes.getStr(), static_cast<std::size_t>(bytes.getLength()));
}

rtl::OUString fileUrlOf(const std::string& path) {
    std::error_code ec;
    auto abs = std::filesystem::absolute(std::filesystem::path(path), ec);
    if (ec) return {};
    rtl::OUString url;
    if (osl::FileBase::getFileURLFromSystemPath(fromUtf8(abs.lexically_normal().string()), url) !=
        osl::FileBase::E_None)
        return {};
    return url;
}

std::string messageOf(const css::uno::Exception& e) {
    const std::string text = toUtf8(e.Message);
    return text.empty() ? std::string("no description") : text;
}

} // namespace tz::calc
