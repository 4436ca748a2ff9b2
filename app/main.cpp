// Talvex: finds torrents by keyword. One window; no command line, settings or files.
#include <QApplication>

#include "app/window.h"
#include "http/transfer.h"

int main(int argc, char* argv[]) {
    talvex::InitHttpClient();  // before any thread starts
    // Qt is handed the program name only: the tool reads no command line.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication application(qtArgc, argv);
    talvex::app::EndProcessWhenLastWindowCloses();

    talvex::app::Window window(talvex::app::BuiltInAddresses());
    window.Start();  // the update check, then the first showing
    QApplication::exec();
    talvex::app::EndProcess();
}
