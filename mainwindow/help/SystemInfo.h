#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace quorvel {

// System information programs of the desktops, in order of preference.
QStringList systemInfoPrograms();

// The full path of the first of them found on PATH, or empty.
QString findSystemInfoProgram();

// The MemTotal line of a /proc/meminfo text, in kilobytes.
std::optional<qint64> memTotalKb(const QString& meminfo);

// What the about box shows when no system information program is installed:
// the OS, kernel, CPU architecture, Qt version and, when `meminfo` tells it,
// the physical memory.
QString systemFactsText(const QString& meminfo);
// The same for this machine, reading /proc/meminfo.
QString systemFactsText();

}  // namespace quorvel
