#pragma once

#include <QImage>
#include <QString>

namespace korimo {

// One of the pictures drawn for the program (assets/pictures), by file name; a null image when
// it is not there.
QImage programPicture(const QString& name);

} // namespace korimo
