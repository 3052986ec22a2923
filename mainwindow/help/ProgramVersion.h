#pragma once

#include <QString>

namespace quorvel {

// The program's version, as the build names it ("0.1.0").
QString programVersion();

}  // namespace quorvel
