#pragma once
// Runs a real dialog modally and, once its window shows, hands it to a test's driver, which
// sends it messages and reads it back as a person would. If the driver leaves the dialog open,
// it is closed with IDCANCEL, so a test never hangs in a modal loop.

#include "ui/dialog.h"

#include <functional>

namespace test {

using dialog_driver = std::function<void(HWND)>;

// The dialog's result; `driven` tells whether the window ever showed (a dialog that ends while
// it opens is never shown and never driven).
INT_PTR run_driven(ui::dialog& dlg, HWND owner, const dialog_driver& driver, bool* driven = nullptr);

// Lets the messages that are waiting be handled (painting included), as the modal loop would.
void pump_messages();

}  // namespace test
