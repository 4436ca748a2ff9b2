// The window's controls as the hostile tests reach them: by record name.
#pragma once

#include <gtest/gtest.h>

#include <QString>

#include <cstdlib>

#include "app/window.h"

namespace talvex::app::testing {

// The control named `recordName`; a missing control fails the test and ends the run, since
// every later step would click or read nothing.
template <typename Widget>
Widget& Child(Window& window, const QString& recordName) {
    auto* widget = window.widget().findChild<Widget*>(recordName);
    if (widget == nullptr) {
        ADD_FAILURE() << "no control " << recordName.toStdString();
        std::abort();
    }
    return *widget;
}

}  // namespace talvex::app::testing
