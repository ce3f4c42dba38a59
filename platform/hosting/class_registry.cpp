#include "platform/hosting/class_registry.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <algorithm>

namespace vellumo {

namespace {

QStringList readLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

std::optional<RegisteredClass> parse(const QString& line) {
    const QStringList fields = line.split(QLatin1Char('\t'));
    if (fields.size() != 3 || fields[0].isEmpty())
        return std::nullopt;
    return RegisteredClass{fields[0], fields[1], fields[2]};
}

bool writeLines(const QString& path, const QStringList& lines) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const QString& line : lines)
        file.write((line + QLatin1Char('\n')).toUtf8());
    return file.commit();
}

bool sameClass(const QString& line, const QString& progId) {
    const auto entry = parse(line);
    return entry && entry->progId.compare(progId, Qt::CaseInsensitive) == 0;
}

} // namespace

ClassRegistry::ClassRegistry(QString folder) : folder_(std::move(folder)) {}

QString ClassRegistry::filePath() const {
    return QDir(folder_).filePath(fileName());
}

bool ClassRegistry::add(const RegisteredClass& entry) {
    if (entry.progId.isEmpty() || entry.progId.contains(QLatin1Char('\t')) || entry.clsid.contains(QLatin1Char('\t')) ||
        entry.library.contains(QLatin1Char('\t')) || entry.library.contains(QLatin1Char('/')))
        return false;
    QStringList lines = readLines(filePath());
    const QString fresh = entry.progId + QLatin1Char('\t') + entry.clsid + QLatin1Char('\t') + entry.library;
    bool replaced = false;
    for (QString& line : lines) {
        if (sameClass(line, entry.progId)) {
            if (line == fresh)
                return true; // already there: nothing to rewrite
            line = fresh;
            replaced = true;
            break;
        }
    }
    if (!replaced)
        lines << fresh;
    return writeLines(filePath(), lines);
}

bool ClassRegistry::remove(const QString& progId) {
    QStringList lines = readLines(filePath());
    const qsizetype before = lines.size();
    lines.erase(std::remove_if(lines.begin(), lines.end(), [&](const QString& l) { return sameClass(l, progId); }),
                lines.end());
    if (lines.size() == before)
        return true;
    return writeLines(filePath(), lines);
}

std::optional<RegisteredClass> ClassRegistry::find(const QString& progId) const {
    for (const QString& line : readLines(filePath())) {
        if (sameClass(line, progId))
            return parse(line);
    }
    return std::nullopt;
}

} // namespace vellumo
