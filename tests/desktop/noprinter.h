#pragma once

#include <QtGlobal>

namespace korimo::test {

// Printing goes to a server that is not there, so no window waits on a real print system; set
// before any test builds a window that asks for printers.
inline const bool kNoPrinter = [] {
    qputenv("CUPS_SERVER", "/nonexistent/korimo-no-cups.sock");
    return true;
}();

} // namespace korimo::test
