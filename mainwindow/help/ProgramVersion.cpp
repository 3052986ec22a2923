#include "mainwindow/help/ProgramVersion.h"

// The build passes the project's version; one source of truth for it.
#ifndef QUORVEL_VERSION
#error "QUORVEL_VERSION must be defined by the build"
#endif

namespace quorvel {

QString programVersion() {
    return QStringLiteral(QUORVEL_VERSION);
}

}  // namespace quorvel
