#include "app/pictures.h"

// The pictures live in a static library, whose resources stay out of the program unless named.
static void initAssets() {
    Q_INIT_RESOURCE(assets);
}

namespace korimo {

QImage programPicture(const QString& name) {
    static const bool ready = (initAssets(), true);
    (void)ready;
    return QImage(QStringLiteral(":/pictures/") + name);
}

} // namespace korimo
