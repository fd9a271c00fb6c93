#include "platform/application.h"

#include <QCoreApplication>

namespace tavrel::platform {

void Quit(int exitCode) {
    QCoreApplication::exit(exitCode);
}

} // namespace tavrel::platform
