// A child process for the exit tests: the tool's own start-up and exit, with the window closed
// while a worker keeps calling into it ("worker") or while a pause runs ("pause").
#include <QApplication>
#include <QTimer>

#include <cstdlib>
#include <string>

#include "app/window.h"
#include "http/transfer.h"
#include "tests/app/window/window_test_support.h"
#include "text/primitives.h"

int main(int argc, char* argv[]) {
    using namespace talvex::app;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::string mode = argc > 1 ? argv[1] : "";
    talvex::InitHttpClient();
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    EndProcessWhenLastWindowCloses();

    Window window(test::TestAddresses(test::RefusedAddress("/gengxin/gengxin2.txt")));
    window.Start();
    if (mode == "worker") {
        for (int i = 0; i < 3; ++i) {
            StartWorker([&window](const talvex::Text&) {
                for (;;) {
                    const int row = window.AppendRow();
                    window.SetCell(row, 0, talvex::IntToText(row));
                    window.SetText(Control::StatusLabel, window.GetCell(row, 0));
                }
            });
        }
    } else if (mode == "pause") {
        QTimer::singleShot(0, &window.widget(), [] { PauseWithEvents(60000); });
    } else {
        return 2;
    }
    QTimer::singleShot(300, &window.widget(), [&window] { window.widget().close(); });
    QApplication::exec();
    EndProcess();
}
