// Prints how Qt's file type database, which reads the shared-mime-info
// folders of $XDG_DATA_HOME and $XDG_DATA_DIRS as file managers do, sees each
// file given: one line per file, fields separated by "|":
//   type|type it is a kind of, comma-separated|English comment|Japanese comment
#include <QCoreApplication>
#include <QLocale>
#include <QMimeDatabase>
#include <QMimeType>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QMimeDatabase db;
    const QStringList files = QCoreApplication::arguments().mid(1);
    for (const QString& file : files) {
        const QMimeType type = db.mimeTypeForFile(file);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const QString english = type.comment();
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
        const QString japanese = type.comment();
        const QString line = type.name() + u'|' + type.parentMimeTypes().join(u',') + u'|' + english + u'|' + japanese;
        std::printf("%s\n", line.toUtf8().constData());
    }
    return 0;
}
