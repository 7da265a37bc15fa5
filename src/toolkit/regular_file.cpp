#include "toolkit/regular_file.h"

#include "toolkit/runtime_error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace toolkit
{

namespace
{

[[noreturn]] void raiseNotFound(int error)
{
    raiseError(Err::FileNotFound, QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace

std::unique_ptr<QFile> openRegularFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        raiseNotFound(errno);
    struct stat status = {};
    const bool known = ::fstat(fd, &status) == 0;
    if (!known || !S_ISREG(status.st_mode)) {
        const int error = !known ? errno : S_ISDIR(status.st_mode) ? EISDIR : 0;
        ::close(fd);
        if (error != 0)
            raiseNotFound(error);
        raiseError(Err::FileNotFound, QStringLiteral("Not a regular file"));
    }
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        raiseError(Err::FileNotFound, file->errorString());
    }
    return file;
}

} // namespace toolkit
