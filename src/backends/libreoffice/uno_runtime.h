#pragma once
// The UNO runtime of this process and the road to a running LibreOffice.
// Only the Calc backend and its tests include this: it brings the UNO
// headers generated at build time.
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ustring.hxx>

#include <string>
#include <string_view>

namespace tz::calc {

namespace css = ::com::sun::star;

// The local UNO context, started once and kept for the whole process.
// Throws a Failure when the runtime cannot start (LibreOffice missing).
css::uno::Reference<css::uno::XComponentContext> localContext();

// The office's desktop through the named pipe. Throws what UNO throws,
// NoConnectException while nobody accepts on the pipe.
css::uno::Reference<css::frame::XDesktop2> connectDesktop(const std::string& pipeName);

rtl::OUString fromUtf8(std::string_view text);
std::string toUtf8(const rtl::OUString& text);
// The file URL of a path, made absolute first; "" when it has none.
rtl::OUString fileUrlOf(const std::string& path);
// The message of any UNO exception.
std::string messageOf(const css::uno::Exception& e);

} // namespace tz::calc
