#include "mainwindow/help/SystemInfo.h"

#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSysInfo>

#include "mainwindow/help/HelpTexts.h"

namespace quorvel {

namespace {
QString t(const char* text) {
    return QString::fromUtf8(text);
}
}  // namespace

QStringList systemInfoPrograms() {
    return {QStringLiteral("hardinfo"), QStringLiteral("hardinfo2"), QStringLiteral("kinfocenter"),
            QStringLiteral("gnome-system-monitor")};
}

QString findSystemInfoProgram() {
    for (const QString& name : systemInfoPrograms()) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty()) {
            return path;
        }
    }
    return {};
}

std::optional<qint64> memTotalKb(const QString& meminfo) {
    static const QRegularExpression line(QStringLiteral("^MemTotal:\\s*(\\d+)\\s*kB\\s*$"),
                                         QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = line.match(meminfo);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    bool ok = false;
    const qint64 kb = m.captured(1).toLongLong(&ok);
    return ok ? std::optional<qint64>(kb) : std::nullopt;
}

QString systemFactsText(const QString& meminfo) {
    QStringList lines;
    lines << t(texts::kSysFactsHeading) << QString();
    lines << t(texts::kSysFactsOs) + QSysInfo::prettyProductName();
    lines << t(texts::kSysFactsKernel) + QSysInfo::kernelType() + QLatin1Char(' ') + QSysInfo::kernelVersion();
    lines << t(texts::kSysFactsCpu) + QSysInfo::currentCpuArchitecture();
    lines << t(texts::kSysFactsQt) + QString::fromLatin1(qVersion());
    if (const std::optional<qint64> kb = memTotalKb(meminfo)) {
        lines << t(texts::kSysFactsMemory) + QString::number((*kb + 512) / 1024) + QStringLiteral(" MB");
    }
    return lines.join(QLatin1Char('\n'));
}

QString systemFactsText() {
    QFile file(QStringLiteral("/proc/meminfo"));
    // /proc files report no size, so read them whole rather than by size.
    const QString meminfo = file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
    return systemFactsText(meminfo);
}

}  // namespace quorvel
