#include "app/application.h"

#include <QApplication>
#include <QLabel>
#include <clocale>

namespace korimo {

int runApplication(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tarsk"));
    QApplication::setApplicationName(QStringLiteral("Korimo"));
    QApplication::setQuitOnLastWindowClosed(true);
    QLabel placeholder(QStringLiteral("Korimo v3.0"));
    placeholder.show();
    return app.exec();
}

} // namespace korimo
