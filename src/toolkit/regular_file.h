#pragma once

#include <QFile>
#include <QString>
#include <memory>

namespace toolkit
{

// Opens a picture file for reading. Anything but a readable regular file raises File not
// found, with the system's reason as the error's text. A FIFO is opened without waiting for
// a writer, so a named pipe or a device chosen as a picture cannot hang the program.
std::unique_ptr<QFile> openRegularFile(const QString& path);

} // namespace toolkit
