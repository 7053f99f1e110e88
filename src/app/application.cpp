#include "app/application.h"

#include "app/main_form.h"
#include "forms/desktop.h"

#include <QApplication>
#include <QScreen>
#include <csignal>

namespace korimo {

int runApplication(int argc, char* argv[]) {
    // Under a file-size limit a write past it then fails with an error the save reports,
    // instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    desktop::preferX11(argc, argv);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tarsk"));
    QApplication::setApplicationName(QStringLiteral("Korimo"));
    // The main window's unload ends the program, whatever else is still on screen.
    QApplication::setQuitOnLastWindowClosed(false);
    Main main;
    QObject::connect(&main, &Form::unloaded, &app, &QCoreApplication::quit);
    main.Load();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        main.move(area.center() - main.rect().center());
    }
    main.Show();
    return app.exec();
}

} // namespace korimo
